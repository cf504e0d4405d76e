#include "platform/events.h"

#include <sys/mman.h>

#include <atomic>
#include <cerrno>

#include "platform/posix/futex.h"
#include "platform/posix/shared_object.h"
#include "platform/posix/waitable.h"

namespace zel::platform {

namespace {

// Layout shared with every other process that opens the event: one futex word at offset 0,
// 0 = not signalled, 1 = signalled; a new object is zero-filled and so starts not signalled.
constexpr int64_t kObjectSize = 64;

struct NamedEvent : SharedObject, Waitable {
  NamedEvent(int descriptor, void* mapped) : SharedObject(descriptor), view(mapped) {}
  ~NamedEvent() override { munmap(view, kObjectSize); }
  uint32_t* Word() override { return static_cast<uint32_t*>(view); }
  bool AutoReset() const override { return true; }
  void* view;
};

struct ManualResetEvent : KernelObject, Waitable {
  uint32_t* Word() override { return &word; }
  bool AutoReset() const override { return false; }
  alignas(4) uint32_t word = 0;
};

// Events only: a thread handle is waitable too, but nobody may signal it.
Waitable* AsEvent(Handle handle) {
  if (auto* named = dynamic_cast<NamedEvent*>(handle)) return named;
  return dynamic_cast<ManualResetEvent*>(handle);
}

}  // namespace

bool Waitable::TryConsume() {
  std::atomic_ref<uint32_t> word(*Word());
  if (!AutoReset()) return word.load(std::memory_order_acquire) != 0;
  uint32_t expected = 1;
  return word.compare_exchange_strong(expected, 0, std::memory_order_acq_rel);
}

int32_t CreateNamedEvent(const std::u16string& name, const SecurityAttributes* attributes,
                         HandleGuard& event) {
  void* view = nullptr;
  const int fd = OpenSmallObject(name, kObjectSize, attributes, view);
  if (fd < 0) return errno;
  event.Reset(new NamedEvent(fd, view));
  return 0;
}

int32_t CreateManualResetEvent(HandleGuard& event) {
  event.Reset(new ManualResetEvent());
  return 0;
}

int32_t SetEvent(Handle event) {
  Waitable* object = AsEvent(event);
  if (object == nullptr) return EINVAL;
  std::atomic_ref<uint32_t>(*object->Word()).store(1, std::memory_order_release);
  // An auto-reset event releases one waiter per signal; a manual-reset one releases them all.
  futex::Wake(object->Word(), object->AutoReset() ? 1 : 0x7FFFFFFF);
  return 0;
}

int32_t ResetEvent(Handle event) {
  Waitable* object = AsEvent(event);
  if (object == nullptr) return EINVAL;
  std::atomic_ref<uint32_t>(*object->Word()).store(0, std::memory_order_release);
  return 0;
}

}  // namespace zel::platform
