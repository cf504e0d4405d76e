// Intrusive reference counting. An object starts with count 0 and is handed at once to a CRefPtr,
// which brings it to 1; whichever thread drops the last reference destroys the object.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

namespace vesk {

// Holds one reference to a T (or nothing). Taking a new pointer references it before the old one
// is released, so assigning an object to a pointer that already holds it is safe.
template <class T>
class CRefPtr {
 public:
  CRefPtr() noexcept = default;
  CRefPtr(T* object) noexcept : object_(object) {  // NOLINT: adopting a raw object is the idiom
    if (object_ != nullptr) object_->AddRef();
  }
  CRefPtr(const CRefPtr& other) noexcept : CRefPtr(other.object_) {}
  CRefPtr(CRefPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <class U>
  CRefPtr(const CRefPtr<U>& other) noexcept : CRefPtr(other.Get()) {}
  virtual ~CRefPtr() {
    if (object_ != nullptr) object_->Release();
  }

  CRefPtr& operator=(T* object) noexcept {
    if (object != nullptr) object->AddRef();
    T* old = std::exchange(object_, object);
    if (old != nullptr) old->Release();
    return *this;
  }
  CRefPtr& operator=(const CRefPtr& other) noexcept { return *this = other.object_; }
  CRefPtr& operator=(CRefPtr&& other) noexcept {
    if (this != &other) {
      T* old = std::exchange(object_, std::exchange(other.object_, nullptr));
      if (old != nullptr) old->Release();
    }
    return *this;
  }

  T* Get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  T& operator*() const noexcept { return *object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }
  void Reset() noexcept { *this = static_cast<T*>(nullptr); }

 private:
  T* object_ = nullptr;
};

class IRefObject {
 public:
  virtual ~IRefObject() = default;
  // No object of the system exposes another interface; the answer is always empty.
  virtual CRefPtr<IRefObject> Query() = 0;
  virtual int32_t AddRef() = 0;
  virtual int32_t Release() = 0;
};

class CCommonRefObject2 : public IRefObject {
 public:
  CCommonRefObject2() = default;
  CCommonRefObject2(const CCommonRefObject2&) = delete;
  CCommonRefObject2& operator=(const CCommonRefObject2&) = delete;

  CRefPtr<IRefObject> Query() override { return {}; }
  int32_t AddRef() override { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
  int32_t Release() override {
    const int32_t left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) DeleteThis();
    return left;
  }

 protected:
  virtual void DeleteThis() { delete this; }

 private:
  std::atomic<int32_t> count_{0};
};

}  // namespace vesk
