// The four requests through a real host: transport errors, bitmaps, file information and
// properties, and several viewer threads at once.
#include <gtest/gtest.h>

#include <Magick++.h>

#include <array>
#include <map>
#include <thread>

#include "client/replies.h"
#include "rpc/archive_values.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/test_documents.h"
#include "tests/support/test_images.h"
#include "tests/support/test_pdfs.h"

namespace zel::e2e {
namespace {

using client::BitmapOptions;
using client::BitmapReply;
using test::Bytes;

class HostJobs : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new WorkFolder("HostJobs");
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

  // The reply as it arrives, to see its exact size.
  static client::RawReply RawFileInfo(const client::FileRef& file) {
    client::RawReply raw = client_->Call(
        client::FileInfoRequestSize(file),
        [&](vesk::CArchiveOverBuffer& archive) { client::WriteFileInfoRequest(archive, file); });
    EXPECT_EQ(0, raw.status);
    return raw;
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

  // Only bit 0 of the options means anything.
  for (const int32_t optionBits : {~1, 3}) {
    const client::FileRef file = FileOf(jpeg, u"a.jpg", "image/jpeg");
    const client::RawReply raw =
        client_->Call(client::BitmapRequestSize(file), [&](vesk::CArchiveOverBuffer& archive) {
          for (const int32_t value : {2, 0, optionBits, 0, 0}) vesk::WriteInt(archive, value);
          client::WriteWideString(archive, file.name);
          vesk::WriteString(archive, file.mimeType);
          std::copy_n(file.data, file.size, vesk::WriteBinary(archive, file.size));
        });
    ASSERT_EQ(0, raw.status);
    reply = client::DecodeBitmapReply(raw.payload);
    EXPECT_EQ((optionBits & 1) ? 20 : 40, reply.width) << optionBits;
  }

  BitmapOptions rotate;
  rotate.rotation = 90;
  reply = Convert(test::Encode(test::Filled(40, 20, "red"), "PNG"), rotate);
  EXPECT_EQ(20, reply.width);
  EXPECT_EQ(40, reply.height);
}

// An animated GIF with transparency and both restoring disposals, frames at offsets, sides
// multiplied by `unit`: frame 0 is a red block on a transparent screen of 60 x 40, frame 1 (blue)
// is restored to the background and frame 2 (lime) to what was there before it.
Bytes DisposingAnimation(size_t unit) {
  Magick::Image first = test::AnimationFrame(60 * unit, 40 * unit, "none",
                                             Magick::Geometry(60 * unit, 40 * unit, 0, 0), 10, 1);
  first.fillColor(Magick::Color("red"));
  first.draw(Magick::DrawableRectangle(10 * unit, 8 * unit, 50 * unit - 1, 32 * unit - 1));
  std::vector<Magick::Image> frames = {
      first,
      test::AnimationFrame(20 * unit, 10 * unit, "blue",
                           Magick::Geometry(20 * unit, 10 * unit, 5 * unit, 5 * unit), 20, 2),
      test::AnimationFrame(30 * unit, 20 * unit, "lime",
                           Magick::Geometry(30 * unit, 20 * unit, 25 * unit, 15 * unit), 30, 3),
      test::AnimationFrame(10 * unit, 10 * unit, "yellow",
                           Magick::Geometry(10 * unit, 10 * unit, 40 * unit, 2 * unit), 0, 1)};
  return test::EncodeFrames(frames, "GIF");
}

// The library's own coalesced frames, flattened onto white and scaled (area average) to
// width x height; BGRA, one per frame.
std::vector<Bytes> CoalescedOnWhite(const Bytes& gif, int32_t width, int32_t height) {
  std::vector<Magick::Image> read;
  Magick::readImages(&read, Magick::Blob(gif.data(), gif.size()));
  std::vector<Magick::Image> coalesced;
  Magick::coalesceImages(&coalesced, read.begin(), read.end());
  std::vector<Bytes> states;
  for (const Magick::Image& frame : coalesced) {
    Magick::Image flat(Magick::Geometry(frame.columns(), frame.rows()), Magick::Color("white"));
    flat.composite(frame, 0, 0, Magick::OverCompositeOp);
    Magick::Geometry size(width, height);
    size.aspect(true);
    flat.scale(size);
    Bytes pixels(static_cast<size_t>(width) * height * 4);
    flat.write(0, 0, width, height, "BGRA", Magick::CharPixel, pixels.data());
    states.push_back(std::move(pixels));
  }
  return states;
}

// The reply's frames drawn one after the other onto its canvas, as a viewer draws them; the
// canvas after every frame.
std::vector<Bytes> DrawnStates(const BitmapReply& reply) {
  Bytes canvas(static_cast<size_t>(reply.width) * reply.height * 4, 0);
  std::vector<Bytes> states;
  for (const client::Frame& frame : reply.frames) {
    EXPECT_LE(frame.x + frame.width, reply.width);
    EXPECT_LE(frame.y + frame.height, reply.height);
    for (int32_t y = 0; y < frame.height; ++y) {
      std::copy_n(frame.bgra.begin() + static_cast<size_t>(y) * frame.width * 4, frame.width * 4,
                  canvas.begin() + (static_cast<size_t>(frame.y + y) * reply.width + frame.x) * 4);
    }
    states.push_back(canvas);
  }
  return states;
}

double MeanDifference(const Bytes& a, const Bytes& b) {
  double sum = 0.0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int{a[i]} - int{b[i]});
  return sum / static_cast<double>(a.size());
}

// Within the budget, the frames are the animation's own composition: opaque, transparency shown
// as white, every frame after the first only the area that changed (its own rectangle joined with
// the previous frame's when that one restores), and a reply sized exactly for them.
TEST_F(HostJobs, AnimatedGifFramesAreTheComposedChanges) {
  const Bytes gif = DisposingAnimation(1);
  const client::FileRef file = FileOf(gif, u"a.gif", "image/gif");
  const client::RawReply raw = client_->Call(
      client::BitmapRequestSize(file),
      [&](vesk::CArchiveOverBuffer& archive) { client::WriteBitmapRequest(archive, file, {}); });
  ASSERT_EQ(0, raw.status);
  const BitmapReply reply = client::DecodeBitmapReply(raw.payload);
  ASSERT_TRUE(reply.animated);
  EXPECT_EQ(std::make_pair(60, 40), std::make_pair(reply.width, reply.height));

  const std::vector<std::array<int32_t, 5>> expected = {
      {0, 0, 60, 40, 100}, {5, 5, 20, 10, 200}, {5, 5, 50, 30, 300}, {25, 2, 30, 33, 0}};
  ASSERT_EQ(expected.size(), reply.frames.size());
  size_t pixelBytes = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    const client::Frame& frame = reply.frames[i];
    EXPECT_EQ(expected[i],
              (std::array<int32_t, 5>{frame.x, frame.y, frame.width, frame.height, frame.delayMs}))
        << "frame " << i;
    for (size_t p = 3; p < frame.bgra.size(); p += 4) ASSERT_EQ(255, frame.bgra[p]) << i;
    pixelBytes += frame.bgra.size();
  }
  EXPECT_EQ((expected.size() + 1) * 64 + pixelBytes, raw.payload.size());

