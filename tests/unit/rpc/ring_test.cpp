#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "tests/support/channel_test_util.h"
#include "util/exceptions.h"

namespace {

using vesku_rpc::CRpcChannel;
using vesku_rpc::RpcChannelHeader;
using vesku_rpc::RpcMessage;
using vesku_rpc::RpcSlot;
using wire_test::CreatedChannel;
using wire_test::UniqueName;

// A channel whose data area holds exactly `capacity` bytes.
struct Ring : CreatedChannel {
  explicit Ring(int32_t capacity) : CreatedChannel(UniqueName("ring"), capacity + 24) {
    EXPECT_EQ(openResult, 0);
  }
  RpcChannelHeader& H() { return *channel.Header(); }
  int32_t Offset(const RpcSlot& slot) {
    return static_cast<int32_t>(reinterpret_cast<unsigned char*>(slot.message) -
                                reinterpret_cast<unsigned char*>(channel.Header()) - 24);
  }
  RpcSlot Alloc(int32_t length) {
    std::optional<RpcSlot> slot = channel.Allocate(length);
    EXPECT_TRUE(slot.has_value()) << "no room for " << length;
    return slot.value_or(RpcSlot{});
  }
};

int32_t Size(const RpcSlot& slot) { return 36 + slot.message->length + slot.message->padding; }

TEST(Ring, SmallAndEmptyPayloadsTakeFortyBytesAndPayloadFollowsTheHeader) {
  Ring ring(400);
  RpcSlot one = ring.Alloc(1);
  RpcSlot none = ring.Alloc(0);
  EXPECT_EQ(one.message->padding, 3);
  EXPECT_EQ(none.message->padding, 4);
  EXPECT_EQ(ring.Offset(one), 0);
  EXPECT_EQ(ring.Offset(none), 40);
  EXPECT_EQ(ring.H().tail, 80);
  EXPECT_EQ(ring.H().count, 2);
  EXPECT_EQ(static_cast<unsigned char*>(one.payload),
            reinterpret_cast<unsigned char*>(one.message) + 36);
  EXPECT_EQ(one.message->state, vesku_rpc::Writing);
  EXPECT_EQ(one.message->marker, 1);
  EXPECT_EQ(one.message->status, 0);
}

TEST(Ring, RefusesImpossibleLengthsAndStartsAnEmptyRingAtZero) {
  Ring ring(2048);
  EXPECT_FALSE(ring.channel.Allocate(-1));
  EXPECT_FALSE(ring.channel.Allocate(2049));
  EXPECT_FALSE(ring.channel.Allocate(2048));  // the header does not fit beside it
  ring.H().head = ring.H().tail = 1000;
  RpcSlot slot = ring.Alloc(10);
  EXPECT_EQ(ring.Offset(slot), 0);
  EXPECT_EQ(ring.H().head, 0);
  EXPECT_EQ(ring.H().tail, 48);
}

TEST(Ring, FullRingYieldsNothingUntilAMessageIsFreed) {
  Ring ring(400);
  RpcSlot first = ring.Alloc(4);
  for (int i = 1; i < 10; ++i) ring.Alloc(4);
  EXPECT_FALSE(ring.channel.Allocate(0));
  ring.channel.FreeMessage(first.message);
  EXPECT_EQ(ring.H().head, 40);
  RpcSlot wrapped = ring.Alloc(4);
  EXPECT_EQ(ring.Offset(wrapped), 0);
  EXPECT_EQ(ring.H().tail, ring.H().head);  // full
  EXPECT_EQ(ring.H().count, 10);
  EXPECT_FALSE(ring.channel.Allocate(0));
}

TEST(Ring, WrapGrowsTheLastMessageToTheEndOfTheDataArea) {
  Ring ring(400);
  RpcSlot a = ring.Alloc(164);  // 200 bytes at 0
  RpcSlot b = ring.Alloc(124);  // 160 bytes at 200
  ring.channel.FreeMessage(a.message);
  RpcSlot c = ring.Alloc(60);  // 96 bytes: 40 left at the end, so it goes to 0
  EXPECT_EQ(ring.Offset(c), 0);
  EXPECT_EQ(b.message->padding, 40);
  EXPECT_EQ(ring.Offset(b) + Size(b), 400);
  EXPECT_EQ(ring.H().head, 200);
  EXPECT_EQ(ring.H().tail, 96);
  // Freeing the upper message moves the head past the end back to 0.
  ring.channel.FreeMessage(b.message);
  EXPECT_EQ(ring.H().head, 0);
  EXPECT_EQ(ring.H().count, 1);
  ring.channel.FreeMessage(c.message);
  EXPECT_EQ(ring.H().count, 0);
  EXPECT_EQ(ring.H().tail, 0);
}

TEST(Ring, OutOfOrderFreesMergeIntoThePredecessor) {
  Ring ring(1000);
  RpcSlot a = ring.Alloc(12);  // 48 bytes
  RpcSlot b = ring.Alloc(20);  // 56 bytes
  RpcSlot c = ring.Alloc(4);   // 40 bytes
  RpcSlot d = ring.Alloc(4);
  ring.channel.FreeMessage(b.message);
  EXPECT_EQ(ring.H().count, 3);
  EXPECT_EQ(a.message->padding, 0 + 56);
  ring.channel.FreeMessage(d.message);  // the last one gives its space back to the tail
  EXPECT_EQ(ring.H().tail, 144);
  EXPECT_EQ(ring.H().count, 2);
  ring.channel.FreeMessage(a.message);  // both regions at once
  EXPECT_EQ(ring.H().head, 104);
  EXPECT_EQ(ring.H().count, 1);
  EXPECT_EQ(ring.Offset(c), 104);
}

TEST(Ring, FreedLowerStartOfWrappedRingIsReleasedAndReclaimedByTheHead) {
  Ring ring(400);
  RpcSlot a = ring.Alloc(164);  // [0, 200)
  RpcSlot b = ring.Alloc(124);  // [200, 360)
  ring.channel.FreeMessage(a.message);
  RpcSlot c = ring.Alloc(60);  // wraps: [0, 96)
  RpcSlot d = ring.Alloc(60);  // [96, 192)
  ring.channel.FreeMessage(c.message);
  EXPECT_EQ(c.message->state, vesku_rpc::Released);
  EXPECT_EQ(ring.H().count, 3);
  ring.channel.FreeMessage(b.message);
  EXPECT_EQ(ring.H().head, 96);
  EXPECT_EQ(ring.H().count, 1);
  EXPECT_EQ(ring.Offset(d), 96);
  ring.channel.FreeMessage(d.message);
  EXPECT_EQ(ring.H().count, 0);
}

TEST(Ring, TakeNextReturnsTheOldestPostedAndSkipsWritingAndTaken) {
  Ring ring(1000);
  RpcSlot writing = ring.Alloc(8);
  RpcSlot taken = ring.Alloc(8);
  RpcSlot posted = ring.Alloc(8);
  std::memcpy(taken.payload, "taken!!!", 8);
  ring.channel.Post(taken.message);
  std::optional<RpcSlot> first = ring.channel.TakeNext();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->message, taken.message);
  EXPECT_EQ(std::memcmp(first->payload, "taken!!!", 8), 0);
  EXPECT_EQ(first->length, 8);
  EXPECT_FALSE(ring.channel.TakeNext());
  ring.channel.Post(posted.message);
  ring.channel.Post(writing.message);
  std::optional<RpcSlot> next = ring.channel.TakeNext();
  ASSERT_TRUE(next);
  EXPECT_EQ(next->message, writing.message);
  next = ring.channel.TakeNext();
  ASSERT_TRUE(next);
  EXPECT_EQ(next->message, posted.message);
  EXPECT_EQ(posted.message->state, vesku_rpc::Taken);
  EXPECT_FALSE(ring.channel.TakeNext());
}

