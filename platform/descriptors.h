// Descriptors: the owner of one, and the descriptors the process holds seen as a whole, none of
// which may reach a program started later.
#pragma once

#include <cstdint>

#include "platform/guard.h"

namespace zel::platform {

struct DescriptorTraits {
  using Resource = int;
  static constexpr int kEmpty = -1;
  static void Close(int descriptor) noexcept;
};
// Owner of one descriptor: a pipe end, a process descriptor, an inherited wait descriptor.
using DescriptorGuard = Guard<DescriptorTraits>;

// Takes over a descriptor that the parent process passed down under the number `number` (from
// the command line). Returns 0, or EBADF for a number that cannot be a descriptor; `descriptor`
// is then empty.
int32_t AdoptInheritedDescriptor(uint64_t number, DescriptorGuard& descriptor);

// Marks every descriptor from 3 up close-on-exec: whatever the parent passed down (the wait
// descriptor among them) and whatever the libraries opened while the host started. Returns 0 or
// the system error code.
int32_t MarkDescriptorsCloseOnExec();

}  // namespace zel::platform
