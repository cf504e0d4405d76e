// The four requests through a real host: transport errors, bitmaps, file information and
// properties, and several viewer threads at once.
#include <gtest/gtest.h>

#include <Magick++.h>

#include <map>
#include <thread>

#include "client/replies.h"
#include "rpc/archive_values.h"
#include "tests/e2e/e2e_support.h"
#include "tests/unit/imaging/test_images.h"
#include "tests/unit/pdf/test_pdfs.h"

namespace zel::e2e {
namespace {

using client::BitmapOptions;
using client::BitmapReply;
using test::Bytes;

class HostJobs : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new WorkFolder();
    client_ = new client::CHostClient(HostOptionsFor(*work_));
  }
  static void TearDownTestSuite() {
    delete client_;
    delete work_;
  }

  static std::string Console() { return ReadText(work_->path() / "console.txt"); }

  static BitmapReply Convert(const Bytes& bytes, const BitmapOptions& options = {},
                             const std::string& mime = "image/png") {
    return client_->ConvertToBitmap(FileOf(bytes, u"image.png", mime), options);
  }

  static WorkFolder* work_;
  static client::CHostClient* client_;
};

WorkFolder* HostJobs::work_ = nullptr;
client::CHostClient* HostJobs::client_ = nullptr;

int32_t ErrorStatus(const std::function<void(vesk::CArchiveOverBuffer&)>& write, int32_t size,
                    client::CHostClient& client) {
  return client.Call(size, write).status;
}

TEST_F(HostJobs, RequestsThatCannotBeServedGetStatusOne) {
  EXPECT_EQ(1, ErrorStatus([](vesk::CArchiveOverBuffer&) {}, 0, *client_));
  for (int32_t opcode : {0, 4, 5, 99}) {
    EXPECT_EQ(1, ErrorStatus([&](vesk::CArchiveOverBuffer& a) { vesk::WriteInt(a, opcode); }, 8,
                             *client_))
        << opcode;
  }
  EXPECT_EQ(
      1, ErrorStatus([](vesk::CArchiveOverBuffer& a) { vesk::WriteString(a, "x"); }, 16, *client_));
  // The host keeps serving afterwards.
  EXPECT_EQ(3, Convert(test::Encode(test::Filled(3, 3, "red"), "PNG")).width);
}

TEST_F(HostJobs, StillImageReplyHoldsExactlyThePixels) {
  Magick::Image image = test::Filled(3, 3, "#102030");
  image.pixelColor(1, 1, Magick::Color("#405060"));
  const Bytes png = test::Encode(image, "PNG");
  const client::RawReply raw =
      client_->Call(client::BitmapRequestSize(FileOf(png, u"a.png", "image/png")),
                    [&](vesk::CArchiveOverBuffer& archive) {
                      client::WriteBitmapRequest(archive, FileOf(png, u"a.png", "image/png"), {});
                    });
  ASSERT_EQ(0, raw.status);
  EXPECT_EQ(72u, raw.payload.size());
  const BitmapReply reply = client::DecodeBitmapReply(raw.payload);
  EXPECT_FALSE(reply.animated);
  ASSERT_EQ(1u, reply.frames.size());
  const Bytes& pixels = reply.frames[0].bgra;
  ASSERT_EQ(36u, pixels.size());
  EXPECT_EQ((std::vector<uint8_t>{0x30, 0x20, 0x10, 0xFF}),
            Bytes(pixels.begin(), pixels.begin() + 4));
  EXPECT_EQ((std::vector<uint8_t>{0x60, 0x50, 0x40, 0xFF}),
            Bytes(pixels.begin() + 16, pixels.begin() + 20));
}

