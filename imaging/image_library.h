// Process-wide set-up of the image library. It runs once, on the main thread, before any image work
// and before any listener thread exists; what it stores is only read afterwards.
#pragma once

#include <string>

namespace zel {

// Creates the temporary folder (one level), points the library's own temporary files at it through
// "MAGICK_TEMPORARY_PATH", optionally empties it, initialises the library and lists its readable
// formats once (which loads every coder up front; a failure there is printed and ignored). Never
// fails.
void SetUpImageLibrary(const std::u16string& tempFolder, bool clearFolder);

// The folder handed to set-up; prefix of every file-name hint.
const std::u16string& ImageTempFolder();

}  // namespace zel
