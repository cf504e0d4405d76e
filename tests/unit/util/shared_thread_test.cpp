#include "util/shared_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "platform/thread.h"
#include "platform/wait.h"

namespace {

using vesk::CRefPtr;
using vesku::ThreadInfo;

struct TestPolicy {};

// Records what happened to it; the test owns the flags, so they outlive the object.
struct Trace {
  std::atomic<bool> destroyed{false};
  std::atomic<uint32_t> destroyedOn{0};
  std::atomic<bool> sawStop{false};
};

class Worker : public vesku::SharedThread<TestPolicy> {
 public:
  enum class Body { kWaitForStop, kThrow, kReturnAtOnce };
  Worker(Trace& trace, Body body) : trace_(trace), body_(body) {}
  ~Worker() override {
    trace_.destroyedOn = zel::platform::CurrentThreadId();
    trace_.destroyed = true;
    trace_.destroyed.notify_all();
  }

 protected:
  uint32_t Run(CRefPtr<SharedThread> /*self*/, CRefPtr<ThreadInfo> info) override {
    if (body_ == Body::kThrow) throw std::runtime_error("body failed");
    if (body_ == Body::kWaitForStop) {
      zel::platform::WaitResult result = zel::platform::WaitResult::kTimeout;
      trace_.sawStop = zel::platform::WaitForObject(info->stopEvent.Get(), zel::platform::kInfinite,
                                                    result) == 0 &&
                       result == zel::platform::WaitResult::kFirst;
    }
    return 7;
  }

 private:
  Trace& trace_;
  Body body_;
};

uint32_t ExitCode(ThreadInfo& info) {
  uint32_t code = 0;
  EXPECT_EQ(0, zel::platform::GetThreadExitCode(info.threadHandle.Get(), code));
  return code;
}

TEST(SharedThread, StopRequestedBeforeTheWaitStillStopsTheThread) {
  Trace trace;
  CRefPtr<Worker> worker(new Worker(trace, Worker::Body::kWaitForStop));
  vesku::StartThread(*worker);
  CRefPtr<ThreadInfo> info = worker->CurrentInfo();
  ASSERT_TRUE(info);
  EXPECT_NE(info->threadId, 0u);
  vesku::RequestStop(*info);
  vesku::WaitForThreadEnd(*info);
  EXPECT_TRUE(trace.sawStop);
  EXPECT_EQ(ExitCode(*info), 7u);
  EXPECT_FALSE(trace.destroyed);  // the starter still holds it
  worker.Reset();
  EXPECT_TRUE(trace.destroyed);
}

TEST(SharedThread, SecondStartFailsAndLeavesTheFirstThreadRunning) {
  Trace trace;
  CRefPtr<Worker> worker(new Worker(trace, Worker::Body::kWaitForStop));
  vesku::StartThread(*worker);
  CRefPtr<ThreadInfo> first = worker->CurrentInfo();
  try {
    vesku::StartThread(*worker);
    FAIL() << "started twice";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Thread.CannotStartTwice");
  }
  EXPECT_EQ(worker->CurrentInfo().Get(), first.Get());
  zel::platform::WaitResult result = zel::platform::WaitResult::kFirst;
  EXPECT_EQ(zel::platform::WaitForObject(first->threadHandle.Get(), 50, result), 0);
  EXPECT_EQ(result, zel::platform::WaitResult::kTimeout);
  vesku::RequestStop(*first);
  vesku::WaitForThreadEnd(*first);

  // Once the record is cleared the object may run again.
  worker->ClearCurrentInfo();
  vesku::StartThread(*worker);
  CRefPtr<ThreadInfo> second = worker->CurrentInfo();
  EXPECT_NE(second.Get(), first.Get());
  vesku::RequestStop(*second);
  vesku::WaitForThreadEnd(*second);
}

TEST(SharedThread, ThrowingBodyEndsWithExitCodeTwoAndDropsItsReference) {
  Trace trace;
  CRefPtr<ThreadInfo> info;
  {
    CRefPtr<Worker> worker(new Worker(trace, Worker::Body::kThrow));
    vesku::StartThread(*worker);
    info = worker->CurrentInfo();
    vesku::WaitForThreadEnd(*info);
  }
  EXPECT_EQ(ExitCode(*info), 2u);
  // The thread may still be between its return from the body and the end of its entry function
  // when the wait returns; its reference goes right after, and with it the object.
  trace.destroyed.wait(false);
}

TEST(SharedThread, ThreadDropsTheLastReferenceItself) {
  Trace trace;
  CRefPtr<ThreadInfo> info;
  {
    CRefPtr<Worker> worker(new Worker(trace, Worker::Body::kWaitForStop));
    vesku::StartThread(*worker);
    info = worker->CurrentInfo();
  }
  // The starter's reference to the object is gone while the thread still waits; only then is it
  // told to stop, so the thread's own reference is the last one and it destroys the object.
  EXPECT_FALSE(trace.destroyed);
  const uint32_t threadId = info->threadId;
  vesku::RequestStop(*info);
  trace.destroyed.wait(false);
  EXPECT_EQ(trace.destroyedOn.load(), threadId);
}

TEST(RefPtr, CountsReferencesAcrossCopiesMovesAndSelfAssignment) {
  Trace trace;
  {
    CRefPtr<Worker> a(new Worker(trace, Worker::Body::kReturnAtOnce));
    CRefPtr<Worker> b = a;
    CRefPtr<Worker> c = std::move(b);
    EXPECT_FALSE(b);
    a = a.Get();
    c = a;
    vesk::CRefPtr<vesk::IRefObject> base(a);
    EXPECT_FALSE(base->Query());
    a.Reset();
    c.Reset();
    EXPECT_FALSE(trace.destroyed);
  }
  EXPECT_TRUE(trace.destroyed);
}

}  // namespace