TEST(Ring, ClosedChannelRefusesToHandOutMessages) {
  Ring ring(1000);
  ring.channel.Post(ring.Alloc(8).message);
  ring.channel.MarkClosed();
  EXPECT_EQ(ring.H().closed, 1);
  EXPECT_THROW(ring.channel.TakeNext(), vesku_rpc::RpcNoDeliver);
  ring.channel.MarkClosed();
  EXPECT_EQ(ring.H().closed, 2);
}

TEST(Ring, InconsistentBookkeepingIsReportedNotFollowed) {
  Ring ring(1000);
  RpcSlot a = ring.Alloc(8);
  RpcSlot b = ring.Alloc(8);
  ring.H().tail = 44;  // not a multiple of 8
  EXPECT_THROW(ring.channel.Allocate(8), vesku_rpc::RpcNoDeliver);
  ring.H().tail = 2000;
  EXPECT_THROW(ring.channel.Allocate(8), vesku_rpc::RpcNoDeliver);
  ring.H().tail = 96;
  b.message->length = 5000;
  ring.channel.Post(b.message);
  EXPECT_THROW(ring.channel.TakeNext(), vesku_rpc::RpcNoDeliver);
  EXPECT_THROW(ring.channel.FreeMessage(b.message), std::runtime_error);
  try {
    ring.channel.FreeMessage(b.message);
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Internal error");
  }
  b.message->length = 8;
  RpcMessage* outside = reinterpret_cast<RpcMessage*>(reinterpret_cast<char*>(a.message) + 4);
  EXPECT_THROW(ring.channel.FreeMessage(outside), std::runtime_error);
}

