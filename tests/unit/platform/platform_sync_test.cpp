#include <gtest/gtest.h>

#include <atomic>
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

struct NamedEventFixture {
  explicit NamedEventFixture(const char* what) : name(wire_test::UniqueName(what)) {}
  ~NamedEventFixture() { RemoveSharedObject(name); }
  std::u16string name;
};

TEST(PlatformSync, NamedEventReleasesOneWaiterPerSignal) {
  NamedEventFixture names("event");
  Guard event(CreateNamedEvent(names.name, nullptr));
  Guard sameEvent(CreateNamedEvent(names.name, nullptr));  // a second opener shares the word
  ASSERT_TRUE(event && sameEvent);
  EXPECT_EQ(WaitForObject(event.Get(), 0), WaitResult::kTimeout);
  std::atomic<int> woken{0};
  std::thread a([&] { woken += WaitForObject(event.Get(), 2000) == WaitResult::kFirst; });
  std::thread b([&] { woken += WaitForObject(sameEvent.Get(), 2000) == WaitResult::kFirst; });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(SetEvent(sameEvent.Get()));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(woken.load(), 1);
  ASSERT_TRUE(SetEvent(event.Get()));
  a.join();
  b.join();
  EXPECT_EQ(woken.load(), 2);
  EXPECT_EQ(WaitForObject(event.Get(), 0), WaitResult::kTimeout);
}

TEST(PlatformSync, ManualEventStaysSetForEveryWaiter) {
  Guard event(CreateManualResetEvent());
  ASSERT_TRUE(SetEvent(event.Get()));
  EXPECT_EQ(WaitForObject(event.Get(), 0), WaitResult::kFirst);
  EXPECT_EQ(WaitForObject(event.Get(), 0), WaitResult::kFirst);
  ASSERT_TRUE(ResetEvent(event.Get()));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForObject(event.Get(), 30), WaitResult::kTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST(PlatformSync, WaitForEitherPrefersTheFirstAndLeavesTheSecondSignalled) {
  NamedEventFixture names("either");
  Guard stop(CreateManualResetEvent());
  Guard request(CreateNamedEvent(names.name, nullptr));
  EXPECT_EQ(WaitForEither(stop.Get(), request.Get(), 10), WaitResult::kTimeout);
  SetEvent(request.Get());
  SetEvent(stop.Get());
  EXPECT_EQ(WaitForEither(stop.Get(), request.Get(), 0), WaitResult::kFirst);
  ResetEvent(stop.Get());
  EXPECT_EQ(WaitForEither(stop.Get(), request.Get(), 0), WaitResult::kSecond);
  EXPECT_EQ(WaitForEither(stop.Get(), request.Get(), 0), WaitResult::kTimeout);  // consumed

  // A sleeping waiter returns as soon as either one is set from another thread.
  for (bool setStop : {false, true}) {
    std::thread setter([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      SetEvent(setStop ? stop.Get() : request.Get());
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForEither(stop.Get(), request.Get(), 10000),
              setStop ? WaitResult::kFirst : WaitResult::kSecond);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    setter.join();
  }
  EXPECT_EQ(WaitForEither(stop.Get(), nullptr, 0), WaitResult::kFailed);
}

TEST(PlatformSync, MutexAbandonedByADeadOwnerIsTakenOver) {
  NamedEventFixture names("mutex");
  Guard mutex(CreateNamedMutex(names.name, nullptr));
  ASSERT_TRUE(mutex);
  // A thread that ends while holding a robust mutex abandons it, as a dead process would.
  std::thread owner([&] { EXPECT_EQ(WaitForMutex(mutex.Get()), MutexWait::kAcquired); });
  owner.join();
  EXPECT_EQ(WaitForMutex(mutex.Get()), MutexWait::kAbandoned);
  EXPECT_TRUE(ReleaseMutex(mutex.Get()));
  EXPECT_EQ(WaitForMutex(mutex.Get()), MutexWait::kAcquired);
  EXPECT_TRUE(ReleaseMutex(mutex.Get()));
  EXPECT_EQ(WaitForMutex(nullptr), MutexWait::kFailed);
}

std::atomic<int> bodyRuns{0};

uint32_t CountingBody(void* argument) {
  ++bodyRuns;
  return *static_cast<uint32_t*>(argument);
}

TEST(PlatformThread, BodyWaitsForResumeAndReportsItsExitCode) {
  bodyRuns = 0;
  uint32_t code = 42;
  uint32_t id = 0;
  Guard thread(CreateSuspendedThread(CountingBody, &code, &id));
  ASSERT_TRUE(thread);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, CurrentThreadId());
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(bodyRuns.load(), 0);
  uint32_t exitCode = 0;
  ASSERT_TRUE(GetThreadExitCode(thread.Get(), &exitCode));
  EXPECT_EQ(exitCode, kStillActive);
  ASSERT_TRUE(ResumeThread(thread.Get()));
  EXPECT_EQ(WaitForObject(thread.Get(), 5000), WaitResult::kFirst);
  ASSERT_TRUE(GetThreadExitCode(thread.Get(), &exitCode));
  EXPECT_EQ(exitCode, 42u);
  EXPECT_EQ(bodyRuns.load(), 1);
  EXPECT_FALSE(SetEvent(thread.Get()));  // a thread is waitable but not an event
}

TEST(PlatformThread, ThreadNeverResumedEndsWithoutRunningItsBody) {
  bodyRuns = 0;
  uint32_t code = 1;
  Guard thread(CreateSuspendedThread(CountingBody, &code, nullptr));
  ASSERT_TRUE(TerminateSuspendedThread(thread.Get(), 9));
  EXPECT_EQ(WaitForObject(thread.Get(), 5000), WaitResult::kFirst);
  uint32_t exitCode = 0;
  ASSERT_TRUE(GetThreadExitCode(thread.Get(), &exitCode));
  EXPECT_EQ(exitCode, 9u);
  EXPECT_EQ(bodyRuns.load(), 0);
  // Closing the handle of a thread still at its gate lets it end too.
  Guard(CreateSuspendedThread(CountingBody, &code, nullptr)).Reset();
  EXPECT_EQ(bodyRuns.load(), 0);
}

}  // namespace
