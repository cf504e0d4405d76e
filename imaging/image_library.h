// Process-wide set-up of the image library. It runs once, on the main thread, before any image work
// and before any listener thread exists; what it stores is only read afterwards.
#pragma once

#include <string>

namespace zel {

// Creates the temporary folder (one level), points the library's own temporary files at it through
// "MAGICK_TEMPORARY_PATH", marks it as in use by this process until the process ends, optionally
// empties it (unless another living process uses it too), initialises the library under the host's
// own policy (resource limits sized from the machine's memory, no disk spill, only the allowed
// coders, no delegate, no path; see library_policy.h) and loads the allowed coders up front. A
// fatal error of the library afterwards ends the process through the crash path. Throws
// std::runtime_error "Image library policy not in force" when the library does not take the host's
// rights; limits that another policy file capped are reported on the standard output.
void SetUpImageLibrary(const std::u16string& tempFolder, bool clearFolder);

// The folder handed to set-up; prefix of every file-name hint.
const std::u16string& ImageTempFolder();

}  // namespace zel
