// Time limits of requests. One thread watches every request in flight: at its time limit a
// request's deadline expires, so work that can stop cleanly (the PDF renderer) stops and the
// request gets an error reply while the host goes on serving. A request still running a grace
// period later is inside code that cannot be interrupted safely (a decoder's loop); its thread is
// ended through the crash path — a dump that shows where it was, exit code 2 — and the viewer
// starts a new host.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <thread>

#include "util/request_deadline.h"

namespace zel {

struct RequestTimeLimits {
  int32_t limitMs = 0;  // until the request's deadline expires
  int32_t graceMs = 0;  // from then until the host ends itself
};

class RequestWatchdog {
  using Clock = std::chrono::steady_clock;

  struct Entry {
    vesku::RequestDeadline* deadline;
    uint32_t threadId;
    Clock::time_point expires;
    Clock::time_point ends;
    bool expired = false;
  };

 public:
  explicit RequestWatchdog(const RequestTimeLimits& limits);
  // Stops watching; no request may be in flight any more.
  ~RequestWatchdog();
  RequestWatchdog(const RequestWatchdog&) = delete;
  RequestWatchdog& operator=(const RequestWatchdog&) = delete;

  // Watches the calling thread's request, whose deadline is `deadline`, for the life of the
  // object.
  class Watch {
   public:
    Watch(RequestWatchdog& watchdog, vesku::RequestDeadline& deadline);
    ~Watch();
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

   private:
    RequestWatchdog& watchdog_;
    std::list<Entry>::iterator entry_;
  };

 private:
  void Run();
  [[noreturn]] void EndStuckRequest(uint32_t threadId);

  const RequestTimeLimits limits_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::list<Entry> entries_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace zel
