// The JPEG header probe over partial data: a header cut off anywhere asks for exactly the bytes up
// to where the parser stopped plus the margin, and only a complete 8-bit header is pinged.
#include <gtest/gtest.h>

#include "imaging/jpeg_header_probe.h"
#include "tests/unit/service/probe_inputs.h"

namespace zel::test {
namespace {

constexpr char kJpeg[] = "image/jpeg";
// A file size far beyond every need, so that a need shows its exact value instead of the cap.
constexpr int64_t kLargeFile = 10 << 20;

// Offset of the first marker segment of `marker`, walking the segments from the start.
int64_t SegmentOffset(const Bytes& jpeg, uint8_t marker) {
  size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
    if (jpeg[at + 1] == marker) return static_cast<int64_t>(at);
    at += 2 + ((size_t{jpeg[at + 2]} << 8) | jpeg[at + 3]);
  }
  return -1;
}

// Grows the EXIF segment (right after the start marker) by `extra` bytes after its TIFF data.
Bytes WithLargeExif(const Bytes& jpeg, size_t extra) {
  Bytes out = jpeg;
  const size_t length = (size_t{out[4]} << 8) | out[5];
  out.insert(out.begin() + static_cast<std::ptrdiff_t>(4 + length), extra, 0);
  out[4] = static_cast<uint8_t>((length + extra) >> 8);
  out[5] = static_cast<uint8_t>((length + extra) & 0xFF);
  return out;
}

TEST(JpegProbe, WholeHeaderInTheHeadGivesTheSummaryAtOnce) {
  const Bytes jpeg = WithExif(NoiseJpeg(400, 300), 6, "2019:05:06 07:08:09", "");
  ASSERT_GT(jpeg.size(), 65536u);
  const Probed probed = ProbeEnds(jpeg, kJpeg, 65536, 0);
  ASSERT_EQ(0, probed.result);
  EXPECT_EQ(400, probed.summary.width);
  EXPECT_EQ(300, probed.summary.height);
  EXPECT_EQ(90, probed.summary.rotation);
  EXPECT_EQ(ImageSummary::kTurnedFlag, probed.summary.flags);
  EXPECT_EQ("2019-05-06 07:08:09.000", probed.summary.dateTaken);
  EXPECT_EQ(0, probed.needHead);
  EXPECT_EQ(0, probed.needTail);
}

TEST(JpegProbe, HeadEndingInsideTheFrameHeaderAsksForMore) {
  const Bytes jpeg = NoiseJpeg(64, 64);
  const int64_t sof = SegmentOffset(jpeg, 0xC0);
  ASSERT_GT(sof, 0);
  // The parser stops after the marker code it could not finish.
  Probed probed = ProbeEnds(jpeg, kJpeg, sof + 6, 0, kLargeFile);
  EXPECT_EQ(1, probed.result);
  EXPECT_EQ(sof + 2 + 65536, probed.needHead);
  EXPECT_EQ(0, probed.needTail);
  // Capped at the file's size, which is then enough.
  probed = ProbeEnds(jpeg, kJpeg, sof + 6, 0);
  EXPECT_EQ(1, probed.result);
  EXPECT_EQ(static_cast<int32_t>(jpeg.size()), probed.needHead);
  EXPECT_EQ(0, ProbeEnds(jpeg, kJpeg, probed.needHead, 0).result);
}

TEST(JpegProbe, SkippedExifBytesCountTowardsTheNeed) {
  const Bytes jpeg =
      WithLargeExif(WithExif(NoiseJpeg(64, 64), 8, "2020:01:01 00:00:00", ""), 60000);
  const int64_t exifEnd = 4 + ((int64_t{jpeg[4]} << 8) | jpeg[5]);
  ASSERT_GT(exifEnd, 60000);
  Probed probed = ProbeEnds(jpeg, kJpeg, 1000, 0, kLargeFile);
  EXPECT_EQ(1, probed.result);
  EXPECT_EQ(exifEnd + 65536, probed.needHead);

  probed = ProbeEnds(jpeg, kJpeg, 1000, 0);
  ASSERT_EQ(1, probed.result);
  EXPECT_EQ(static_cast<int32_t>(jpeg.size()), probed.needHead);
  probed = ProbeEnds(jpeg, kJpeg, probed.needHead, 0);
  ASSERT_EQ(0, probed.result);
  EXPECT_EQ(270, probed.summary.rotation);
  EXPECT_EQ("2020-01-01 00:00:00.000", probed.summary.dateTaken);
}

TEST(JpegProbe, DataThatCannotHoldAHeaderGivesTwo) {
  const Bytes jpeg = NoiseJpeg(32, 32);
  EXPECT_EQ(2, ProbeEnds(jpeg, kJpeg, 2, 0).result);
  Bytes notJpeg = jpeg;
  notJpeg[2] = 0x00;
  EXPECT_EQ(2, ProbeEnds(notJpeg, kJpeg, 65536, 0).result);
  // The whole file, cut inside the header.
  const Bytes cut(jpeg.begin(), jpeg.begin() + SegmentOffset(jpeg, 0xC0) + 6);
  Probed probed = ProbeEnds(cut, kJpeg, static_cast<int64_t>(cut.size()), 0);
  EXPECT_EQ(2, probed.result);
  EXPECT_EQ(0, probed.needHead);
  // Tables without a frame.
  Bytes tablesOnly(jpeg.begin(), jpeg.begin() + SegmentOffset(jpeg, 0xC0));
  tablesOnly.push_back(0xFF);
  tablesOnly.push_back(0xD9);
  EXPECT_EQ(2, ProbeEnds(tablesOnly, kJpeg, static_cast<int64_t>(tablesOnly.size()), 0).result);
  // 12-bit samples.
  Bytes twelveBit = jpeg;
  twelveBit[static_cast<size_t>(SegmentOffset(jpeg, 0xC0)) + 4] = 12;
  EXPECT_EQ(2, ProbeEnds(twelveBit, kJpeg, static_cast<int64_t>(jpeg.size()), 0).result);
  // Garbage after the start marker.
  Bytes garbage = {0xFF, 0xD8, 0xFF, 0x01, 0x02, 0x03};
  garbage.resize(4096, 0x5A);
  EXPECT_EQ(2, ProbeEnds(garbage, kJpeg, 4096, 0).result);
}

TEST(ReadJpegHeader, ReportsPrecisionOrTheOffsetReached) {
  const Bytes jpeg = NoiseJpeg(16, 16);
  int32_t precision = 0;
  int64_t needed = 0;
  EXPECT_EQ(kJpegHeaderComplete,
            ReadJpegHeader(jpeg.data(), static_cast<int32_t>(jpeg.size()), precision, needed));
  EXPECT_EQ(8, precision);
  EXPECT_EQ(kJpegHeaderSuspended, ReadJpegHeader(jpeg.data(), 2, precision, needed));
  EXPECT_EQ(2, needed);
  EXPECT_EQ(kJpegHeaderFailed, ReadJpegHeader(jpeg.data() + 1, 100, precision, needed));
}

}  // namespace
}  // namespace zel::test
