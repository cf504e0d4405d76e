// A handle to one system object owned by this process: a shared-memory object, a named mutex, an
// event or a thread. Like a Windows HANDLE it is opaque and closed with one call whatever it
// refers to; the functions that use a handle check that it is of the kind they expect.
#pragma once

#include "platform/guard.h"

namespace zel::platform {

struct KernelObject;
using Handle = KernelObject*;

// Releases the handle's hold on its object (null is ignored). Closing a thread's handle does not
// stop the thread; closing a shared-memory handle does not remove the named object.
void CloseHandle(Handle handle) noexcept;

struct HandleTraits {
  using Resource = Handle;
  static void Close(Handle handle) noexcept { CloseHandle(handle); }
};
using HandleGuard = Guard<HandleTraits>;

}  // namespace zel::platform
