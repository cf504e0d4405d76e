// The POSIX side of a platform handle: every kind of object derives from KernelObject, so that
// CloseHandle can destroy any of them and each function can check the kind it was given.
#pragma once

#include "platform/handle.h"

namespace zel::platform {

struct KernelObject {
  virtual ~KernelObject() = default;
};

// The handle as the expected kind, or null when it is null or of another kind (the caller then
// reports EINVAL).
template <class T>
T* As(Handle handle) {
  return dynamic_cast<T*>(handle);
}

}  // namespace zel::platform
