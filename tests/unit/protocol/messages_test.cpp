// Messages written by one side and read by the other: each fills exactly the size that counting it
// gave, and the sizes are those viewers have always received.
#include "protocol/messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "rpc/archive_values.h"

namespace {

using namespace zel::protocol;

// What `write(archive)` writes, in a buffer of the size that counting it gave.
template <class WriteMessage>
std::vector<uint8_t> WrittenBy(WriteMessage write) {
  vesk::CCountingArchive counter;
  write(counter);
  std::vector<uint8_t> bytes(static_cast<size_t>(counter.size()), 0xAA);
  vesk::CArchiveOverBuffer archive;
  archive.BindForWriting(bytes.data(), static_cast<int32_t>(bytes.size()));
  write(archive);
  EXPECT_EQ(archive.dataLen(), counter.size());
  return bytes;
}

template <class Message>
Message RoundTrip(const Message& message, size_t expectedSize) {
  const std::vector<uint8_t> bytes = WrittenBy([&](auto& archive) { Write(archive, message); });
  EXPECT_EQ(bytes.size(), expectedSize);
  vesk::CArchiveOverBuffer archive(bytes.data(), static_cast<int32_t>(bytes.size()));
  return Read<Message>(archive);
}

// The request as the host's job sees it, after the handler has taken the opcode. Its bytes point
// into `message`.
template <class Request>
Request Received(const Request& request, std::vector<uint8_t>& message) {
  message = WrittenBy([&](auto& archive) { WriteRequest(archive, request); });
  EXPECT_EQ(static_cast<size_t>(RequestSize(request)), message.size());
  vesk::CArchiveOverBuffer archive(message.data(), static_cast<int32_t>(message.size()));
  EXPECT_EQ(vesk::ReadInt(archive), static_cast<int32_t>(Request::kOpcode));
  return Read<Request>(archive);
}

vesk::BinaryView View(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size())};
}

std::string Text(vesk::BinaryView bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data), static_cast<size_t>(bytes.size));
}

TEST(Requests, TheHostReadsWhatTheClientWrites) {
  const std::string file = "GIF89a";
  std::vector<uint8_t> message;
  const BitmapRequest bitmap = Received(
      BitmapRequest{90, kAutoOrientOption, 800, 600, u"b\u00e9.gif", "image/gif", View(file)},
      message);
  EXPECT_EQ(std::tie(bitmap.rotation, bitmap.options, bitmap.boxSide1, bitmap.boxSide2),
            std::tuple(90, kAutoOrientOption, 800, 600));
  EXPECT_EQ(bitmap.name, u"b\u00e9.gif");
  EXPECT_EQ(bitmap.mimeType, "image/gif");
  EXPECT_EQ(Text(bitmap.bytes), file);

  const FileInfoRequest info = Received(FileInfoRequest{u"a", "image/png", View(file)}, message);
  EXPECT_EQ(info.mimeType + Text(info.bytes), "image/png" + file);
  EXPECT_EQ(Received(PropertiesRequest{u"c", View("")}, message).name, u"c");
  const PartialProbeRequest probe =
      Received(PartialProbeRequest{u"d", "image/jpeg", 1000, View("head"), View("tail!")}, message);
  EXPECT_EQ(probe.totalSize, 1000);
  EXPECT_EQ(Text(probe.head) + Text(probe.tail), "headtail!");
}

TEST(Replies, TheClientReadsWhatTheHostWrites) {
  const zel::ImageSummary summary{640, 480, 1, 90, "2021-03-04 05:06:07.000"};
  const auto same = [](const zel::ImageSummary& a, const zel::ImageSummary& b) {
    return std::tie(a.width, a.height, a.flags, a.rotation, a.dateTaken) ==
           std::tie(b.width, b.height, b.flags, b.rotation, b.dateTaken);
  };
  // Five Ints and a 23-byte String; no size found is the single Int 1.
  EXPECT_TRUE(same(RoundTrip(FileInfoReply{true, summary}, 72).summary, summary));
  EXPECT_FALSE(RoundTrip(FileInfoReply{false, summary}, 8).known);

  const PartialProbeReply more =
      RoundTrip(PartialProbeReply{zel::kProbeNeedMore, 70000, 512, {}}, 32);
  EXPECT_EQ(std::tie(more.result, more.needHead, more.needTail),
            std::tuple(zel::kProbeNeedMore, 70000, 512));
  EXPECT_TRUE(same(RoundTrip(PartialProbeReply{0, 0, 0, summary}, 96).summary, summary));

  PropertiesReply properties{true, {{"exif:Make", "Camera"}, {"x", std::string("a\0b", 3)}}, {}};
  properties.hostAttributes = {{"zel.size", "1,000"}};
  const PropertiesReply listed = RoundTrip(properties, 8 + 8 + (24 + 16 + 16 + 16) + 8 + (16 + 16));
  EXPECT_EQ(listed.properties, properties.properties);
  EXPECT_EQ(listed.hostAttributes, properties.hostAttributes);
  properties.found = false;
  EXPECT_FALSE(RoundTrip(properties, 8).found);
}

