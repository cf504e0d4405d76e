#include "platform/process_wait.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace zel::platform {

int32_t OpenParentProcess(DescriptorGuard& parent) {
  parent.Reset();
  // 0 names a parent outside this process's namespace, which cannot be waited for from here.
  const pid_t id = ::getppid();
  if (id <= 0) return 0;
  DescriptorGuard descriptor(static_cast<int>(::syscall(SYS_pidfd_open, id, 0)));
  // A parent that is already gone cannot be opened; there is nothing to wait for.
  if (descriptor.Empty()) return errno == ESRCH ? 0 : errno;
  // Had the parent ended between the two calls, its number could already belong to another
  // process; this one would then have been handed to a new parent, which is what tells.
  if (::getppid() != id) return 0;
  parent = std::move(descriptor);
  return 0;
}

int32_t WaitForDescriptor(const DescriptorGuard& descriptor, int32_t timeoutMs, bool& signalled) {
  signalled = false;
  // poll skips a negative descriptor instead of reporting it, and would then wait for nothing
  // until the time-out: without a limit, for ever.
  if (descriptor.Empty()) return EBADF;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    int remaining = -1;
    if (timeoutMs >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      remaining = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    pollfd entry{descriptor.Get(), POLLIN, 0};
    const int ready = ::poll(&entry, 1, remaining);
    if (ready > 0) {
      if ((entry.revents & POLLNVAL) != 0) return EBADF;
      signalled = true;
      return 0;
    }
    if (ready == 0) return 0;
    // A signal that interrupts the wait does not end it.
    if (errno != EINTR) return errno;
  }
}

}  // namespace zel::platform
