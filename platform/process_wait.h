// Waiting for the process that started this one, or for an inherited descriptor, to become
// signalled: a process descriptor (Linux pidfd) is signalled when the process ends, any other
// descriptor when it turns readable or is hung up.
#pragma once

#include <cstdint>

#include "platform/descriptors.h"

namespace zel::platform {

// Takes hold of the process that started this one, as a descriptor that is signalled when it
// ends. Taken once, early: asked later, the system names whoever inherited this process if the
// parent ended meanwhile. A parent that has already gone, or that cannot be named from this
// process's namespace, leaves `parent` empty; that is no failure. Returns 0 or the system error
// code.
int32_t OpenParentProcess(DescriptorGuard& parent);

// Waits up to `timeoutMs` milliseconds (negative: without limit) for `descriptor`. Returns 0 with
// `signalled` telling whether it became signalled before the time ran out, or the system error
// code: EBADF at once for an empty guard.
int32_t WaitForDescriptor(const DescriptorGuard& descriptor, int32_t timeoutMs, bool& signalled);

}  // namespace zel::platform
