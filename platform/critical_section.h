// A lock for the threads of one process. Initialisation can fail when the system runs out of
// resources; the owner checks Initialized() and reports it.
#pragma once

#include <cstdint>

namespace zel::platform {

class CriticalSection {
 public:
  CriticalSection() noexcept;
  ~CriticalSection();
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  bool Initialized() const noexcept { return initialized_; }
  void lock() noexcept;
  void unlock() noexcept;

 private:
  alignas(16) unsigned char storage_[64];
  bool initialized_ = false;
};

}  // namespace zel::platform
