#include "imaging/summarize_image.h"

#include <gtest/gtest.h>

#include "tests/support/test_images.h"
#include "util/strings.h"

namespace zel {
namespace {

using test::Bytes;

Bytes SmallJpeg() { return test::Encode(test::Filled(8, 6, "gray"), "JPEG"); }

ImageSummary Ping(const Bytes& data, const std::u16string& name = u"image") {
  ImageSummary summary;
  EXPECT_TRUE(PingImageSummary(data.data(), static_cast<int32_t>(data.size()), name, summary));
  return summary;
}

TEST(PingImageSummary, SizeOfAPlainImage) {
  const ImageSummary summary = Ping(test::Encode(test::Filled(7, 3, "blue"), "PNG"));
  EXPECT_EQ(summary.width, 7);
  EXPECT_EQ(summary.height, 3);
  EXPECT_EQ(summary.flags, 0);
  EXPECT_EQ(summary.rotation, 0);
  EXPECT_EQ(summary.dateTaken, "");
}

TEST(PingImageSummary, OrientationReportsTurnButNotMirror) {
  const ImageSummary mirrored = Ping(test::WithExif(SmallJpeg(), 2, "", ""));
  EXPECT_EQ(mirrored.rotation, 0);
  EXPECT_EQ(mirrored.flags & ImageSummary::kTurnedFlag, 0);

  const ImageSummary upsideDown = Ping(test::WithExif(SmallJpeg(), 3, "", ""));
  EXPECT_EQ(upsideDown.rotation, 180);
  EXPECT_EQ(upsideDown.flags & ImageSummary::kTurnedFlag, 0);

  const ImageSummary mirroredTurned = Ping(test::WithExif(SmallJpeg(), 5, "", ""));
  EXPECT_EQ(mirroredTurned.rotation, 90);
  EXPECT_NE(mirroredTurned.flags & ImageSummary::kTurnedFlag, 0);

  const ImageSummary left = Ping(test::WithExif(SmallJpeg(), 8, "", ""));
  EXPECT_EQ(left.rotation, 270);
  EXPECT_NE(left.flags & ImageSummary::kTurnedFlag, 0);
  // The stored size is reported as stored; the viewer swaps it.
  EXPECT_EQ(left.width, 8);
  EXPECT_EQ(left.height, 6);
}

TEST(PingImageSummary, AnimationFlagFollowsTheDelay) {
  const Bytes animation =
      test::EncodeFrames({test::AnimationFrame(4, 4, "red", Magick::Geometry(4, 4, 0, 0), 10, 0),
                          test::AnimationFrame(4, 4, "blue", Magick::Geometry(4, 4, 0, 0), 10, 0)},
                         "GIF");
  EXPECT_EQ(Ping(animation).flags, ImageSummary::kAnimatedFlag);
  EXPECT_EQ(Ping(test::Encode(test::Filled(4, 4, "red"), "GIF")).flags, 0);
}

TEST(PingImageSummary, ImageWithoutPixelsFailsAndDamagedDataRaises) {
  ImageSummary summary;
  const Bytes junk = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
  EXPECT_ANY_THROW(PingImageSummary(junk.data(), static_cast<int32_t>(junk.size()), u"x", summary));
  EXPECT_ANY_THROW(PingImageSummary(junk.data(), -5, u"x", summary));
  EXPECT_FALSE(SummarizeImage(Magick::Image(), summary));
  EXPECT_EQ(summary.width, 0);
}

TEST(DateTaken, EarlierOfTheTwoDatesWins) {
  EXPECT_EQ(
      Ping(test::WithExif(SmallJpeg(), 0, "2020:01:01 00:00:00", "2021:03:04 12:34:56")).dateTaken,
      "2020-01-01 00:00:00.000");
  EXPECT_EQ(
      Ping(test::WithExif(SmallJpeg(), 0, "2021:03:04 12:34:56", "2020:01:01 00:00:00")).dateTaken,
      "2020-01-01 00:00:00.000");
  EXPECT_EQ(Ping(test::WithExif(SmallJpeg(), 1, "2021:03:04 12:34:56", "")).dateTaken,
            "2021-03-04 12:34:56.000");
}

TEST(DateTaken, MalformedDatesAreSkipped) {
  // Three tokens only: no time, no date.
  EXPECT_EQ(Ping(test::WithExif(SmallJpeg(), 0, "2021:03:04", "")).dateTaken, "");
  // A digitized date that is not a date leaves the original one.
  EXPECT_EQ(Ping(test::WithExif(SmallJpeg(), 0, "2019:05:06 07:08:09", "garbage")).dateTaken,
            "2019-05-06 07:08:09.000");
}

TEST(DateTaken, AnUnknownDateDoesNotHideARealOne) {
  // Cameras write twenty blanks and colons when they do not know the date. Taken as a date it would
  // sort before every real one and win; it is no date at all, so the real one is reported.
  const std::string blank = "    :  :     :  :   ";
  ASSERT_EQ(blank.size(), 20u);
  EXPECT_EQ(Ping(test::WithExif(SmallJpeg(), 0, "2020:01:01 00:00:00", blank)).dateTaken,
            "2020-01-01 00:00:00.000");
  EXPECT_EQ(Ping(test::WithExif(SmallJpeg(), 0, blank, "")).dateTaken, "");
}

}  // namespace
}  // namespace zel
