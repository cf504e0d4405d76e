// The partial-data request's size checks and probe table, and agreement of every sure answer with
// the full-file information path. (The replies of opcode 4 are checked end to end.)
#include <gtest/gtest.h>

#include <vector>

#include "service/probe_partial_image.h"
#include "tests/unit/service/probe_inputs.h"

namespace zel::test {
namespace {

TEST(ProbeByMime, UnsoundSizesAndUnknownTypesGiveTwoWithoutNeeds) {
  const Bytes png = NoisePng(300, 300);
  const int64_t size = static_cast<int64_t>(png.size());
  // The same bytes ask for more as a PNG, so each refusal below is the check's doing.
  ASSERT_EQ(1, ProbeEnds(png, "image/png", 20, 0).result);
  for (const char* mime : {"image/gif", "IMAGE/PNG", "image/png ", ""}) {
    const Probed probed = ProbeEnds(png, mime, 20, 0);
    EXPECT_EQ(2, probed.result) << mime;
    EXPECT_EQ(0, probed.needHead);
    EXPECT_EQ(0, probed.needTail);
  }
  EXPECT_EQ(2, ProbeEnds(png, "image/png", 20, 0, 19).result);
  EXPECT_EQ(2, ProbeEnds(png, "image/png", 0, 0).result);
  EXPECT_EQ(2, ProbeEnds(png, "image/png", 20, 100, 99).result);

  PartialImageData partial;
  partial.head = png.data();
  partial.headLength = 20;
  partial.totalSize = size;
  ImageSummary summary;
  int32_t needHead = -1;
  int32_t needTail = -1;
  partial.tailLength = 10;  // announced, but not there
  EXPECT_EQ(2, ProbeByMime(partial, "image/png", summary, needHead, needTail));
  partial.tailLength = -1;
  EXPECT_EQ(2, ProbeByMime(partial, "image/png", summary, needHead, needTail));
  partial.tailLength = 0;
  partial.head = nullptr;
  EXPECT_EQ(2, ProbeByMime(partial, "image/png", summary, needHead, needTail));
  EXPECT_EQ(0, needHead);
  EXPECT_EQ(0, needTail);
}

// Files the viewer meets, each probed as a viewer would and decoded whole: a sure answer must be
// the full path's answer.
TEST(ProbeAgreement, SureAnswersMatchTheFullFileSummary) {
  const Bytes plainPng = NoisePng(320, 240);
  const Bytes jpegs[] = {
      NoiseJpeg(500, 400),
      WithExif(NoiseJpeg(500, 400), 6, "2019:05:06 07:08:09", "2020:01:01 00:00:00"),
      WithExif(Encode(Filled(64, 32, "red"), "JPEG"), 3, "", ""),
      WithExif(Encode(Filled(64, 32, "red"), "JPEG"), 8, "", "2001:02:03 04:05:06"),
  };
  const Bytes pngs[] = {
      plainPng,
      Encode(Filled(33, 17, "blue"), "PNG"),
      WithChunkBeforeImageData(plainPng, {"exIf", ExifTiff(6, "2019:05:06 07:08:09", "")}),
      WithChunkAfterImageData(plainPng, {"exIf", ExifTiff(8, "", "2018:01:02 03:04:05")}),
      WithChunkAfterImageData(plainPng, {"eXIf", ExifTiff(6, "2019:05:06 07:08:09", "")}),
      WithChunkAfterImageData(plainPng, {"tIME", Bytes{7, 230, 1, 2, 3, 4, 5}}),
  };
  int sure = 0;
  const auto check = [&](const Bytes& file, const std::string& mime, size_t index) {
    int64_t sent = 0;
    const Probed probed = ProbeLikeAViewer(file, mime, &sent);
    ASSERT_EQ(0, probed.result) << mime << " #" << index;
    ++sure;
    EXPECT_LE(sent, static_cast<int64_t>(file.size()) + 65536);
    ImageSummary full;
    ASSERT_TRUE(FullSummary(file, mime, full)) << mime << " #" << index;
    EXPECT_EQ(full.width, probed.summary.width) << mime << " #" << index;
    EXPECT_EQ(full.height, probed.summary.height) << mime << " #" << index;
    EXPECT_EQ(full.flags, probed.summary.flags) << mime << " #" << index;
    EXPECT_EQ(full.rotation, probed.summary.rotation) << mime << " #" << index;
    EXPECT_EQ(full.dateTaken, probed.summary.dateTaken) << mime << " #" << index;
  };
  for (size_t i = 0; i < std::size(jpegs); ++i) check(jpegs[i], "image/jpeg", i);
  for (size_t i = 0; i < std::size(pngs); ++i) check(pngs[i], "image/png", i);
  EXPECT_EQ(10, sure);
}

}  // namespace
}  // namespace zel::test
