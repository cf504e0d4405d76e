// The POSIX side of a platform handle: every kind of object derives from KernelObject, so that
// CloseHandle can destroy any of them and each function can check the kind it was given.
#pragma once

#include <cerrno>

#include "platform/handle.h"
#include "platform/last_error.h"

namespace zel::platform {

struct KernelObject {
  virtual ~KernelObject() = default;
};

// The handle as the expected kind, or null (with EINVAL as the last error) when it is null or of
// another kind.
template <class T>
T* As(Handle handle) {
  T* object = dynamic_cast<T*>(handle);
  if (object == nullptr) SetLastError(EINVAL);
  return object;
}

}  // namespace zel::platform
