#include "platform/posix/futex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace zel::platform::futex {

int Wait(uint32_t* word, uint32_t expected, const timespec* timeout) {
  if (syscall(SYS_futex, word, FUTEX_WAIT, expected, timeout, nullptr, 0) == 0) return 0;
  return errno == EAGAIN ? 0 : errno;
}

void Wake(uint32_t* word, int count) {
  syscall(SYS_futex, word, FUTEX_WAKE, count, nullptr, nullptr, 0);
}

int WaitEither(uint32_t* first, uint32_t expectedFirst, uint32_t* second, uint32_t expectedSecond,
               const timespec* deadline) {
  futex_waitv waiters[2] = {};
  waiters[0].uaddr = reinterpret_cast<uintptr_t>(first);
  waiters[0].val = expectedFirst;
  waiters[0].flags = FUTEX_32;
  waiters[1].uaddr = reinterpret_cast<uintptr_t>(second);
  waiters[1].val = expectedSecond;
  waiters[1].flags = FUTEX_32;
  if (syscall(SYS_futex_waitv, waiters, 2, 0, deadline, CLOCK_MONOTONIC) >= 0) return 0;
  return errno == EAGAIN ? 0 : errno;
}

}  // namespace zel::platform::futex
