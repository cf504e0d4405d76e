// The time limit of the request a thread serves, as seen by the code doing the work. The host's
// watchdog marks a request's deadline expired; work that can stop cleanly polls it (or hands the
// watchdog a flag to raise) and the request fails with "Time limit exceeded", while the host
// goes on serving. Outside a request (the command-line tools) no deadline is current.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

namespace vesku {

class RequestDeadline {
 public:
  bool expired() const { return expired_.load(std::memory_order_acquire); }

  // Marks the deadline expired and raises every registered abort flag. Called by the watchdog.
  void Expire();

  // An int that a library polls to abandon its work (MuPDF's cookie): set to 1 when the deadline
  // expires, at once if it already has.
  void AddAbortFlag(int* flag);
  void RemoveAbortFlag(int* flag);

 private:
  std::atomic<bool> expired_{false};
  std::mutex mutex_;
  std::vector<int*> flags_;
};

// Makes a deadline the calling thread's current one for the life of the object.
class ScopedRequestDeadline {
 public:
  explicit ScopedRequestDeadline(RequestDeadline& deadline);
  ~ScopedRequestDeadline();
  ScopedRequestDeadline(const ScopedRequestDeadline&) = delete;
  ScopedRequestDeadline& operator=(const ScopedRequestDeadline&) = delete;

 private:
  RequestDeadline* previous_;
};

// Registers `flag` with the calling thread's current deadline, if there is one, for the life of
// the object.
class ScopedAbortFlag {
 public:
  explicit ScopedAbortFlag(int* flag);
  ~ScopedAbortFlag();
  ScopedAbortFlag(const ScopedAbortFlag&) = delete;
  ScopedAbortFlag& operator=(const ScopedAbortFlag&) = delete;

 private:
  RequestDeadline* deadline_;
  int* flag_;
};

// Throws std::runtime_error "Time limit exceeded" when the calling thread's current deadline has
// expired; work that a library abandoned half-way must not pass for a result.
void ThrowIfPastDeadline();

}  // namespace vesku
