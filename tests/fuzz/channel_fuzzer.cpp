// The ring operations over a shared header and data area that a hostile or broken viewer has
// written: TakeNext, Allocate and FreeMessage must stay inside the data area and may only fail with
// "RPC Error" or "Internal error".
//
// The channel is opened on the host's side over a real shared object that is larger than the
// capacity its header announces; the bytes past the data area are poisoned for the address
// sanitizer, so any touch there is reported. Input: the 24-byte header, one byte with the number
// of operations, four bytes per operation, and the data area's first bytes (the rest is zero).
#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/thread.h"
#include "rpc/rpc_channel.h"
#include "tests/fuzz/fuzz_check.h"
#include "util/exceptions.h"

namespace {

using vesku_rpc::RpcChannelHeader;
using vesku_rpc::RpcMessage;
using vesku_rpc::RpcSlot;

constexpr int32_t kCapacity = 1024;
constexpr int32_t kGuard = 4096;
constexpr int32_t kSize = vesku_rpc::kChannelHeaderSize + kCapacity + kGuard;

// The viewer's side creates the objects; the host's side opens them and sees only kCapacity bytes.
class Rings {
 public:
  Rings() : name_(u"zelfuzz_ring_" + Number(zel::platform::CurrentProcessId())) {
    zel_fuzz::Check(creator_.Open(name_, kSize, true, nullptr, u"") == 0);
    creator_.Header()->capacity = kCapacity;
    zel_fuzz::Check(host_.Open(name_, kSize, false, nullptr, u"") == 0);
    zel_fuzz::Check(host_.Capacity() == kCapacity);
    ASAN_POISON_MEMORY_REGION(Data() + kCapacity, kGuard);
  }
  ~Rings() { vesku_rpc::CRpcChannel::Remove(name_, kSize, u""); }

  vesku_rpc::CRpcChannel& host() { return host_; }
  uint8_t* Data() { return reinterpret_cast<uint8_t*>(host_.Header()) + 24; }

 private:
  static std::u16string Number(uint32_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
  }

  std::u16string name_;
  vesku_rpc::CRpcChannel creator_;
  vesku_rpc::CRpcChannel host_;
};

Rings& TheRings() {
  static Rings rings;
  return rings;
}

int32_t Field(const uint8_t* bytes) {
  int32_t value = 0;
  std::memcpy(&value, bytes, 4);
  return value;
}

// A slot handed out by the ring lies wholly inside the data area.
void CheckSlot(uint8_t* data, const RpcSlot& slot) {
  const auto* message = reinterpret_cast<uint8_t*>(slot.message);
  const auto* payload = static_cast<uint8_t*>(slot.payload);
  zel_fuzz::Check(message >= data && message + vesku_rpc::kMessageHeaderSize <= data + kCapacity);
  zel_fuzz::Check(payload == message + vesku_rpc::kMessageHeaderSize);
  zel_fuzz::Check(slot.length >= 0 && slot.length <= data + kCapacity - payload);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size < 25) return 0;
  Rings& rings = TheRings();
  vesku_rpc::CRpcChannel& channel = rings.host();
  uint8_t* data = rings.Data();
  RpcChannelHeader* header = channel.Header();

  header->count = Field(input + 4);
  header->closed = Field(input + 12);
  header->head = Field(input + 16);
  header->tail = Field(input + 20);
  const size_t operationCount = input[24];
  const uint8_t* operations = input + 25;
  const size_t operationBytes = std::min(size - 25, operationCount * 4);
  const uint8_t* area = operations + operationBytes;
  const size_t areaBytes = std::min<size_t>(input + size - area, kCapacity);
  std::memset(data, 0, kCapacity);
  std::memcpy(data, area, areaBytes);

  std::vector<RpcMessage*> messages;
  for (size_t i = 0; i + 4 <= operationBytes; i += 4) {
    const uint8_t kind = operations[i] % 6;
    const uint8_t a = operations[i + 1];
    const int32_t b = static_cast<int16_t>(operations[i + 2] | operations[i + 3] << 8);
    try {
      switch (kind) {
        case 0:
          if (std::optional<RpcSlot> slot = channel.TakeNext()) {
            CheckSlot(data, *slot);
            messages.push_back(slot->message);
          }
          break;
        case 1:
          if (std::optional<RpcSlot> slot = channel.Allocate(b)) {
            CheckSlot(data, *slot);
            zel_fuzz::Check(slot->length == b);
            std::memset(slot->payload, 0xAB, static_cast<size_t>(slot->length));
            messages.push_back(slot->message);
          }
          break;
        case 2:
          if (!messages.empty()) channel.FreeMessage(messages[a % messages.size()]);
          break;
        case 3:
          if (!messages.empty()) channel.Post(messages[a % messages.size()]);
          break;
        case 4:
          // The peer changes a header field between two operations.
          (&header->dataOffset)[a % 6] = b;
          break;
        default:
          // A message pointer anywhere in the data area, as a stale one may be after the peer
          // rewrote the ring.
          channel.FreeMessage(
              reinterpret_cast<RpcMessage*>(data + (static_cast<uint32_t>(b) * 8) % kCapacity));
          break;
      }
    } catch (const vesku_rpc::RpcNoDeliver&) {
    } catch (const std::runtime_error& error) {
      zel_fuzz::Check(std::string(error.what()) == "Internal error");
    }
  }
  return 0;
}
