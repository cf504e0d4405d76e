#include "platform/create_folder.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/native_path.h"

namespace zel::platform {

int32_t CreateFolder(const std::u16string& path) {
  std::string native;
  if (!ToNativePath(path, native)) return errno;
  return ::mkdir(native.c_str(), 0777) == 0 ? 0 : errno;
}

int32_t CreatePrivateFolder(const std::u16string& path) {
  std::string native;
  if (!ToNativePath(path, native)) return errno;
  return ::mkdir(native.c_str(), 0700) == 0 ? 0 : errno;
}

}  // namespace zel::platform