// As the host writes it, straight from the decoder: the header, then each frame's placement and
// its pixels filled in place.
template <class Archive>
void WriteAnimation(Archive& archive, const std::vector<Frame>& frames) {
  Write(archive, BitmapHeader{true, 10, 8, static_cast<int32_t>(frames.size())});
  for (const Frame& frame : frames) {
    Write(archive, static_cast<const FramePlacement&>(frame));
    vesk::WriteBinary(archive, static_cast<int32_t>(frame.bgra.size()), [&](uint8_t* space) {
      std::memcpy(space, frame.bgra.data(), frame.bgra.size());
    });
  }
}

BitmapReply ReadBitmap(const std::vector<uint8_t>& bytes) {
  vesk::CArchiveOverBuffer archive(bytes.data(), static_cast<int32_t>(bytes.size()));
  return Read<BitmapReply>(archive);
}

TEST(BitmapReplies, TheClientReadsWhatTheHostWrites) {
  const std::vector<uint8_t> pixels(3 * 3 * 4, 0x7F);
  // A 3 x 3 still image: three Ints and 8 + 40 bytes of pixels.
  const std::vector<uint8_t> still = WrittenBy([&](auto& archive) {
    Write(archive, BitmapHeader{false, 3, 3});
    vesk::WriteBinary(archive, vesk::BinaryView{pixels.data(), 36});
  });
  EXPECT_EQ(still.size(), 72u);
  const BitmapReply stillRead = ReadBitmap(still);
  ASSERT_EQ(stillRead.frames.size(), 1u);
  EXPECT_EQ(stillRead.frames[0].width, 3);
  EXPECT_EQ(stillRead.frames[0].bgra, pixels);

  Frame first;
  static_cast<FramePlacement&>(first) = {2, 1, 100, 4, 5};
  first.bgra.assign(8, 1);
  Frame second;
  static_cast<FramePlacement&>(second) = {1, 1, 0, 9, 7};
  second.bgra.assign(4, 2);
  std::vector<uint8_t> bytes = WrittenBy([&](auto& archive) {
    WriteAnimation(archive, {first, second});
  });
  // The host takes 64 bytes for each frame's values and for those in front, more than they
  // need; a viewer reads the frames and leaves the rest.
  ASSERT_EQ(AnimationReplySize(2, 12), 3 * 64 + 12);
  ASSERT_LE(bytes.size(), 3u * 64 + 12);
  bytes.resize(3 * 64 + 12, 0xAA);
  const BitmapReply animation = ReadBitmap(bytes);
  EXPECT_TRUE(animation.animated);
  ASSERT_EQ(animation.frames.size(), 2u);
  EXPECT_EQ(std::tie(animation.frames[0].delayMs, animation.frames[0].x, animation.frames[1].y),
            std::tuple(100, 4, 7));
  EXPECT_EQ(animation.frames[1].bgra, second.bgra);

  // Pixels that do not match the frame's size, and a negative frame count, are refused.
  first.bgra.resize(4);
  EXPECT_THROW(ReadBitmap(WrittenBy([&](auto& archive) { WriteAnimation(archive, {first}); })),
               std::runtime_error);
  EXPECT_THROW(ReadBitmap(WrittenBy([](auto& archive) {
                 Write(archive, BitmapHeader{true, 1, 1, -1});
               })),
               std::runtime_error);
}

TEST(ReplySizes, PastThe32BitSizesOfTheWireAreRefused) {
  EXPECT_EQ(ReplySize(2147483647), 2147483647);
  EXPECT_THROW(ReplySize(2147483648), std::runtime_error);
  EXPECT_EQ(AnimationReplySize(0, 2147483647 - 64), 2147483647);
  try {
    AnimationReplySize(33554431, 1);  // 2^31 bytes of room alone
    ADD_FAILURE() << "no failure";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "IntegerOverflow");
  }
}

}  // namespace
