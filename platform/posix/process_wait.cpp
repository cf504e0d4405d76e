#include "platform/process_wait.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace zel::platform {

DescriptorWaitResult WaitForDescriptor(int descriptor, int32_t timeoutMs) {
  // poll skips a negative descriptor instead of reporting it, and would then wait for nothing
  // until the time-out: without a limit, for ever.
  if (descriptor < 0) {
    errno = EBADF;
    return DescriptorWaitResult::kFailed;
  }
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    int remaining = -1;
    if (timeoutMs >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      remaining = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    pollfd entry{descriptor, POLLIN, 0};
    int ready = poll(&entry, 1, remaining);
    if (ready > 0) {
      if ((entry.revents & POLLNVAL) == 0) return DescriptorWaitResult::kSignalled;
      errno = EBADF;
      return DescriptorWaitResult::kFailed;
    }
    if (ready == 0) return DescriptorWaitResult::kTimedOut;
    // A signal that interrupts the wait does not end it.
    if (errno != EINTR) return DescriptorWaitResult::kFailed;
  }
}

void CloseDescriptor(int descriptor) {
  if (descriptor >= 0) close(descriptor);
}

}  // namespace zel::platform
