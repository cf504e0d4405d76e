// Owner of one handle-like resource, released on destruction through the traits' static Close().
// The traits name the resource type and, where "nothing" is not the value-initialised resource
// (null or 0), its empty value as kEmpty (a descriptor's -1). The empty value is never passed to
// Close. Guards move but never copy, so a resource has exactly one owner. Every kind of resource
// the platform hands out comes in one of these, with traits of its own.
#pragma once

#include <utility>

namespace zel::platform {

template <class Traits>
class Guard {
 public:
  using Resource = typename Traits::Resource;

  static constexpr Resource EmptyValue() {
    if constexpr (requires { Traits::kEmpty; }) {
      return Traits::kEmpty;
    } else {
      return Resource{};
    }
  }

  Guard() noexcept = default;
  explicit Guard(Resource resource) noexcept : resource_(resource) {}
  Guard(Guard&& other) noexcept : resource_(other.Release()) {}
  Guard& operator=(Guard&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;
  virtual ~Guard() { Reset(); }

  Resource Get() const noexcept { return resource_; }
  bool Empty() const noexcept { return resource_ == EmptyValue(); }
  explicit operator bool() const noexcept { return !Empty(); }

  // Gives up ownership without closing.
  Resource Release() noexcept { return std::exchange(resource_, EmptyValue()); }

  // Closes the current resource (if any) and takes ownership of the new one.
  void Reset(Resource resource = EmptyValue()) noexcept {
    Resource old = std::exchange(resource_, resource);
    if (!(old == EmptyValue())) Traits::Close(old);
  }

 private:
  Resource resource_ = EmptyValue();
};

}  // namespace zel::platform
