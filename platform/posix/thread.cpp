#include "platform/thread.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>

#include "platform/posix/futex.h"
#include "platform/posix/kernel_object.h"
#include "platform/posix/waitable.h"

namespace zel::platform {

namespace {

enum : uint32_t { kGateClosed = 0, kGateOpen = 1, kGateCancelled = 2 };

// Shared by the handle and the running thread: either may go first (a thread may close its own
// handle, and a handle may be closed while its thread still runs).
struct ThreadControl {
  ThreadEntry entry = nullptr;
  void* argument = nullptr;
  pthread_t thread{};
  alignas(4) uint32_t started = 0;
  alignas(4) uint32_t gate = kGateClosed;
  alignas(4) uint32_t done = 0;
  uint32_t threadId = 0;
  uint32_t exitCode = kStillActive;
  uint32_t cancelCode = 0;  // written before the gate is cancelled, read by the thread after
};

std::atomic_ref<uint32_t> Atomic(uint32_t& word) { return std::atomic_ref<uint32_t>(word); }

void WaitWhile(uint32_t& word, uint32_t value) {
  while (Atomic(word).load(std::memory_order_acquire) == value) futex::Wait(&word, value, nullptr);
}

void Publish(uint32_t& word, uint32_t value) {
  Atomic(word).store(value, std::memory_order_release);
  futex::Wake(&word, 0x7FFFFFFF);
}

void* ThreadMain(void* argument) {
  std::shared_ptr<ThreadControl> control;
  {
    std::unique_ptr<std::shared_ptr<ThreadControl>> handover(
        static_cast<std::shared_ptr<ThreadControl>*>(argument));
    control = std::move(*handover);
  }
  control->threadId = static_cast<uint32_t>(gettid());
  Publish(control->started, 1);
  // The gate: the body runs only once the creator has finished recording the thread.
  WaitWhile(control->gate, kGateClosed);
  if (Atomic(control->gate).load(std::memory_order_acquire) == kGateOpen) {
    control->exitCode = control->entry(control->argument);
  } else {
    control->exitCode = control->cancelCode;
  }
  Publish(control->done, 1);
  return nullptr;
}

struct ThreadObject : KernelObject, Waitable {
  explicit ThreadObject(std::shared_ptr<ThreadControl> shared) : control(std::move(shared)) {}
  ~ThreadObject() override {
    // A thread that was never resumed would wait at its gate forever.
    uint32_t closed = kGateClosed;
    if (Atomic(control->gate).compare_exchange_strong(closed, kGateCancelled)) {
      futex::Wake(&control->gate, 1);
    }
    // Join a thread that has finished (unless it is closing its own handle); let one that still
    // runs end on its own.
    if (Atomic(control->done).load(std::memory_order_acquire) != 0 &&
        !pthread_equal(control->thread, pthread_self())) {
      pthread_join(control->thread, nullptr);
    } else {
      pthread_detach(control->thread);
    }
  }
  uint32_t* Word() override { return &control->done; }
  bool AutoReset() const override { return false; }
  std::shared_ptr<ThreadControl> control;
};

}  // namespace

int32_t CreateSuspendedThread(ThreadEntry entry, void* argument, HandleGuard& thread,
                              uint32_t& threadId) {
  auto control = std::make_shared<ThreadControl>();
  control->entry = entry;
  control->argument = argument;
  auto* handover = new std::shared_ptr<ThreadControl>(control);
  const int error = pthread_create(&control->thread, nullptr, ThreadMain, handover);
  if (error != 0) {
    delete handover;
    return error;
  }
  WaitWhile(control->started, 0);
  threadId = control->threadId;
  thread.Reset(new ThreadObject(std::move(control)));
  return 0;
}

int32_t ResumeThread(Handle thread) {
  auto* object = As<ThreadObject>(thread);
  if (object == nullptr) return EINVAL;
  uint32_t closed = kGateClosed;
  Atomic(object->control->gate).compare_exchange_strong(closed, kGateOpen);
  futex::Wake(&object->control->gate, 1);
  return 0;
}

int32_t TerminateSuspendedThread(Handle thread, uint32_t exitCode) {
  auto* object = As<ThreadObject>(thread);
  if (object == nullptr) return EINVAL;
  object->control->cancelCode = exitCode;
  uint32_t closed = kGateClosed;
  if (!Atomic(object->control->gate).compare_exchange_strong(closed, kGateCancelled)) {
    return EBUSY;  // it runs already
  }
  futex::Wake(&object->control->gate, 1);
  return 0;
}

int32_t GetThreadExitCode(Handle thread, uint32_t& exitCode) {
  auto* object = As<ThreadObject>(thread);
  if (object == nullptr) return EINVAL;
  exitCode = Atomic(object->control->done).load(std::memory_order_acquire) != 0
                 ? object->control->exitCode
                 : kStillActive;
  return 0;
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(gettid()); }

uint32_t CurrentProcessId() { return static_cast<uint32_t>(getpid()); }

}  // namespace zel::platform
