// Messages written by one side and read by the other: each fills exactly the size that counting it
// gave, and the sizes are those viewers have always received.
#include "protocol/messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "rpc/archive_values.h"

namespace {

using namespace zel::protocol;

// Writes a message (with `write`) into a buffer of its counted size and checks that it fills it.
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
std::vector<uint8_t> Written(const Message& message) {
  return WrittenBy([&](auto& archive) { Write(archive, message); });
}

template <class Message>
Message ReadBack(const std::vector<uint8_t>& bytes) {
  vesk::CArchiveOverBuffer archive(bytes.data(), static_cast<int32_t>(bytes.size()));
  Message message = Read<Message>(archive);
  EXPECT_EQ(archive.readPos(), archive.dataLen()) << "values left unread";
  return message;
}

// The request as the host's job sees it, after the handler has taken the opcode.
template <class Request>
Request Received(const Request& request) {
  const std::vector<uint8_t> bytes =
      WrittenBy([&](auto& archive) { WriteRequest(archive, request); });
  EXPECT_EQ(static_cast<size_t>(RequestSize(request)), bytes.size());
  vesk::CArchiveOverBuffer archive(bytes.data(), static_cast<int32_t>(bytes.size()));
  EXPECT_EQ(vesk::ReadInt(archive), static_cast<int32_t>(Request::kOpcode));
  return Read<Request>(archive);
}

std::string Text(vesk::BinaryView bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data), static_cast<size_t>(bytes.size));
}

vesk::BinaryView View(const char* text) {
  return {reinterpret_cast<const uint8_t*>(text), static_cast<int32_t>(std::strlen(text))};
}

TEST(Requests, TheHostReadsWhatTheClientWrites) {
  const FileInfoRequest info =
      Received(FileInfoRequest{u"a\u00e9.png", "image/png", View("12345")});
  EXPECT_EQ(info.name, u"a\u00e9.png");
  EXPECT_EQ(info.mimeType, "image/png");
  EXPECT_EQ(Text(info.bytes), "12345");

  const BitmapRequest bitmap =
      Received(BitmapRequest{90, kAutoOrientOption, 800, 600, u"b.gif", "", View("GIF89a")});
  EXPECT_EQ(bitmap.rotation, 90);
  EXPECT_EQ(bitmap.options, kAutoOrientOption);
  EXPECT_EQ(bitmap.boxSide1, 800);
  EXPECT_EQ(bitmap.boxSide2, 600);
  EXPECT_EQ(bitmap.name, u"b.gif");
  EXPECT_EQ(Text(bitmap.bytes), "GIF89a");

  const PropertiesRequest properties = Received(PropertiesRequest{u"c", View("")});
  EXPECT_EQ(properties.name, u"c");
  EXPECT_EQ(properties.bytes.size, 0);

  const PartialProbeRequest probe =
      Received(PartialProbeRequest{u"d.jpg", "image/jpeg", 1000, View("head"), View("tail!")});
  EXPECT_EQ(probe.totalSize, 1000);
  EXPECT_EQ(Text(probe.head), "head");
  EXPECT_EQ(Text(probe.tail), "tail!");
}

TEST(Replies, TheClientReadsWhatTheHostWrites) {
  FileInfoReply info;
  info.known = true;
  info.summary = {640, 480, zel::ImageSummary::kTurnedFlag, 90, "2021-03-04 05:06:07.000"};
  std::vector<uint8_t> bytes = Written(info);
  // A 23-byte date: five Ints and a String of 8 + 24 bytes.
  EXPECT_EQ(bytes.size(), 72u);
  FileInfoReply read = ReadBack<FileInfoReply>(bytes);
  EXPECT_TRUE(read.known);
  EXPECT_EQ(read.summary.width, 640);
  EXPECT_EQ(read.summary.height, 480);
  EXPECT_EQ(read.summary.flags, zel::ImageSummary::kTurnedFlag);
  EXPECT_EQ(read.summary.rotation, 90);
  EXPECT_EQ(read.summary.dateTaken, "2021-03-04 05:06:07.000");
  // No size found: the single Int 1, whatever the summary holds.
  info.known = false;
  EXPECT_EQ(Written(info).size(), 8u);
  EXPECT_FALSE(ReadBack<FileInfoReply>(Written(info)).known);

  PartialProbeReply probe;
  probe.result = zel::kProbeNeedMore;
  probe.needHead = 70000;
  probe.needTail = 512;
  bytes = Written(probe);
  EXPECT_EQ(bytes.size(), 32u);
  const PartialProbeReply more = ReadBack<PartialProbeReply>(bytes);
  EXPECT_EQ(more.result, zel::kProbeNeedMore);
  EXPECT_EQ(more.needHead, 70000);
  EXPECT_EQ(more.needTail, 512);
  probe = {zel::kProbeSummaryFilled, 0, 0, {3, 2, zel::ImageSummary::kAnimatedFlag, 0, ""}};
  bytes = Written(probe);
  EXPECT_EQ(bytes.size(), 72u);
  EXPECT_EQ(ReadBack<PartialProbeReply>(bytes).summary.flags, zel::ImageSummary::kAnimatedFlag);

  PropertiesReply properties;
  properties.found = true;
  properties.properties = {{"exif:Make", "Camera"}, {"png:IHDR", std::string("a\0b", 3)}};
  properties.hostAttributes = {{"zel.size", "1,000"}};
  bytes = Written(properties);
  const PropertiesReply listed = ReadBack<PropertiesReply>(bytes);
  EXPECT_TRUE(listed.found);
  EXPECT_EQ(listed.properties, properties.properties);
  EXPECT_EQ(listed.hostAttributes, properties.hostAttributes);
  properties.found = false;
  EXPECT_EQ(Written(properties).size(), 8u);
}

