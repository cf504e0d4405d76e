// The PNG probe over partial data: what it asks for, when it gives up, and that its answers agree
// with a full decode.
#include <gtest/gtest.h>

#include "imaging/png_crc.h"
#include "tests/unit/service/probe_inputs.h"

namespace zel::test {
namespace {

constexpr char kPng[] = "image/png";
constexpr char kDate[] = "2021:03:04 12:34:56";
constexpr char kNormalisedDate[] = "2021-03-04 12:34:56.000";

PngChunk Text(const std::string& type, const std::string& keyword, const std::string& text) {
  PngChunk chunk{type, Bytes(keyword.begin(), keyword.end())};
  chunk.data.push_back(0);
  if (type != "tEXt") chunk.data.push_back(0);  // compression flag or method
  if (type == "iTXt") {
    chunk.data.push_back(0);  // compression method
    chunk.data.push_back(0);  // empty language tag
    chunk.data.push_back(0);  // empty translated keyword
  }
  chunk.data.insert(chunk.data.end(), text.begin(), text.end());
  return chunk;
}

// The image library takes EXIF data from chunks of this spelling; the registered "eXIf" is walked
// the same way (see the agreement test).
PngChunk Exif(int orientation, const std::string& type = "exIf") {
  return {type, ExifTiff(orientation, kDate, "")};
}

TEST(PngCrc, MatchesTheKnownChunkCrcs) {
  const uint8_t iend[4] = {'I', 'E', 'N', 'D'};
  EXPECT_EQ(0xAE426082u, PngCrc(iend, 4));
  EXPECT_EQ(0u, PngCrc(iend, 0));
}

TEST(PngProbe, HeadInsideTheHeaderAsksForTheHeaderAndATail) {
  const Bytes png = NoisePng(300, 300);
  ASSERT_GT(png.size(), 200000u);
  // The IHDR chunk ends at 33; the next chunk's header needs 8 more; then the 64 KiB step.
  Probed probed = ProbeEnds(png, kPng, 20, 0);
  EXPECT_EQ(1, probed.result);
  EXPECT_EQ(65577, probed.needHead);
  EXPECT_EQ(65536, probed.needTail);
  // A small file caps both needs at its size.
  const Bytes small = NoisePng(20, 20);
  ASSERT_LT(small.size(), 65536u);
  probed = ProbeEnds(small, kPng, 20, 0);
  EXPECT_EQ(1, probed.result);
  EXPECT_EQ(static_cast<int32_t>(small.size()), probed.needHead);
  EXPECT_EQ(static_cast<int32_t>(small.size()), probed.needTail);

  // The sizes asked for are enough.
  probed = ProbeEnds(png, kPng, 65577, 65536);
  EXPECT_EQ(0, probed.result);
  EXPECT_EQ(300, probed.summary.width);
  EXPECT_EQ(300, probed.summary.height);
  EXPECT_EQ(0, probed.needHead);
  EXPECT_EQ(0, probed.needTail);
}

TEST(PngProbe, HeadThroughTheImageDataAsksOnlyForTheTail) {
  const Bytes png = NoisePng(300, 300);
  Probed probed = ProbeEnds(png, kPng, 65536, 0);
  EXPECT_EQ(1, probed.result);
  EXPECT_EQ(0, probed.needHead);
  EXPECT_EQ(65536, probed.needTail);
  // A whole file has no tail to ask for.
  const Bytes small = NoisePng(60, 60);
  probed = ProbeEnds(small, kPng, static_cast<int64_t>(small.size()), 0);
  EXPECT_EQ(0, probed.result);
  EXPECT_EQ(60, probed.summary.width);
}

TEST(PngProbe, ExifAfterTheImageDataIsMovedInFrontForThePing) {
  const Bytes png = WithChunkAfterImageData(NoisePng(300, 200), Exif(6));
  Probed probed = ProbeEnds(png, kPng, 65536, 0);
  ASSERT_EQ(1, probed.result);
  EXPECT_EQ(65536, probed.needTail);
  probed = ProbeEnds(png, kPng, 65536, probed.needTail);
  ASSERT_EQ(0, probed.result);
  EXPECT_EQ(300, probed.summary.width);
  EXPECT_EQ(200, probed.summary.height);
  EXPECT_EQ(90, probed.summary.rotation);
  EXPECT_EQ(ImageSummary::kTurnedFlag, probed.summary.flags);
  EXPECT_EQ(kNormalisedDate, probed.summary.dateTaken);

  // The same when the whole file is the head.
  probed = ProbeEnds(png, kPng, static_cast<int64_t>(png.size()), 0);
  ASSERT_EQ(0, probed.result);
  EXPECT_EQ(90, probed.summary.rotation);
  EXPECT_EQ(kNormalisedDate, probed.summary.dateTaken);
}

TEST(PngProbe, ExifBeforeTheImageDataIsReadFromTheHead) {
  const Bytes png = WithChunkBeforeImageData(NoisePng(300, 200), Exif(3));
  const Probed probed = ProbeEnds(png, kPng, 65536, 65536);
  ASSERT_EQ(0, probed.result);
  EXPECT_EQ(180, probed.summary.rotation);
  EXPECT_EQ(0, probed.summary.flags);
  EXPECT_EQ(kNormalisedDate, probed.summary.dateTaken);
}

TEST(PngProbe, LayoutsThePingCannotReadAreRefused) {
  const Bytes base = NoisePng(200, 100);
  const auto whole = [](const Bytes& png) {
    return ProbeEnds(png, kPng, static_cast<int64_t>(png.size()), 0).result;
  };
  // Two EXIF chunks, one on each side of the image data.
  EXPECT_EQ(2, whole(WithChunkAfterImageData(WithChunkBeforeImageData(base, Exif(6)), Exif(8))));
  EXPECT_EQ(
      2, whole(WithChunkAfterImageData(WithChunkBeforeImageData(base, Exif(6, "eXIf")), Exif(6))));
  // EXIF or TIFF data in text chunks, before or after the image data.
  EXPECT_EQ(2, whole(WithChunkBeforeImageData(base, Text("zTXt", "Raw profile type exif", "x"))));
  EXPECT_EQ(2, whole(WithChunkAfterImageData(base, Text("tEXt", "EXIF:Orientation", "6"))));
  EXPECT_EQ(2, whole(WithChunkBeforeImageData(base, Text("tEXt", "tiff:Make", "x"))));
  // XMP after the image data.
  EXPECT_EQ(2, whole(WithChunkAfterImageData(base, Text("iTXt", "XML:com.adobe.xmp", "<x/>"))));
  // A text chunk without the zero byte that ends its keyword.
  EXPECT_EQ(2, whole(WithChunkBeforeImageData(base, {"tEXt", Bytes(90, 'k')})));
  // An unknown chunk after the image data.
  EXPECT_EQ(2, whole(WithChunkAfterImageData(base, {"prVt", Bytes(4, 1)})));

  // Ordinary text and a time stamp are fine on either side.
  Bytes png = WithChunkBeforeImageData(base, Text("tEXt", "Comment", "hello"));
  png = WithChunkAfterImageData(png, Text("iTXt", "Title", "x"));
  png = WithChunkAfterImageData(png, {"tIME", Bytes{7, 230, 1, 2, 3, 4, 5}});
  EXPECT_EQ(0, whole(png));
}

TEST(PngProbe, CorruptOrTruncatedFilesGiveTwo) {
  const Bytes png = NoisePng(200, 100);
  const auto whole = [](const Bytes& bytes) {
    return ProbeEnds(bytes, kPng, static_cast<int64_t>(bytes.size()), 0).result;
  };
  Bytes badCrc = png;
  badCrc[30] ^= 1;  // inside the IHDR data
  EXPECT_EQ(2, whole(badCrc));
  Bytes badType = png;
  badType[12] = '1';
  EXPECT_EQ(2, whole(badType));
  Bytes badSignature = png;
  badSignature[1] = 'Q';
  EXPECT_EQ(2, whole(badSignature));
  Bytes topBit = png;
  topBit[8] = 0x80;
  EXPECT_EQ(2, whole(topBit));
  EXPECT_EQ(2, ProbeEnds(png, kPng, 7, 0).result);
  // Cut short: no IEND at the end, and no larger tail can bring one.
  const Bytes cut(png.begin(), png.end() - 100);
  EXPECT_EQ(2, whole(cut));
  EXPECT_EQ(2, ProbeEnds(cut, kPng, 1000, 65536).result);
  Bytes trailing = png;
  trailing.insert(trailing.end(), 40, 0);
  Probed probed = ProbeEnds(trailing, kPng, 1000, 65536);
  EXPECT_EQ(2, probed.result);
  EXPECT_EQ(0, probed.needTail);
  // A header that claims more than the file holds, and a first chunk that is not IHDR.
  EXPECT_EQ(2, ProbeEnds(png, kPng, 20, 0, 30).result);
  std::vector<PngChunk> chunks = SplitPng(png);
  std::swap(chunks[0], chunks[1]);
  EXPECT_EQ(2, whole(JoinPng(chunks)));
  // An IEND before the image data.
  chunks = SplitPng(png);
  chunks.insert(chunks.begin() + 1, PngChunk{"IEND", {}});
  EXPECT_EQ(2, whole(JoinPng(chunks)));
}

TEST(PngProbe, ChunkLongerThanTheTailAsksForTheLargestTail) {
  const Bytes png = WithChunkAfterImageData(NoisePng(400, 400),
                                            Text("tEXt", "Comment", std::string(100000, 'c')));
  const int64_t size = static_cast<int64_t>(png.size());
  Probed probed = ProbeEnds(png, kPng, 65536, 65536);
  ASSERT_EQ(1, probed.result);
  EXPECT_EQ(0, probed.needHead);
  EXPECT_EQ(std::min<int64_t>(size, 1048576), probed.needTail);
  EXPECT_EQ(0, ProbeEnds(png, kPng, 65536, probed.needTail).result);
}

TEST(PngProbe, LongChunkBeforeTheImageDataIsAskedForUpToOneMebibyte) {
  const Bytes base = NoisePng(400, 400);
  Bytes png = WithChunkBeforeImageData(base, Text("tEXt", "Comment", std::string(100000, 'c')));
  const int64_t textEnd = ChunkOffset(png, "IDAT");
  Probed probed = ProbeEnds(png, kPng, 65536, 0);
  ASSERT_EQ(1, probed.result);
  EXPECT_EQ(textEnd + 8 + 65536, probed.needHead);
  EXPECT_EQ(65536, probed.needTail);
  EXPECT_EQ(0, ProbeEnds(png, kPng, probed.needHead, probed.needTail).result);
  // Past 1 MiB the probe gives up instead.
  png = WithChunkBeforeImageData(base, Text("tEXt", "Comment", std::string(1100000, 'c')));
  probed = ProbeEnds(png, kPng, 65536, 0);
  EXPECT_EQ(2, probed.result);
  EXPECT_EQ(0, probed.needHead);
}

TEST(PngProbe, CraftedTailCannotMakeTheSearchQuadratic) {
  // Before IEND, 256 KiB in which every eighth offset looks like the start of a chunk that ends
  // right before IEND, each with a wrong CRC: each candidate costs a CRC over up to the whole tail.
  const Bytes base = NoisePng(300, 300);
  Bytes png(base.begin(), base.end() - 12);
  const size_t fieldStart = png.size();
  const size_t span = 256 * 1024;
  png.resize(fieldStart + span, 'a');
  const size_t end = fieldStart + span;
  for (size_t at = fieldStart; at + 12 <= end; at += 8) {
    const uint32_t length = static_cast<uint32_t>(end - 12 - at);
    png[at] = static_cast<uint8_t>(length >> 24);
    png[at + 1] = static_cast<uint8_t>(length >> 16);
    png[at + 2] = static_cast<uint8_t>(length >> 8);
    png[at + 3] = static_cast<uint8_t>(length);
  }
  const Bytes iend = EncodeChunk({"IEND", {}});
  png.insert(png.end(), iend.begin(), iend.end());
  const Probed probed = ProbeEnds(png, kPng, 65536, static_cast<int64_t>(span) + 12);
  EXPECT_EQ(2, probed.result);
  EXPECT_EQ(0, probed.needTail);
}

TEST(PngProbe, AnimatedPngAnswersAsTheFullDecodeDoes) {
  // acTL and fcTL before the image data: the default image is the first frame.
  const Bytes base = NoisePng(64, 48);
  Bytes actl = {0, 0, 0, 1, 0, 0, 0, 0};
  Bytes fctl = {0, 0, 0, 0, 0, 0, 0, 64, 0, 0, 0, 48, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 10, 0, 0};
  const Bytes png =
      WithChunkBeforeImageData(WithChunkBeforeImageData(base, {"acTL", actl}), {"fcTL", fctl});
  const Probed probed = ProbeEnds(png, kPng, static_cast<int64_t>(png.size()), 0);
  ASSERT_EQ(0, probed.result);
  ImageSummary full;
  ASSERT_TRUE(FullSummary(png, kPng, full));
  EXPECT_EQ(full.width, probed.summary.width);
  EXPECT_EQ(full.height, probed.summary.height);
  EXPECT_EQ(full.flags, probed.summary.flags);
}

}  // namespace
}  // namespace zel::test
