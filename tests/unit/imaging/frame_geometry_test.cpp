#include "imaging/frame_geometry.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

namespace zel {
namespace {

void ExpectFit(uint64_t columns, uint64_t rows, int32_t longSide, int32_t shortSide, uint64_t width,
               uint64_t height) {
  const std::optional<PixelSize> size = FitIntoBox(columns, rows, longSide, shortSide);
  ASSERT_TRUE(size.has_value()) << columns << "x" << rows;
  EXPECT_EQ(size->width, width) << columns << "x" << rows;
  EXPECT_EQ(size->height, height) << columns << "x" << rows;
}

TEST(FitIntoBox, BoxHasNoOrientation) {
  // The caller orders the box's sides, so 800 by 600 and 600 by 800 arrive alike.
  ExpectFit(2000, 1000, 800, 600, 800, 400);
  ExpectFit(1000, 2000, 800, 600, 400, 800);
  ExpectFit(1000, 1000, 800, 600, 600, 600);
}

TEST(FitIntoBox, NeverEnlargesRoundsHalfUpKeepsOnePixel) {
  EXPECT_FALSE(FitIntoBox(700, 500, 800, 600).has_value());
  EXPECT_FALSE(FitIntoBox(800, 600, 800, 600).has_value());
  // k = 0.1: the width 0.3 rounds to 0 and is kept at 1.
  ExpectFit(3, 1000, 100, 50, 1, 100);
  // k = 0.5: 501 × 0.5 = 250.5 becomes 251.
  ExpectFit(1000, 501, 500, 300, 500, 251);
}

TEST(ByteCounts, TwoLargestFramesOverflowOneDoesNot) {
  const int32_t one = AddFrameBytes(0, 16384, 16384);
  EXPECT_EQ(one, 1 << 30);
  try {
    AddFrameBytes(one, 16384, 16384);
    FAIL() << "no overflow";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Integer overflow");
  }
  // A frame whose own count wraps to a harmless value in 32 bits (2^32 → 0) is refused too.
  EXPECT_THROW(AddFrameBytes(0, 32768, 32768), std::runtime_error);
}

TEST(ByteCounts, StillImageBeyondSignedCountFails) {
  EXPECT_EQ(FrameByteCount(3, 3), 36);
  EXPECT_EQ(FrameByteCount(536870911, 1), 2147483644);
  EXPECT_THROW(FrameByteCount(536870912, 1), std::runtime_error);
  EXPECT_THROW(FrameByteCount(100000, 100000), std::runtime_error);
}

TEST(ByteCounts, ScaledTotalTruncatesEachSide) {
  // 10 frames of 1000 × 1000 at half size: 10 × 500 × 500 × 4.
  std::vector<PixelSize> frames(10, PixelSize{1000, 1000});
  EXPECT_EQ(ScaledTotalBytes(frames, 0.5), 10000000);
  // 3 × 0.3 = 0.9 truncates to 0 and is kept at 1.
  EXPECT_EQ(ScaledTotalBytes({PixelSize{3, 10}}, 0.3), 1 * 3 * 4);
  EXPECT_THROW(ScaledTotalBytes(std::vector<PixelSize>(3, PixelSize{16384, 16384}), 1.0),
               std::runtime_error);
  // Factors far out of range (a budget against a tiny need) still give 1 pixel, not a wrap.
  EXPECT_EQ(ScaledSide(1000, 1e10), 1);
  EXPECT_EQ(ScaledSide(1000, std::numeric_limits<double>::quiet_NaN()), 1);
}

}  // namespace
}  // namespace zel