// Headers a broken peer can leave behind; each used to send the ring operations off course
// (an unaligned walk, an overflowing count, a reclaim loop going round the ring for ever).
TEST(Ring, HeaderBrokenByThePeerFailsInsteadOfMisleadingTheWalk) {
  {
    Ring ring(200);
    ring.Alloc(100);     // [0, 136): 64 bytes left at the end, too few for 80
    ring.H().head = 84;  // room below the head to wrap into, but not where a message can start
    ring.H().count = 2;
    EXPECT_THROW(ring.channel.Allocate(40), vesku_rpc::RpcNoDeliver);
  }
  {
    Ring ring(1000);
    ring.Alloc(8);
    ring.H().count = INT32_MAX;  // a ring of 1000 bytes holds at most 27 messages
    EXPECT_THROW(ring.channel.Allocate(8), vesku_rpc::RpcNoDeliver);
  }
  {
    Ring ring(1000);
    RpcSlot a = ring.Alloc(8);
    ring.Alloc(8);
    ring.H().count = INT32_MIN;
    try {
      ring.channel.FreeMessage(a.message);
      ADD_FAILURE() << "a negative count was followed";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Internal error");
    }
  }
  {
    // One message covering the whole data area, marked released, with a huge count: reclaiming
    // from the head would come back to the same message again and again.
    Ring ring(1000);
    RpcSlot a = ring.Alloc(964);
    ring.H().count = INT32_MAX;
    a.message->state = vesku_rpc::Released;
    try {
      ring.channel.FreeMessage(a.message);
      ADD_FAILURE() << "the reclaim loop went round the ring";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Internal error");
    }
  }
}

TEST(Ring, AllocateWaitGivesUpWithTimeout) {
  Ring ring(400);
  ring.Alloc(300);
  try {
    ring.channel.AllocateWait(300, 50);
    FAIL() << "expected a time-out";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Timeout");
  }
}

TEST(Ring, SignalRefusesAMissingEvent) {
  try {
    CRpcChannel::Signal(nullptr);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Handle was released");
  }
}

}  // namespace