// Written as the host writes it, straight from the decoder: the header, then each frame's
// placement and its pixels filled in place.
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

TEST(BitmapReplies, TheClientReadsWhatTheHostWrites) {
  const std::vector<uint8_t> pixels(3 * 3 * 4, 0x7F);
  std::vector<uint8_t> bytes = WrittenBy([&](auto& archive) {
    Write(archive, BitmapHeader{false, 3, 3});
    vesk::WriteBinary(archive, vesk::BinaryView{pixels.data(), 36});
  });
  // A 3 x 3 still image: three Ints and 8 + 40 bytes of pixels.
  EXPECT_EQ(bytes.size(), 72u);
  const BitmapReply still = ReadBack<BitmapReply>(bytes);
  EXPECT_FALSE(still.animated);
  ASSERT_EQ(still.frames.size(), 1u);
  EXPECT_EQ(still.frames[0].width, 3);
  EXPECT_EQ(still.frames[0].bgra, pixels);

  Frame first;
  static_cast<FramePlacement&>(first) = {2, 1, 100, 4, 5};
  first.bgra = {1, 2, 3, 4, 5, 6, 7, 8};
  Frame second;
  static_cast<FramePlacement&>(second) = {1, 1, 0, 9, 7};
  second.bgra = {9, 9, 9, 9};
  bytes = WrittenBy([&](auto& archive) { WriteAnimation(archive, {first, second}); });
  // The host takes 64 bytes for each frame's values and for the values in front; a viewer reads
  // the frames and leaves the rest.
  EXPECT_EQ(AnimationReplySize(2, 12), 3 * 64 + 12);
  ASSERT_LE(bytes.size(), 3u * 64 + 12);
  bytes.resize(3 * 64 + 12, 0xAA);
  vesk::CArchiveOverBuffer archive(bytes.data(), static_cast<int32_t>(bytes.size()));
  const BitmapReply animation = Read<BitmapReply>(archive);
  EXPECT_TRUE(animation.animated);
  EXPECT_EQ(animation.width, 10);
  EXPECT_EQ(animation.height, 8);
  ASSERT_EQ(animation.frames.size(), 2u);
  EXPECT_EQ(animation.frames[0].delayMs, 100);
  EXPECT_EQ(animation.frames[0].x, 4);
  EXPECT_EQ(animation.frames[0].bgra, first.bgra);
  EXPECT_EQ(animation.frames[1].y, 7);
  EXPECT_EQ(animation.frames[1].bgra, second.bgra);
}

std::string ReadFailure(const std::vector<uint8_t>& bytes) {
  try {
    ReadBack<BitmapReply>(bytes);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "no failure";
}

TEST(BitmapReplies, PixelsThatDoNotMatchTheSizeAreRefused) {
  Frame wrong;
  static_cast<FramePlacement&>(wrong) = {2, 2, 0, 0, 0};
  wrong.bgra.assign(12, 0);
  EXPECT_EQ(ReadFailure(WrittenBy([&](auto& archive) { WriteAnimation(archive, {wrong}); })),
            "Invalid reply");
  EXPECT_EQ(ReadFailure(WrittenBy([](auto& archive) {
              Write(archive, BitmapHeader{false, 1, 1});
              vesk::WriteBinary(archive, vesk::BinaryView{});
            })),
            "Invalid reply");
  EXPECT_EQ(ReadFailure(WrittenBy([](auto& archive) { WriteAnimation(archive, {}); })),
            "no failure");
  EXPECT_EQ(ReadFailure(WrittenBy([](auto& archive) {
              Write(archive, BitmapHeader{true, 1, 1, -1});
            })),
            "Invalid reply");
}

TEST(ReplySizes, PastThe32BitSizesOfTheWireAreRefused) {
  EXPECT_EQ(ReplySize(2147483647), 2147483647);
  EXPECT_THROW(ReplySize(2147483648), std::runtime_error);
  EXPECT_EQ(AnimationReplySize(0, 2147483647 - 64), 2147483647);
  try {
    AnimationReplySize(33554431, 1);
    ADD_FAILURE() << "no failure";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "IntegerOverflow");
  }
  EXPECT_THROW(AnimationReplySize(1 << 30, 0), std::runtime_error);
}

}  // namespace
