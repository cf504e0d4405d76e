#include "util/files.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

#include "platform/files.h"
#include "util/exceptions.h"

namespace vesku {

void WriteWholeFile(const std::u16string& path, const void* data, size_t size) {
  namespace platform = zel::platform;
  platform::FileHandle file;
  if (const int32_t error = platform::CreateFileForWriting(path, file); error != 0) {
    throw CWinException("veskFiles.CannotOpenFile", error);
  }
  if (size == 0) return;

  const auto start = reinterpret_cast<uintptr_t>(data);
  // The write takes a 32-bit count; a larger buffer is refused instead of being cut short.
  if (start + size < start || size > std::numeric_limits<uint32_t>::max()) {
    throw std::runtime_error("veskFiles.CannotWriteFile.InvalidArguments");
  }
  uint32_t written = 0;
  if (const int32_t error = platform::WriteFile(file, data, static_cast<uint32_t>(size), written);
      error != 0) {
    throw CWinException("veskFiles.CannotWriteFile", error);
  }
  if (written != size) throw std::runtime_error("veskFiles.CannotWriteFile.WriteNotCompleted");
}

}  // namespace vesku