TEST_F(HostJobs, SizeBoxOrientationAndRotation) {
  const Bytes large = test::Encode(test::Filled(1600, 1200, "blue"), "PNG");
  BitmapOptions box;
  box.boxSide1 = 800;
  box.boxSide2 = 600;
  BitmapReply reply = Convert(large, box);
  EXPECT_EQ(800, reply.width);
  EXPECT_EQ(600, reply.height);
  box.boxSide1 = 0;
  reply = Convert(large, box);
  EXPECT_EQ(1600, reply.width);
  EXPECT_EQ(1200, reply.height);

  // A 40 x 20 JPEG whose stored orientation turns it by 90 degrees.
  const Bytes jpeg = test::WithExif(test::Encode(test::Filled(40, 20, "green"), "JPEG"), 6, "", "");
  BitmapOptions orient;
  reply = Convert(jpeg, orient, "image/jpeg");
  EXPECT_EQ(20, reply.width);
  EXPECT_EQ(40, reply.height);
  orient.autoOrient = false;
  reply = Convert(jpeg, orient, "image/jpeg");
  EXPECT_EQ(40, reply.width);
  EXPECT_EQ(20, reply.height);

  BitmapOptions rotate;
  rotate.rotation = 90;
  reply = Convert(test::Encode(test::Filled(40, 20, "red"), "PNG"), rotate);
  EXPECT_EQ(20, reply.width);
  EXPECT_EQ(40, reply.height);
}

// Draws the reply's frames one after the other, as a viewer would, and compares every state of
// the canvas with the library's own coalesced frames. Frames that are sent as decoded carry no
// disposal, so the animation keeps every frame.
TEST_F(HostJobs, AnimationFramesComposeLikeTheLibrary) {
  std::vector<Magick::Image> frames = {
      test::AnimationFrame(60, 40, "red", Magick::Geometry(60, 40, 0, 0), 10, 1),
      test::AnimationFrame(20, 10, "blue", Magick::Geometry(20, 10, 5, 5), 20, 1),
      test::AnimationFrame(30, 20, "lime", Magick::Geometry(30, 20, 25, 15), 30, 1)};
  const Bytes gif = test::EncodeFrames(frames, "GIF");
  const BitmapReply reply = Convert(gif, {}, "image/gif");
  ASSERT_TRUE(reply.animated);
  EXPECT_EQ(60, reply.width);
  EXPECT_EQ(40, reply.height);

  std::vector<Magick::Image> read;
  Magick::readImages(&read, Magick::Blob(gif.data(), gif.size()));
  std::vector<Magick::Image> coalesced;
  Magick::coalesceImages(&coalesced, read.begin(), read.end());
  ASSERT_EQ(coalesced.size(), reply.frames.size());

  Bytes canvas(static_cast<size_t>(reply.width) * reply.height * 4, 0);
  for (size_t i = 0; i < reply.frames.size(); ++i) {
    const client::Frame& frame = reply.frames[i];
    EXPECT_EQ(static_cast<int32_t>((i + 1) * 100), frame.delayMs);
    for (int32_t y = 0; y < frame.height; ++y) {
      std::copy_n(frame.bgra.begin() + static_cast<size_t>(y) * frame.width * 4, frame.width * 4,
                  canvas.begin() + (static_cast<size_t>(frame.y + y) * reply.width + frame.x) * 4);
    }
    Bytes expected(canvas.size());
    coalesced[i].write(0, 0, reply.width, reply.height, "BGRA", Magick::CharPixel, expected.data());
    int mismatches = 0;
    for (size_t p = 0; p < canvas.size(); p += 4) {
      // Transparent pixels may carry any colour.
      if (canvas[p + 3] == 0 && expected[p + 3] == 0) continue;
      for (int c = 0; c < 4; ++c) mismatches += std::abs(canvas[p + c] - expected[p + c]) > 2;
    }
    EXPECT_EQ(0, mismatches) << "frame " << i;
  }
}

TEST_F(HostJobs, PdfPageIsMeasuredAndRenderedAtScreenSize) {
  const Bytes pdf = test::MakePdf({test::TestPage{}});
  const client::FileInfoReply info = client_->FileInfo(FileOf(pdf, u"doc.pdf", "application/pdf"));
  ASSERT_TRUE(info.known);
  EXPECT_EQ(795, info.summary.width);
  EXPECT_EQ(1123, info.summary.height);
  EXPECT_EQ(0, info.summary.flags);
  const BitmapReply bitmap = Convert(pdf, {}, "application/pdf");
  EXPECT_FALSE(bitmap.animated);
  EXPECT_EQ(795, bitmap.width);
  EXPECT_EQ(1123, bitmap.height);
}

