#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/events.h"
#include "platform/named_mutex.h"
#include "platform/thread.h"
#include "platform/wait.h"
#include "tests/support/channel_test_util.h"
#include "util/base_guard.h"

namespace {

using namespace zel::platform;
using Guard = vesku::CBaseGuard<vesku::HandleImpl>;

std::atomic<int> bodyRuns{0};

uint32_t CountingBody(void* argument) {
  ++bodyRuns;
  return *static_cast<uint32_t*>(argument);
}

// The calls below report through their return value; these keep the checks to what they return.
WaitResult Wait(Handle object, uint32_t timeoutMs) {
  WaitResult result = WaitResult::kTimeout;
  EXPECT_EQ(0, WaitForObject(object, timeoutMs, result));
  return result;
}

WaitResult Either(Handle first, Handle second, uint32_t timeoutMs) {
  WaitResult result = WaitResult::kTimeout;
  EXPECT_EQ(0, WaitForEither(first, second, timeoutMs, result));
  return result;
}

Guard NamedEvent(const std::u16string& name) {
  Guard event;
  EXPECT_EQ(0, CreateNamedEvent(name, nullptr, event));
  return event;
}

Guard ManualEvent() {
  Guard event;
  EXPECT_EQ(0, CreateManualResetEvent(event));
  return event;
}

Guard SuspendedThread(uint32_t* code, uint32_t& id) {
  Guard thread;
  EXPECT_EQ(0, CreateSuspendedThread(CountingBody, code, thread, id));
  return thread;
}

struct NamedEventFixture {
  explicit NamedEventFixture(const char* what) : name(wire_test::UniqueName(what)) {}
  ~NamedEventFixture() { RemoveSharedObject(name); }
  std::u16string name;
};

TEST(PlatformSync, NamedEventReleasesOneWaiterPerSignal) {
  NamedEventFixture names("event");
  Guard event = NamedEvent(names.name);
  Guard sameEvent = NamedEvent(names.name);  // a second opener shares the word
  ASSERT_TRUE(event && sameEvent);
  EXPECT_EQ(Wait(event.Get(), 0), WaitResult::kTimeout);
  std::atomic<int> woken{0};
  std::atomic<int> returned{0};
  const auto waiter = [&](Handle handle) {
    if (Wait(handle, kInfinite) == WaitResult::kFirst) ++woken;
    ++returned;
    returned.notify_all();
  };
  std::thread a(waiter, event.Get());
  std::thread b(waiter, sameEvent.Get());
  // The second signal is given only once a waiter has returned, so that the two cannot fall
  // together; whether the waiters already wait or come later makes no difference.
  ASSERT_EQ(0, SetEvent(sameEvent.Get()));
  returned.wait(0);
  ASSERT_EQ(0, SetEvent(event.Get()));
  a.join();
  b.join();
  EXPECT_EQ(woken.load(), 2);
  // Had the first signal woken both waiters, the second would still be there.
  EXPECT_EQ(Wait(event.Get(), 0), WaitResult::kTimeout);
}

TEST(PlatformSync, ManualEventStaysSetForEveryWaiter) {
  Guard event = ManualEvent();
  ASSERT_EQ(0, SetEvent(event.Get()));
  EXPECT_EQ(Wait(event.Get(), 0), WaitResult::kFirst);
  EXPECT_EQ(Wait(event.Get(), 0), WaitResult::kFirst);
  ASSERT_EQ(0, ResetEvent(event.Get()));
  // A time-out is waited out in full: a machine under load can only make the wait longer.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Wait(event.Get(), 30), WaitResult::kTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST(PlatformSync, WaitForEitherPrefersTheFirstAndLeavesTheSecondSignalled) {
  NamedEventFixture names("either");
  Guard stop = ManualEvent();
  Guard request = NamedEvent(names.name);
  EXPECT_EQ(Either(stop.Get(), request.Get(), 10), WaitResult::kTimeout);
  SetEvent(request.Get());
  SetEvent(stop.Get());
  EXPECT_EQ(Either(stop.Get(), request.Get(), 0), WaitResult::kFirst);
  ResetEvent(stop.Get());
  EXPECT_EQ(Either(stop.Get(), request.Get(), 0), WaitResult::kSecond);
  EXPECT_EQ(Either(stop.Get(), request.Get(), 0), WaitResult::kTimeout);  // consumed

  // A waiter without a time-out returns when either one is set from another thread.
  for (bool setStop : {false, true}) {
    std::thread setter([&] { SetEvent(setStop ? stop.Get() : request.Get()); });
    EXPECT_EQ(Either(stop.Get(), request.Get(), kInfinite),
              setStop ? WaitResult::kFirst : WaitResult::kSecond);
    setter.join();
  }
  WaitResult result;
  EXPECT_EQ(WaitForEither(stop.Get(), nullptr, 0, result), EINVAL);
}

TEST(PlatformSync, MutexAbandonedByADeadOwnerIsTakenOver) {
  NamedEventFixture names("mutex");
  Guard mutex;
  ASSERT_EQ(0, CreateNamedMutex(names.name, nullptr, mutex));
  // A thread that ends while holding a robust mutex abandons it, as a dead process would.
  std::thread owner([&] {
    bool abandoned = true;
    EXPECT_EQ(WaitForMutex(mutex.Get(), abandoned), 0);
    EXPECT_FALSE(abandoned);
  });
  owner.join();
  bool abandoned = false;
  EXPECT_EQ(WaitForMutex(mutex.Get(), abandoned), 0);
  EXPECT_TRUE(abandoned);
  EXPECT_EQ(0, ReleaseMutex(mutex.Get()));
  EXPECT_EQ(WaitForMutex(mutex.Get(), abandoned), 0);
  EXPECT_FALSE(abandoned);
  EXPECT_EQ(0, ReleaseMutex(mutex.Get()));
  EXPECT_EQ(WaitForMutex(nullptr, abandoned), EINVAL);
}

TEST(PlatformThread, BodyWaitsForResumeAndReportsItsExitCode) {
  bodyRuns = 0;
  uint32_t code = 42;
  uint32_t id = 0;
  Guard thread = SuspendedThread(&code, id);
  ASSERT_TRUE(thread);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, CurrentThreadId());
  EXPECT_EQ(bodyRuns.load(), 0);
  uint32_t exitCode = 0;
  ASSERT_EQ(0, GetThreadExitCode(thread.Get(), exitCode));
  EXPECT_EQ(exitCode, kStillActive);
  ASSERT_EQ(0, ResumeThread(thread.Get()));
  EXPECT_EQ(Wait(thread.Get(), kInfinite), WaitResult::kFirst);
  ASSERT_EQ(0, GetThreadExitCode(thread.Get(), exitCode));
  EXPECT_EQ(exitCode, 42u);
  EXPECT_EQ(bodyRuns.load(), 1);
  EXPECT_EQ(EINVAL, SetEvent(thread.Get()));  // a thread is waitable but not an event
}

TEST(PlatformThread, ThreadNeverResumedEndsWithoutRunningItsBody) {
  bodyRuns = 0;
  uint32_t code = 1;
  uint32_t id = 0;
  Guard thread = SuspendedThread(&code, id);
  ASSERT_EQ(0, TerminateSuspendedThread(thread.Get(), 9));
  EXPECT_EQ(Wait(thread.Get(), kInfinite), WaitResult::kFirst);
  uint32_t exitCode = 0;
  ASSERT_EQ(0, GetThreadExitCode(thread.Get(), exitCode));
  EXPECT_EQ(exitCode, 9u);
  EXPECT_EQ(bodyRuns.load(), 0);
  // Closing the handle of a thread still at its gate lets it end too.
  SuspendedThread(&code, id).Reset();
  EXPECT_EQ(bodyRuns.load(), 0);
}

}  // namespace
