#include "util/request_deadline.h"

#include <algorithm>
#include <stdexcept>

namespace vesku {
namespace {

thread_local RequestDeadline* t_current = nullptr;

void Raise(int* flag) {
  // The library reads the flag without synchronisation while it works; the store is atomic so
  // that it is at least seen whole.
  std::atomic_ref<int>(*flag).store(1, std::memory_order_relaxed);
}

}  // namespace

void RequestDeadline::Expire() {
  std::lock_guard lock(mutex_);
  expired_.store(true, std::memory_order_release);
  for (int* flag : flags_) Raise(flag);
}

void RequestDeadline::AddAbortFlag(int* flag) {
  std::lock_guard lock(mutex_);
  flags_.push_back(flag);
  if (expired()) Raise(flag);
}

void RequestDeadline::RemoveAbortFlag(int* flag) {
  std::lock_guard lock(mutex_);
  flags_.erase(std::remove(flags_.begin(), flags_.end(), flag), flags_.end());
}

ScopedRequestDeadline::ScopedRequestDeadline(RequestDeadline& deadline) : previous_(t_current) {
  t_current = &deadline;
}

ScopedRequestDeadline::~ScopedRequestDeadline() { t_current = previous_; }

ScopedAbortFlag::ScopedAbortFlag(int* flag) : deadline_(t_current), flag_(flag) {
  if (deadline_ != nullptr) deadline_->AddAbortFlag(flag_);
}

ScopedAbortFlag::~ScopedAbortFlag() {
  if (deadline_ != nullptr) deadline_->RemoveAbortFlag(flag_);
}

void ThrowIfPastDeadline() {
  if (t_current != nullptr && t_current->expired()) {
    throw std::runtime_error("Time limit exceeded");
  }
}

}  // namespace vesku
