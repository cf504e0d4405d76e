// Owner of one handle-like resource, released on destruction through the policy's static
// Close(). A policy names its resource type; the value-initialised resource (null or 0) means
// "empty" and is never passed to Close. Guards move but never copy, so a resource has exactly
// one owner.
#pragma once

#include <utility>

#include "platform/handle.h"

namespace vesku {

template <class Impl>
class CBaseGuard {
 public:
  using Resource = typename Impl::Resource;

  CBaseGuard() noexcept = default;
  explicit CBaseGuard(Resource resource) noexcept : resource_(resource) {}
  CBaseGuard(CBaseGuard&& other) noexcept : resource_(other.Release()) {}
  CBaseGuard& operator=(CBaseGuard&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  CBaseGuard(const CBaseGuard&) = delete;
  CBaseGuard& operator=(const CBaseGuard&) = delete;
  virtual ~CBaseGuard() { Reset(); }

  Resource Get() const noexcept { return resource_; }
  bool Empty() const noexcept { return resource_ == Resource{}; }
  explicit operator bool() const noexcept { return !Empty(); }

  // Gives up ownership without closing.
  Resource Release() noexcept { return std::exchange(resource_, Resource{}); }

  // Closes the current resource (if any) and takes ownership of the new one.
  void Reset(Resource resource = Resource{}) noexcept {
    Resource old = std::exchange(resource_, resource);
    if (old != Resource{}) Impl::Close(old);
  }

 private:
  Resource resource_{};
};

// Policy for the platform's system-object handles.
struct HandleImpl {
  using Resource = zel::platform::Handle;
  static void Close(Resource handle) noexcept { zel::platform::CloseHandle(handle); }
};

}  // namespace vesku
