#include "platform/environment.h"

#include <errno.h>
#include <stdlib.h>

namespace zel::platform {

int32_t SetEnvironmentVariable(const std::string& name, const std::string& value) {
  return setenv(name.c_str(), value.c_str(), 1) == 0 ? 0 : errno;
}

}  // namespace zel::platform
