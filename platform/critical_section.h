// A lock for the threads of one process. Initialisation can fail when the system runs out of
// resources; the owner checks InitializationError() and reports it.
#pragma once

#include <cstdint>

namespace zel::platform {

class CriticalSection {
 public:
  CriticalSection() noexcept;
  ~CriticalSection();
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  // 0 when the lock is usable, else the system error code of its initialisation.
  int32_t InitializationError() const noexcept { return initializationError_; }
  void lock() noexcept;
  void unlock() noexcept;

 private:
  alignas(16) unsigned char storage_[64];
  int32_t initializationError_ = 0;
};

}  // namespace zel::platform