TEST_F(HostJobs, FileInfoOfImages) {
  const Bytes jpeg = test::WithExif(test::Encode(test::Filled(40, 20, "green"), "JPEG"), 6,
                                    "2021:03:04 12:34:56", "");
  client::FileInfoReply info = client_->FileInfo(FileOf(jpeg, u"a.jpg", "image/jpeg"));
  ASSERT_TRUE(info.known);
  EXPECT_EQ(40, info.summary.width);
  EXPECT_EQ(20, info.summary.height);
  EXPECT_EQ(1, info.summary.flags);
  EXPECT_EQ(90, info.summary.rotation);
  EXPECT_EQ("2021-03-04 12:34:56.000", info.summary.dateTaken);

  std::vector<Magick::Image> frames = {
      test::AnimationFrame(8, 8, "red", Magick::Geometry(8, 8, 0, 0), 10, 1),
      test::AnimationFrame(8, 8, "blue", Magick::Geometry(8, 8, 0, 0), 10, 1)};
  info = client_->FileInfo(FileOf(test::EncodeFrames(frames, "GIF"), u"a.gif", "image/gif"));
  EXPECT_EQ(2, info.summary.flags & 2);
}

TEST_F(HostJobs, PropertiesCarryTheHostAttributes) {
  Bytes png = test::Encode(test::Filled(12, 7, "#FF000080"), "PNG");
  const client::PropertiesReply reply =
      client_->ReadImageProperties(FileOf(png, u"\u00e9t\u00e9.png", ""));
  ASSERT_TRUE(reply.found);
  EXPECT_FALSE(reply.properties.empty());
  std::string size = std::to_string(png.size());
  for (int at = static_cast<int>(size.size()) - 3; at > 0; at -= 3) size.insert(at, ",");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"zel.name", "\xC3\xA9t\xC3\xA9.png"},
      {"zel.size", size},
      {"zel.width", "12"},
      {"zel.height", "7"},
      {"zel.alpha", "Yes"}};
  EXPECT_EQ(expected, reply.hostAttributes);

  // Bytes that are no image: the answer is "1", not an error.
  const Bytes junk(100, 0x5A);
  EXPECT_FALSE(client_->ReadImageProperties(FileOf(junk, u"junk", "")).found);
}

TEST_F(HostJobs, UndecodableBytesFailAndOnlyBitmapFailuresAreLogged) {
  const Bytes junk(64, 0x5A);
  const std::string before = Console();
  EXPECT_THROW(client_->FileInfo(FileOf(junk, u"junk", "")), client::HostError);
  EXPECT_EQ(before, Console());
  EXPECT_THROW(Convert(junk, {}, ""), client::HostError);
  const std::string after = Console();
  ASSERT_GT(after.size(), before.size());
  const std::string added = after.substr(before.size());
  EXPECT_EQ(0u, added.find("zelHost: ConvertToBitmap failed: ")) << added;
  EXPECT_EQ("\r\n", added.substr(added.size() - 2));
}

TEST_F(HostJobs, ConcurrentConversionsMatchSequentialOnes) {
  std::vector<Bytes> files;
  for (const char* color : {"red", "#123456", "yellow", "#00FF0080", "navy", "white"}) {
    files.push_back(test::Encode(test::Filled(50 + files.size() * 7, 30, color), "PNG"));
  }
  std::vector<BitmapReply> sequential;
  for (const Bytes& file : files) sequential.push_back(Convert(file));

  std::vector<BitmapReply> concurrent(files.size());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < files.size(); ++i) {
    threads.emplace_back([&, i] {
      for (int round = 0; round < 3; ++round) concurrent[i] = Convert(files[i]);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(sequential[i].width, concurrent[i].width);
    EXPECT_EQ(sequential[i].frames[0].bgra, concurrent[i].frames[0].bgra) << i;
  }
}

}  // namespace
}  // namespace zel::e2e
