// Threads owned by reference-counted objects. The starter and the running thread each hold a
// reference, so the object lives until both are done with it, whichever finishes first. Each start
// gets a fresh ThreadInfo record with the thread's handle and a manual-reset stop event that the
// body watches.
#pragma once

#include <cstdint>
#include <mutex>
#include <stdexcept>

#include "platform/critical_section.h"
#include "util/base_guard.h"
#include "util/ref_object.h"

namespace vesku {

class ThreadInfo : public vesk::CCommonRefObject2 {
 public:
  // Creates the stop event (manual reset, not signalled); throws "Can't create event.".
  ThreadInfo();

  CBaseGuard<HandleImpl> threadHandle;
  CBaseGuard<HandleImpl> stopEvent;
  uint32_t threadId = 0;
};

class IThreadExecutable {
 public:
  virtual ~IThreadExecutable() = default;
  virtual uint32_t Execute() = 0;
  virtual void ReleaseThreadRef() = 0;
};

// Signals the record's stop event; throws "Can't set event." when that fails.
void RequestStop(ThreadInfo& info);

// Waits without a time-out until the recorded thread has ended (at once if there is none).
void WaitForThreadEnd(ThreadInfo& info);

namespace detail {
// StartThread's work, done while the caller holds the object's critical section.
void StartLocked(IThreadExecutable& executable, vesk::IRefObject& object,
                 vesk::CRefPtr<ThreadInfo>& currentInfo);
}  // namespace detail

template <class T>
class SharedThread;

// Starts the object's thread; the object must be held by a CRefPtr. Throws
// "Thread.CannotStartTwice" while a thread handle is recorded.
template <class T>
void StartThread(SharedThread<T>& object);

template <class T>
class SharedThread : public IThreadExecutable, public vesk::CCommonRefObject2, public T {
 public:
  SharedThread() {
    if (section_.InitializationError() != 0)
      throw std::runtime_error("CS.CantInit.LackOfResources");
  }

  uint32_t Execute() override {
    vesk::CRefPtr<ThreadInfo> info = CurrentInfo();
    vesk::CRefPtr<SharedThread> self(this);
    return Run(self, info);
  }

  void ReleaseThreadRef() override { Release(); }

  // The record of the current (or last) start, referenced under the critical section.
  vesk::CRefPtr<ThreadInfo> CurrentInfo() {
    std::lock_guard lock(section_);
    return currentInfo_;
  }

  // Forgets the record after the thread has been joined, so the object could start again.
  void ClearCurrentInfo() {
    vesk::CRefPtr<ThreadInfo> old;
    std::lock_guard lock(section_);
    old = std::move(currentInfo_);
  }

 protected:
  // The thread body. It owns the two references it is given and drops them when it returns.
  virtual uint32_t Run(vesk::CRefPtr<SharedThread> self, vesk::CRefPtr<ThreadInfo> info) = 0;

 private:
  friend void StartThread<T>(SharedThread& object);

  zel::platform::CriticalSection section_;
  vesk::CRefPtr<ThreadInfo> currentInfo_;
};

template <class T>
void StartThread(SharedThread<T>& object) {
  // Held while the thread is created and resumed, so the body's Execute cannot read the record
  // before it is complete.
  std::lock_guard lock(object.section_);
  detail::StartLocked(object, object, object.currentInfo_);
}

}  // namespace vesku