  const std::vector<Bytes> drawn = DrawnStates(reply);
  const std::vector<Bytes> library = CoalescedOnWhite(gif, reply.width, reply.height);
  ASSERT_EQ(library.size(), drawn.size());
  for (size_t i = 0; i < drawn.size(); ++i) EXPECT_EQ(library[i], drawn[i]) << "frame " << i;
}

// A budget below the animation's size: the same composition, shrunk until every frame fits.
TEST_F(HostJobs, AnimatedGifOverBudgetIsComposedAtAScaleThatFits) {
  const Bytes gif = DisposingAnimation(2);
  const int32_t need = 4 * 4 * (60 * 40 + 20 * 10 + 30 * 20 + 10 * 10);
  client::HostOptions options = HostOptionsFor(*work_);
  // The host's byte budget is half of its channel.
  options.bufferSize = need / 2;
  client::CHostClient small(options);
  const BitmapReply reply = small.ConvertToBitmap(FileOf(gif, u"a.gif", "image/gif"), {});
  ASSERT_TRUE(reply.animated);
  EXPECT_LT(reply.width, 120);
  EXPECT_LT(reply.height, 80);
  size_t pixelBytes = 0;
  for (const client::Frame& frame : reply.frames) pixelBytes += frame.bgra.size();
  EXPECT_LE(pixelBytes, static_cast<size_t>(need / 4));

  const std::vector<Bytes> drawn = DrawnStates(reply);
  const std::vector<Bytes> library = CoalescedOnWhite(gif, reply.width, reply.height);
  ASSERT_EQ(library.size(), drawn.size());
  for (size_t i = 0; i < drawn.size(); ++i) {
    EXPECT_LT(MeanDifference(library[i], drawn[i]), 1.0) << "frame " << i;
  }
}

