#include "platform/wait.h"

#include <cerrno>
#include <cstdint>
#include <ctime>

#include "platform/posix/futex.h"
#include "platform/posix/kernel_object.h"
#include "platform/posix/waitable.h"

namespace zel::platform {

namespace {

timespec Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now;
}

int64_t ToNs(const timespec& t) { return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec; }

timespec FromNs(int64_t ns) { return timespec{ns / 1000000000, ns % 1000000000}; }

}  // namespace

int32_t WaitForObject(Handle object, uint32_t timeoutMs, WaitResult& result) {
  auto* waitable = As<Waitable>(object);
  if (waitable == nullptr) return EINVAL;
  const int64_t deadline = ToNs(Now()) + int64_t{timeoutMs} * 1000000;
  for (;;) {
    if (waitable->TryConsume()) {
      result = WaitResult::kFirst;
      return 0;
    }
    const timespec* timeout = nullptr;
    timespec remaining{};
    if (timeoutMs != kInfinite) {
      const int64_t left = deadline - ToNs(Now());
      if (left <= 0) {
        result = WaitResult::kTimeout;
        return 0;
      }
      remaining = FromNs(left);
      timeout = &remaining;
    }
    const int error = futex::Wait(waitable->Word(), 0, timeout);
    if (error != 0 && error != ETIMEDOUT && error != EINTR) return error;
  }
}

// Both words are waited for in one futex_waitv call, so a signal of either that arrives after the
// check below and before the call makes the call return at once: no wake-up is lost and neither
// object needs to know about the other.
int32_t WaitForEither(Handle first, Handle second, uint32_t timeoutMs, WaitResult& result) {
  auto* one = As<Waitable>(first);
  auto* two = As<Waitable>(second);
  if (one == nullptr || two == nullptr) return EINVAL;
  // `first` is looked at first and wins; `second` keeps its signal in that case.
  const auto consumed = [&] {
    if (one->TryConsume()) {
      result = WaitResult::kFirst;
      return true;
    }
    if (two->TryConsume()) {
      result = WaitResult::kSecond;
      return true;
    }
    return false;
  };
  const timespec deadline = FromNs(ToNs(Now()) + int64_t{timeoutMs} * 1000000);
  for (;;) {
    if (consumed()) return 0;
    const int error = futex::WaitEither(one->Word(), 0, two->Word(), 0,
                                        timeoutMs == kInfinite ? nullptr : &deadline);
    if (error == ETIMEDOUT) {
      if (!consumed()) result = WaitResult::kTimeout;
      return 0;
    }
    if (error != 0 && error != EINTR) return error;
  }
}

}  // namespace zel::platform
