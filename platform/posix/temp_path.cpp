#include "platform/temp_path.h"

#include <cstdlib>

#include "platform/posix/native_path.h"

namespace zel::platform {

std::u16string TemporaryPath() {
  const char* folder = std::getenv("TMPDIR");
  if (folder == nullptr || *folder == '\0') folder = "/tmp";
  return FromNativeName(folder);
}

}  // namespace zel::platform
