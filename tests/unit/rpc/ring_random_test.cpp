#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "tests/support/channel_test_util.h"

namespace {

using vesku_rpc::RpcChannelHeader;
using vesku_rpc::RpcMessage;
using vesku_rpc::RpcSlot;

constexpr int32_t kCapacity = 4096;

// What the test knows about each message it allocated and has not freed, oldest first.
struct LiveMessage {
  RpcMessage* message;
  int32_t length;
  int32_t state;
  uint8_t seed;
};

class RandomRing {
 public:
  explicit RandomRing(uint32_t seed)
      : created_(wire_test::UniqueName("random"), kCapacity + 24), random_(seed) {}

  bool Opened() const { return created_.openResult == 0; }

  void Step() {
    const uint32_t choice = random_() % 100;
    if (choice < 40) {
      AllocateOne();
    } else if (choice < 60) {
      PostOne();
    } else if (choice < 78) {
      TakeOne();
    } else {
      FreeOne(live_.empty() ? 0 : random_() % live_.size());
    }
  }

  void FreeAll() {
    while (!live_.empty()) FreeOne(random_() % live_.size());
  }

  // The ring read back from shared memory must hold exactly the live messages, in order, plus
  // freed ones still marked Released; walking it from the head must end at the tail.
  void CheckHeader() {
    const RpcChannelHeader& h = *Channel().Header();
    ASSERT_EQ(h.dataOffset, 24);
    ASSERT_EQ(h.capacity, kCapacity);
    ASSERT_GE(h.count, static_cast<int32_t>(live_.size()));
    if (h.count == 0) return;
    if (h.tail <= h.head) ++wrappedSeen;
    ASSERT_TRUE(h.head >= 0 && h.head <= kCapacity && h.head % 8 == 0);
    ASSERT_TRUE(h.tail > 0 && h.tail <= kCapacity && h.tail % 8 == 0);
    int64_t position = h.head;
    size_t nextLive = 0;
    for (int32_t i = 0; i < h.count; ++i) {
      ASSERT_LE(position + 36, kCapacity);
      const RpcMessage* message = At(static_cast<int32_t>(position));
      const int64_t size = 36 + int64_t{message->length} + message->padding;
      ASSERT_TRUE(message->length >= 0 && message->padding >= 0);
      // Sizes are multiples of 8, except for a message grown to end at the end of the area.
      ASSERT_TRUE(size % 8 == 0 || position + size == kCapacity);
      if (nextLive < live_.size() && live_[nextLive].message == message) {
        ASSERT_EQ(message->length, live_[nextLive].length);
        ASSERT_EQ(message->state, live_[nextLive].state);
        ++nextLive;
      } else {
        ASSERT_EQ(message->state, vesku_rpc::Released) << "a message nobody owns at " << position;
        ++releasedSeen;
      }
      position += size;
      ASSERT_LE(position, kCapacity);
      if (position == kCapacity && i + 1 < h.count) position = 0;
    }
    ASSERT_EQ(nextLive, live_.size()) << "live messages missing from the ring";
    ASSERT_EQ(position, h.tail);
  }

  void CheckPayloads() {
    for (const LiveMessage& m : live_) {
      const auto* bytes = reinterpret_cast<const uint8_t*>(m.message) + 36;
      for (int32_t k = 0; k < m.length; ++k) {
        ASSERT_EQ(bytes[k], static_cast<uint8_t>(m.seed + k * 31)) << "payload overwritten";
      }
    }
  }

  int32_t Count() const { return Channel().Header()->count; }
  int allocations = 0;
  int refusals = 0;
  int releasedSeen = 0;
  int wrappedSeen = 0;

 private:
  vesku_rpc::CRpcChannel& Channel() const { return created_.channel; }
  RpcMessage* At(int32_t offset) const {
    return reinterpret_cast<RpcMessage*>(reinterpret_cast<uint8_t*>(Channel().Header()) + 24 +
                                         offset);
  }

  // Where an allocation must land according to the placement rule, from the header before it.
  std::optional<int32_t> ExpectedPlace(int32_t length) const {
    const RpcChannelHeader& h = *Channel().Header();
    const int32_t head = h.count == 0 ? 0 : h.head;
    const int32_t tail = h.count == 0 ? 0 : h.tail;
    const int32_t size = (36 + length + 7) / 8 * 8;
    if (h.count > 0 && head == tail) return std::nullopt;
    if (tail < head) return head - tail >= size ? std::optional<int32_t>(tail) : std::nullopt;
    if (kCapacity - tail >= size) return tail;
    if (head >= size) return 0;
    return std::nullopt;
  }

  void AllocateOne() {
    const int32_t length = random_() % 8 == 0 ? random_() % 3000 : random_() % 300;
    const std::optional<int32_t> expected = ExpectedPlace(length);
    std::optional<RpcSlot> slot = Channel().Allocate(length);
    ASSERT_EQ(slot.has_value(), expected.has_value());
    if (!slot) {
      ++refusals;
      return;
    }
    ++allocations;
    ASSERT_EQ(slot->message, At(*expected));
    const uint8_t seed = static_cast<uint8_t>(random_());
    auto* bytes = static_cast<uint8_t*>(slot->payload);
    for (int32_t k = 0; k < length; ++k) bytes[k] = static_cast<uint8_t>(seed + k * 31);
    live_.push_back({slot->message, length, vesku_rpc::Writing, seed});
  }

  void PostOne() {
    std::vector<size_t> writing;
    for (size_t i = 0; i < live_.size(); ++i) {
      if (live_[i].state == vesku_rpc::Writing) writing.push_back(i);
    }
    if (writing.empty()) return;
    LiveMessage& m = live_[writing[random_() % writing.size()]];
    Channel().Post(m.message);
    m.state = vesku_rpc::Posted;
  }

  void TakeOne() {
    LiveMessage* oldest = nullptr;
    for (LiveMessage& m : live_) {
      if (m.state == vesku_rpc::Posted) {
        oldest = &m;
        break;
      }
    }
    std::optional<RpcSlot> slot = Channel().TakeNext();
    ASSERT_EQ(slot.has_value(), oldest != nullptr);
    if (!slot) return;
    ASSERT_EQ(slot->message, oldest->message);
    ASSERT_EQ(slot->length, oldest->length);
    oldest->state = vesku_rpc::Taken;
  }

  void FreeOne(size_t index) {
    if (live_.empty()) return;
    Channel().FreeMessage(live_[index].message);
    live_.erase(live_.begin() + static_cast<ptrdiff_t>(index));
  }

  mutable wire_test::CreatedChannel created_;
  std::mt19937 random_;
  std::vector<LiveMessage> live_;
};

TEST(RingRandom, TensOfThousandsOfOperationsKeepTheRingConsistent) {
  for (uint32_t seed : {1u, 20261209u}) {
    RandomRing ring(seed);
    ASSERT_TRUE(ring.Opened());
    for (int step = 0; step < 30000; ++step) {
      ring.Step();
      ASSERT_NO_FATAL_FAILURE(ring.CheckHeader()) << "seed " << seed << " step " << step;
      if (step % 64 == 0) {
        ASSERT_NO_FATAL_FAILURE(ring.CheckPayloads()) << "step " << step;
      }
    }
    ring.FreeAll();
    EXPECT_EQ(ring.Count(), 0);
    // Both outcomes must have been exercised for the run to mean anything.
    EXPECT_GT(ring.allocations, 1000);
    EXPECT_GT(ring.refusals, 100);
    EXPECT_GT(ring.releasedSeen, 100);
    EXPECT_GT(ring.wrappedSeen, 1000);
  }
}

}  // namespace