TEST_F(HostJobs, DelaysTooLongForMillisecondsAreHeldAtTheLargest) {
  std::vector<Magick::Image> frames = {
      test::AnimationFrame(4, 4, "red", Magick::Geometry(4, 4, 0, 0), 300000000, 1),
      test::AnimationFrame(4, 4, "blue", Magick::Geometry(4, 4, 0, 0), 7, 1)};
  const BitmapReply reply = Convert(test::EncodeFrames(frames, "MIFF"), {}, "");
  ASSERT_EQ(2u, reply.frames.size());
  EXPECT_EQ(INT32_MAX, reply.frames[0].delayMs);
  EXPECT_EQ(70, reply.frames[1].delayMs);
}

TEST_F(HostJobs, PdfPageIsMeasuredAndRenderedAtScreenSize) {
  const Bytes pdf = test::MakePdf({test::TestPage{}});
  const client::RawReply raw = RawFileInfo(FileOf(pdf, u"doc.pdf", "application/pdf"));
  EXPECT_EQ(48u, raw.payload.size());
  const client::FileInfoReply info = client::DecodeFileInfoReply(raw.payload);
  ASSERT_TRUE(info.known);
  EXPECT_EQ(795, info.summary.width);
  EXPECT_EQ(1123, info.summary.height);
  EXPECT_EQ(0, info.summary.flags);
  const BitmapReply bitmap = Convert(pdf, {}, "application/pdf");
  EXPECT_FALSE(bitmap.animated);
  EXPECT_EQ(795, bitmap.width);
  EXPECT_EQ(1123, bitmap.height);
}

TEST_F(HostJobs, WordDocumentsAndTextAreLaidOutOnTheirPage) {
  const char* const kDocx =
      "application/vnd.openxmlformats-officedocument.wordprocessingml.document";
  const struct {
    Bytes bytes;
    const char* mime;
    int32_t width, height;
  } cases[] = {
      {test::MakeDocx(test::Paragraph("Title", "Title") + test::Paragraph("Body text")), kDocx, 795,
       1123},
      {test::MakeDocx(test::Paragraph("Letter") +
                      "<w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/></w:sectPr>"),
       kDocx, 814, 1055},
      {test::ToBytes("Hello\nWorld\n日本語"), "application/octet-stream", 795, 1123},
  };
  for (const auto& item : cases) {
    const client::FileInfoReply info = client::DecodeFileInfoReply(
        RawFileInfo(FileOf(item.bytes, u"document", item.mime)).payload);
    ASSERT_TRUE(info.known) << item.mime;
    EXPECT_EQ(item.width, info.summary.width);
    EXPECT_EQ(item.height, info.summary.height);
    const BitmapReply bitmap = Convert(item.bytes, {}, item.mime);
    EXPECT_EQ(item.width, bitmap.width);
    EXPECT_EQ(item.height, bitmap.height);
  }
  // Refused documents are error replies, like any other failed conversion.
  EXPECT_THROW(Convert(test::ToBytes("not a zip"), {}, kDocx), client::HostError);
  EXPECT_THROW(Convert(test::MakePdf({test::TestPage{}}), {}, "application/octet-stream"),
               client::HostError);
}

TEST_F(HostJobs, FileInfoOfImages) {
  const Bytes jpeg = test::WithExif(test::Encode(test::Filled(40, 20, "green"), "JPEG"), 6,
                                    "2021:03:04 12:34:56", "");
  const client::RawReply raw = RawFileInfo(FileOf(jpeg, u"a.jpg", "image/jpeg"));
  // Five integers and the date, whose fixed form is 23 bytes long.
  EXPECT_EQ(72u, raw.payload.size());
  client::FileInfoReply info = client::DecodeFileInfoReply(raw.payload);
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
