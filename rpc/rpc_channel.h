// One direction of the transport: a named shared mapping holding a ring of variable-length
// messages, a named mutex guarding the ring's bookkeeping and a named auto-reset event telling the
// consumer that something was posted. Producer and consumer write and read payloads in place; only
// the ring operations take the mutex.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/handle.h"
#include "platform/shared_memory.h"
#include "rpc/rpc_layout.h"
#include "util/base_guard.h"

namespace vesku_rpc {

// A message handed out by the ring: its payload, its header and the payload length.
struct RpcSlot {
  void* payload = nullptr;
  RpcMessage* message = nullptr;
  int32_t length = 0;
};

class CRpcChannel {
 public:
  CRpcChannel() = default;
  ~CRpcChannel();
  CRpcChannel(const CRpcChannel&) = delete;
  CRpcChannel& operator=(const CRpcChannel&) = delete;

  // Creates (viewer side) or opens (host side) the channel of base name `name` and `size` bytes.
  // Returns 0, the system error code, 1 for a negative size or 13 for a header that does not
  // describe a ring of that size.
  int32_t Open(const std::u16string& name, int32_t size, bool create,
               const zel::platform::SecurityAttributes* securityAttributes,
               const std::u16string& prefix);

  // Removes the names of a channel's objects; for the side that created them. Returns 0 or the
  // first failure's system error code; every name is tried.
  static int32_t Remove(const std::u16string& name, int32_t size, const std::u16string& prefix);

  // Leaves the mapping, mutex and event to the current user alone. Returns 0 or the error code.
  int32_t RestrictAccess();

  // Room for a payload of `length` bytes, or nothing when the ring has none. Never waits.
  std::optional<RpcSlot> Allocate(int32_t length);

  // Allocate, retried after random pauses of up to 99 ms until the pauses would exceed
  // `timeoutMs`; then throws "Timeout".
  RpcSlot AllocateWait(int32_t length, int32_t timeoutMs);

  // Publishes a message whose payload, correlation and status are written, and signals the event.
  void Post(RpcMessage* message);

  // The oldest posted message, now taken by the caller, or nothing.
  std::optional<RpcSlot> TakeNext();

  // Gives the message's space back to the ring (at once, or when the oldest message reaches it).
  void FreeMessage(RpcMessage* message);

  // Increments `closed` and signals the event, so a waiting peer wakes up and sees it.
  void MarkClosed();

  // Sets an event; throws "Handle was released" for a null handle, "Can't set event." on failure.
  static void Signal(zel::platform::Handle event);

  // Waits for the channel's event (consuming its signal); false on time-out.
  bool WaitForSignal(uint32_t timeoutMs);

  const vesku::CBaseGuard<vesku::HandleImpl>& EventHandle() const { return event_; }
  RpcChannelHeader* Header() const { return static_cast<RpcChannelHeader*>(view_.Get().address); }
  int32_t Capacity() const { return capacity_; }

 private:
  class Lock;
  struct ObjectNames {
    std::u16string mapping;
    std::u16string mutex;
    std::u16string event;
  };

  // The names of the mapping, mutex and event; throws "Cannot convert" if the size cannot be
  // written out.
  static ObjectNames MakeNames(const std::u16string& name, int32_t size,
                               const std::u16string& prefix);
  int32_t OpenObjects(const ObjectNames& names, int32_t size, bool create,
                      const zel::platform::SecurityAttributes* securityAttributes);
  void Close() noexcept;
  RpcMessage* At(int64_t offset) const;
  int64_t OffsetOf(const RpcMessage* message) const;
  // NextMessage and AdvanceHead are only used under the mutex.
  RpcMessage* NextMessage(RpcMessage* message, int32_t* size) const;
  void AdvanceHead(int32_t size);
  void ResetRing();

  vesku::CBaseGuard<vesku::HandleImpl> mapping_;
  vesku::CBaseGuard<vesku::HandleImpl> mutex_;
  vesku::CBaseGuard<vesku::HandleImpl> event_;
  zel::platform::MappedView view_;
  int32_t capacity_ = 0;
  unsigned char* data_ = nullptr;
};

}  // namespace vesku_rpc
