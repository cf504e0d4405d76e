#include "rpc/rpc_channel.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "platform/events.h"
#include "platform/named_mutex.h"
#include "platform/wait.h"
#include "util/exceptions.h"

namespace vesku_rpc {

namespace {

constexpr int32_t kBadHeader = 13;
constexpr int32_t kNegativeSize = 1;

// The other process changes these words at any time; each is read exactly once per use, so a
// value that was checked is the value that is used.
int32_t Load(const int32_t& field) { return __atomic_load_n(&field, __ATOMIC_RELAXED); }
void Store(int32_t& field, int32_t value) { __atomic_store_n(&field, value, __ATOMIC_RELAXED); }

// The size a message header claims, or -1 when it cannot be a message of this ring.
int64_t MessageSize(const RpcMessage& message, int32_t capacity) {
  const int32_t length = Load(message.length);
  const int32_t padding = Load(message.padding);
  if (length < 0 || padding < 0) return -1;
  const int64_t size = int64_t{kMessageHeaderSize} + length + padding;
  return size <= capacity ? size : -1;
}

[[noreturn]] void InternalError() { throw std::runtime_error("Internal error"); }

}  // namespace

// Holds the channel's named mutex for one ring operation. A mutex left behind by a peer that died
// is simply taken over; one that cannot be taken at all stops the operation, since touching the
// ring without it could corrupt the peer's view.
class CRpcChannel::Lock {
 public:
  explicit Lock(zel::platform::Handle mutex) : mutex_(mutex) {
    bool abandoned = false;
    if (const int32_t error = zel::platform::WaitForMutex(mutex_, abandoned); error != 0) {
      throw vesku::CWinException("WaitFailed", error);
    }
  }
  ~Lock() { zel::platform::ReleaseMutex(mutex_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  zel::platform::Handle mutex_;
};

CRpcChannel::ObjectNames CRpcChannel::MakeNames(const std::u16string& name, int32_t size,
                                                const std::u16string& prefix) {
  char digits[16];
  const auto [end, error] = std::to_chars(digits, digits + sizeof(digits), size);
  if (error != std::errc()) throw std::runtime_error("Cannot convert");
  const std::u16string key = name + u"_" + std::u16string(digits, end);
  return {prefix + u"s_" + key, prefix + u"ml_" + key, prefix + u"dre_" + key};
}

CRpcChannel::~CRpcChannel() { Close(); }

void CRpcChannel::Close() noexcept {
  view_.Reset();
  data_ = nullptr;
  capacity_ = 0;
  event_.Reset();
  mutex_.Reset();
  mapping_.Reset();
}

int32_t CRpcChannel::Open(const std::u16string& name, int32_t size, bool create,
                          const zel::platform::SecurityAttributes* securityAttributes,
                          const std::u16string& prefix) {
  Close();
  const int32_t result =
      OpenObjects(MakeNames(name, size, prefix), size, create, securityAttributes);
  // A channel that did not open holds nothing, so every later operation fails cleanly instead of
  // reaching into a half-validated view.
  if (result != 0) Close();
  return result;
}

int32_t CRpcChannel::OpenObjects(const ObjectNames& names, int32_t size, bool create,
                                 const zel::platform::SecurityAttributes* securityAttributes) {
  namespace platform = zel::platform;
  if (const int32_t error =
          create ? platform::CreateSharedMemory(names.mapping, size, securityAttributes, mapping_)
                 : platform::OpenSharedMemory(names.mapping, mapping_);
      error != 0) {
    return error;
  }
  if (const int32_t error = platform::CreateNamedMutex(names.mutex, securityAttributes, mutex_);
      error != 0) {
    return error;
  }
  if (const int32_t error = platform::CreateNamedEvent(names.event, securityAttributes, event_);
      error != 0) {
    return error;
  }
  if (size < 0) return kNegativeSize;
  // Too small for the header and one byte of data: no ring of this size can exist.
  if (size <= kChannelHeaderSize) return kBadHeader;
  if (const int32_t error = platform::MapView(mapping_.Get(), size, view_); error != 0) {
    return error;
  }
  RpcChannelHeader* header = Header();
  if (create) {
    Store(header->dataOffset, kChannelHeaderSize);
    Store(header->count, 0);
    Store(header->capacity, size - kChannelHeaderSize);
    Store(header->closed, 0);
    Store(header->head, 0);
    Store(header->tail, 0);
  }
  const int32_t capacity = Load(header->capacity);
  if (Load(header->dataOffset) != kChannelHeaderSize || capacity < 1 ||
      capacity > size - kChannelHeaderSize) {
    return kBadHeader;
  }
  capacity_ = capacity;
  data_ = static_cast<unsigned char*>(view_.Get().address) + kChannelHeaderSize;
  return 0;
}

int32_t CRpcChannel::Remove(const std::u16string& name, int32_t size,
                            const std::u16string& prefix) {
  const ObjectNames names = MakeNames(name, size, prefix);
  int32_t first = 0;
  for (const std::u16string* object : {&names.mapping, &names.mutex, &names.event}) {
    const int32_t error = zel::platform::RemoveSharedObject(*object);
    if (first == 0) first = error;
  }
  return first;
}

int32_t CRpcChannel::RestrictAccess() {
  if (const int32_t error = zel::platform::RestrictToOwner(mapping_.Get()); error != 0) {
    return error;
  }
  if (const int32_t error = zel::platform::RestrictToOwner(mutex_.Get()); error != 0) return error;
  if (event_.Empty()) throw std::runtime_error("Handle was released");
  return zel::platform::RestrictToOwner(event_.Get());
}

RpcMessage* CRpcChannel::At(int64_t offset) const {
  return reinterpret_cast<RpcMessage*>(data_ + offset);
}

int64_t CRpcChannel::OffsetOf(const RpcMessage* message) const {
  return reinterpret_cast<const unsigned char*>(message) - data_;
}

void CRpcChannel::ResetRing() {
  RpcChannelHeader* header = Header();
  Store(header->count, 0);
  Store(header->head, 0);
  Store(header->tail, 0);
}

std::optional<RpcSlot> CRpcChannel::Allocate(int32_t length) {
  Lock lock(mutex_.Get());
  if (length < 0 || length > capacity_) return std::nullopt;
  RpcChannelHeader* header = Header();
  if (Load(header->count) == 0) {
    Store(header->head, 0);
    Store(header->tail, 0);
  }
  const int32_t head = Load(header->head);
  const int32_t tail = Load(header->tail);
  const int32_t count = Load(header->count);
  // Every message takes at least its header, so a larger count cannot describe this ring (and
  // counting one more could overflow).
  if (head < 0 || head > capacity_ || tail < 0 || tail > capacity_ || count < 0 ||
      count > capacity_ / kMessageHeaderSize || tail % 8 != 0) {
    throw RpcNoDeliver();
  }
  if (tail == head && count > 0) return std::nullopt;  // full

  // 64-bit: a payload close to the 2 GiB limit would overflow the size in 32 bits.
  const int64_t padding = (8 - (kMessageHeaderSize + int64_t{length}) % 8) % 8;
  const int64_t size = kMessageHeaderSize + int64_t{length} + padding;
  int64_t place = 0;
  bool wrap = false;
  if (tail < head) {
    if (head - tail < size) return std::nullopt;
    place = tail;
  } else if (capacity_ - tail >= size) {
    place = tail;
  } else if (head >= size) {
    wrap = true;
  } else {
    return std::nullopt;
  }
  if (place > capacity_ || size > capacity_ - place) throw RpcNoDeliver();

  if (wrap) {
    // The last message grows to end at the end of the data area, so the upper part of a wrapped
    // ring is always covered without gaps.
    // The walk starts at the head message, which must be where a message can start.
    if (head % 8 != 0 || head > capacity_ - kMessageHeaderSize) throw RpcNoDeliver();
    RpcMessage* last = At(head);
    int32_t lastSize = 0;
    for (int32_t i = 1; i < count && last != nullptr; ++i) last = NextMessage(last, &lastSize);
    const int64_t lastLength = last != nullptr ? MessageSize(*last, capacity_) : -1;
    if (lastLength < 0 || OffsetOf(last) + lastLength != tail) throw RpcNoDeliver();
    Store(last->padding, Load(last->padding) + (capacity_ - tail));
  }

  Store(header->tail, static_cast<int32_t>(place + size));
  Store(header->count, count + 1);
  RpcMessage* message = At(place);
  __atomic_exchange_n(&message->state, Writing, __ATOMIC_ACQ_REL);
  Store(message->marker, 1);
  Store(message->length, length);
  Store(message->padding, static_cast<int32_t>(padding));
  Store(message->status, 0);
  return RpcSlot{reinterpret_cast<unsigned char*>(message) + kMessageHeaderSize, message, length};
}

RpcSlot CRpcChannel::AllocateWait(int32_t length, int32_t timeoutMs) {
  int64_t slept = 0;
  for (;;) {
    if (std::optional<RpcSlot> slot = Allocate(length)) return *slot;
    // Random pauses keep several waiting producers from retrying in lockstep.
    const int pause = rand() % 100;
    slept += pause;
    if (slept > timeoutMs) throw std::runtime_error("Timeout");
    std::this_thread::sleep_for(std::chrono::milliseconds(pause));
  }
}

void CRpcChannel::Post(RpcMessage* message) {
  // The exchange publishes the payload: a consumer that sees Posted sees every byte before it.
  __atomic_exchange_n(&message->state, Posted, __ATOMIC_ACQ_REL);
  Signal(event_.Get());
}

std::optional<RpcSlot> CRpcChannel::TakeNext() {
  Lock lock(mutex_.Get());
  RpcChannelHeader* header = Header();
  if (__atomic_load_n(&header->closed, __ATOMIC_ACQUIRE) != 0) throw RpcNoDeliver();
  const int32_t count = Load(header->count);
  const int32_t head = Load(header->head);
  if (count <= 0 || head < 0 || head > capacity_ - kMessageHeaderSize || head % 8 != 0) {
    return std::nullopt;
  }
  RpcMessage* message = At(head);
  for (int32_t visited = 0;; ++visited) {
    if (visited == count || message == nullptr) return std::nullopt;
    if (__atomic_load_n(&message->state, __ATOMIC_ACQUIRE) == Posted) break;
    int32_t size = 0;
    message = NextMessage(message, &size);
  }
  const int64_t payloadOffset = OffsetOf(message) + kMessageHeaderSize;
  const int32_t length = Load(message->length);
  if (payloadOffset < 0 || payloadOffset > capacity_ || length < 0 ||
      length > capacity_ - payloadOffset) {
    throw RpcNoDeliver();
  }
  __atomic_exchange_n(&message->state, Taken, __ATOMIC_ACQ_REL);
  return RpcSlot{data_ + payloadOffset, message, length};
}

RpcMessage* CRpcChannel::NextMessage(RpcMessage* message, int32_t* size) const {
  const RpcChannelHeader* header = Header();
  if (Load(header->count) == 0) return nullptr;
  const int64_t messageSize = MessageSize(*message, capacity_);
  if (messageSize < 0) return nullptr;
  *size = static_cast<int32_t>(messageSize);
  const int64_t offset = OffsetOf(message);
  int64_t next = offset + messageSize;
  const int32_t head = Load(header->head);
  const int32_t tail = Load(header->tail);
  // Messages start at multiples of 8 and need room for their header.
  const auto fits = [this](int64_t at) {
    return at >= 0 && at % 8 == 0 && at <= capacity_ - kMessageHeaderSize;
  };
  if (tail > head) return next < tail && fits(next) ? At(next) : nullptr;
  if (offset >= head) {
    if (next < capacity_) return fits(next) ? At(next) : nullptr;
    if (next != capacity_) return nullptr;
    next = 0;  // the upper part ends at capacity; the lower part starts at 0
  }
  return next < tail && fits(next) ? At(next) : nullptr;
}

void CRpcChannel::AdvanceHead(int32_t size) {
  RpcChannelHeader* header = Header();
  const int64_t head = int64_t{Load(header->head)} + size;
  // A head message reaching past the data area is a broken header, not a place to move to.
  if (head > capacity_) InternalError();
  Store(header->count, Load(header->count) - 1);
  Store(header->head,
        head == Load(header->tail) || head == capacity_ ? 0 : static_cast<int32_t>(head));
}

void CRpcChannel::FreeMessage(RpcMessage* message) {
  Lock lock(mutex_.Get());
  RpcChannelHeader* header = Header();
  const int32_t count = Load(header->count);
  if (count == 0) return;
  if (count < 0) InternalError();
  const int64_t offset = OffsetOf(message);
  // A pointer that is not a message of this ring must not be read, let alone freed.
  if (offset < 0 || offset % 8 != 0 || offset > capacity_ - kMessageHeaderSize) InternalError();
  const int64_t size = MessageSize(*message, capacity_);
  if (size < 0) InternalError();
  if (count == 1) {
    ResetRing();
    return;
  }

  const int32_t head = Load(header->head);
  if (offset == head) {
    AdvanceHead(static_cast<int32_t>(size));
    // Messages freed out of order ahead of the new head were only marked; reclaim them now. They
    // lie between the head and the tail, so together they never take more than the data area: a
    // walk that goes further runs round a ring whose header the peer has broken.
    int64_t reclaimed = 0;
    while (Load(header->count) > 0) {
      const int32_t next = Load(header->head);
      if (next < 0 || next % 8 != 0 || next > capacity_ - kMessageHeaderSize) break;
      RpcMessage* candidate = At(next);
      if (__atomic_load_n(&candidate->state, __ATOMIC_ACQUIRE) != Released) break;
      if (Load(header->count) == 1) {
        ResetRing();
        break;
      }
      const int64_t candidateSize = MessageSize(*candidate, capacity_);
      reclaimed += candidateSize;
      if (candidateSize < 0 || reclaimed > capacity_) InternalError();
      AdvanceHead(static_cast<int32_t>(candidateSize));
    }
    return;
  }

  if (head < 0 || head % 8 != 0 || head > capacity_ - kMessageHeaderSize) InternalError();
  RpcMessage* predecessor = At(head);
  int32_t predecessorSize = 0;
  for (int32_t steps = count;; --steps) {
    if (steps == 0) InternalError();
    RpcMessage* next = NextMessage(predecessor, &predecessorSize);
    if (next == nullptr) InternalError();
    if (next == message) break;
    predecessor = next;
  }
  if (OffsetOf(predecessor) + predecessorSize != offset) {
    // The message starts the lower part of a wrapped ring while older messages are in use above:
    // there is no neighbour to merge into, so it waits for the head to reach it.
    __atomic_exchange_n(&message->state, Released, __ATOMIC_ACQ_REL);
    return;
  }
  int32_t ignored = 0;
  const bool followed = NextMessage(message, &ignored) != nullptr;
  Store(header->count, Load(header->count) - 1);
  if (followed) {
    // The predecessor absorbs the space, even while its own payload is still in use.
    Store(predecessor->padding, Load(predecessor->padding) + static_cast<int32_t>(size));
  } else {
    int32_t tail = Load(header->tail) - static_cast<int32_t>(size);
    if (tail == 0) tail = capacity_;
    Store(header->tail, tail);
  }
}

void CRpcChannel::MarkClosed() {
  if (view_.Empty()) throw std::runtime_error("Handle was released");
  __atomic_fetch_add(&Header()->closed, 1, __ATOMIC_ACQ_REL);
  Signal(event_.Get());
}

void CRpcChannel::Signal(zel::platform::Handle event) {
  if (event == nullptr) throw std::runtime_error("Handle was released");
  if (zel::platform::SetEvent(event) != 0) throw std::runtime_error("Can't set event.");
}

bool CRpcChannel::WaitForSignal(uint32_t timeoutMs) {
  zel::platform::WaitResult result;
  if (const int32_t error = zel::platform::WaitForObject(event_.Get(), timeoutMs, result);
      error != 0) {
    throw vesku::CWinException("WaitFailed", error);
  }
  return result == zel::platform::WaitResult::kFirst;
}

}  // namespace vesku_rpc
