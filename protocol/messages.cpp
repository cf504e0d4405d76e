#include "protocol/messages.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace zel::protocol {

namespace {

template <class Message>
constexpr int64_t CountedSize(const Message& message) {
  vesk::CCountingArchive counter;
  Write(counter, message);
  return counter.size();
}

// The room of an animation reply holds what it is for: a frame's values, its pixels' Binary
// header and their padding (at most 7 bytes); and the values in front of the frames.
static_assert(CountedSize(FramePlacement{}) + vesk::BlockValueSize(1) - 1 <= kFrameRoom);
static_assert(CountedSize(BitmapHeader{.animated = true}) <= kFrameRoom);

}  // namespace

bool HoldsItsPixels(const Frame& frame) {
  return static_cast<int64_t>(frame.width) * frame.height * 4 ==
         static_cast<int64_t>(frame.bgra.size());
}

void Fields(FieldReader& archive, BitmapReply& reply) {
  BitmapHeader header;
  archive(header);
  reply.animated = header.animated;
  reply.width = header.width;
  reply.height = header.height;
  reply.frames.clear();
  if (!reply.animated) {
    Frame& still = reply.frames.emplace_back();
    still.width = reply.width;
    still.height = reply.height;
    archive(still.bgra);
    archive.Check(HoldsItsPixels(still));
    return;
  }
  archive.Check(header.frameCount >= 0);
  for (int32_t i = 0; i < header.frameCount; ++i) archive(reply.frames.emplace_back());
}

int32_t AnimationReplySize(int32_t frameCount, int32_t pixelBytes) {
  const int32_t room = ReplySize((int64_t{frameCount} + 1) * kFrameRoom);
  return ReplySize(int64_t{room} + pixelBytes);
}

int32_t ReplySize(int64_t counted) {
  if (counted < 0 || counted > std::numeric_limits<int32_t>::max()) {
    throw std::runtime_error("IntegerOverflow");
  }
  return static_cast<int32_t>(counted);
}

int32_t RequestSize(int64_t counted) {
  if (counted > vesk::kMaxValueLength) throw std::runtime_error("Request too large");
  return static_cast<int32_t>(counted);
}

}  // namespace zel::protocol
