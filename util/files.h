// Writing a whole buffer to a file in one go.
#pragma once

#include <cstddef>
#include <string>

namespace vesku {

// Creates or replaces the file `path` and writes `size` bytes from `data` to it. Throws
// CWinException "veskFiles.CannotOpenFile" or "veskFiles.CannotWriteFile" with the system error
// code, or std::runtime_error "veskFiles.CannotWriteFile.InvalidArguments" (a data range that wraps
// around or does not fit a 32-bit count) or "veskFiles.CannotWriteFile.WriteNotCompleted". A file
// created before a failure is left behind.
void WriteWholeFile(const std::u16string& path, const void* data, size_t size);

}  // namespace vesku
