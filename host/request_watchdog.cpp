#include "host/request_watchdog.h"

#include <algorithm>

#include "platform/crash_dump.h"
#include "platform/debug_output.h"
#include "platform/thread.h"
#include "platform/thread_fault.h"
#include "util/crash_handlers.h"

namespace zel {

RequestWatchdog::RequestWatchdog(const RequestTimeLimits& limits)
    : limits_(limits), thread_(&RequestWatchdog::Run, this) {}

RequestWatchdog::~RequestWatchdog() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

RequestWatchdog::Watch::Watch(RequestWatchdog& watchdog, vesku::RequestDeadline& deadline)
    : watchdog_(watchdog) {
  const Clock::time_point expires =
      Clock::now() + std::chrono::milliseconds(watchdog.limits_.limitMs);
  const Clock::time_point ends = expires + std::chrono::milliseconds(watchdog.limits_.graceMs);
  {
    std::lock_guard lock(watchdog.mutex_);
    entry_ = watchdog.entries_.insert(watchdog.entries_.end(),
                                      {&deadline, platform::CurrentThreadId(), expires, ends});
  }
  watchdog.changed_.notify_all();
}

RequestWatchdog::Watch::~Watch() {
  std::lock_guard lock(watchdog_.mutex_);
  watchdog_.entries_.erase(entry_);
}

void RequestWatchdog::Run() {
  // A fault on this thread must end in a dump like one on any other.
  const platform::CrashSignalStack crashStack;
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    const Clock::time_point now = Clock::now();
    Clock::time_point next = Clock::time_point::max();
    for (Entry& entry : entries_) {
      if (!entry.expired && now >= entry.expires) {
        entry.expired = true;
        entry.deadline->Expire();
      }
      if (entry.expired && now >= entry.ends) EndStuckRequest(entry.threadId);
      next = std::min(next, entry.expired ? entry.ends : entry.expires);
    }
    if (next == Clock::time_point::max()) {
      changed_.wait(lock);
    } else {
      changed_.wait_until(lock, next);
    }
  }
}

void RequestWatchdog::EndStuckRequest(uint32_t threadId) {
  platform::OutputDebugText("zelHost: a request ran past its time limit\r\n");
  // The crash handler runs on the stuck thread, writes the dump and ends the process. Should
  // that not happen, the process still ends, the same way.
  if (platform::FaultThread(threadId) == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(limits_.graceMs));
  }
  platform::ExitProcessNow(vesku::kCrashExitCode);
}

}  // namespace zel
