#include "util/shared_thread.h"

#include "platform/events.h"
#include "platform/thread.h"
#include "platform/wait.h"
#include "util/exceptions.h"

namespace vesku {

namespace {

// The function every thread starts in. Whatever the body throws stays in the thread: the thread
// then ends with exit code 2, and its reference to the object is dropped in every case.
uint32_t ThreadEntry(void* argument) {
  auto* executable = static_cast<IThreadExecutable*>(argument);
  uint32_t exitCode = 2;
  try {
    exitCode = executable->Execute();
  } catch (...) {
    exitCode = 2;
  }
  executable->ReleaseThreadRef();
  return exitCode;
}

}  // namespace

ThreadInfo::ThreadInfo() {
  if (zel::platform::CreateManualResetEvent(stopEvent) != 0) {
    throw std::runtime_error("Can't create event.");
  }
}

void RequestStop(ThreadInfo& info) {
  if (zel::platform::SetEvent(info.stopEvent.Get()) != 0) {
    throw std::runtime_error("Can't set event.");
  }
}

void WaitForThreadEnd(ThreadInfo& info) {
  if (info.threadHandle.Empty()) return;
  zel::platform::WaitResult result;
  if (const int32_t error =
          zel::platform::WaitForObject(info.threadHandle.Get(), zel::platform::kInfinite, result);
      error != 0) {
    throw CWinException("WaitFailed", error);
  }
}

namespace detail {

void StartLocked(IThreadExecutable& executable, vesk::IRefObject& object,
                 vesk::CRefPtr<ThreadInfo>& currentInfo) {
  if (currentInfo && !currentInfo->threadHandle.Empty()) {
    throw std::runtime_error("Thread.CannotStartTwice");
  }
  // The record comes first: should it fail, no reference for a thread has been taken yet.
  vesk::CRefPtr<ThreadInfo> info(new ThreadInfo());
  currentInfo = info;
  object.AddRef();  // owned by the new thread, dropped by ThreadEntry
  uint32_t threadId = 0;
  CBaseGuard<HandleImpl> thread;
  if (const int32_t error =
          zel::platform::CreateSuspendedThread(ThreadEntry, &executable, thread, threadId);
      error != 0) {
    object.Release();
    throw CWinException("Thread.CannotResumeThread", error);
  }
  info->threadId = threadId;
  info->threadHandle = std::move(thread);
  if (zel::platform::ResumeThread(info->threadHandle.Get()) != 0) {
    zel::platform::TerminateSuspendedThread(info->threadHandle.Get(), 0);
    object.Release();
    throw std::runtime_error("Cannot resume thread");
  }
}

}  // namespace detail

}  // namespace vesku
