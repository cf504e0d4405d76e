// The frame comparison of the convert tool: what counts as changed and what the mean measures.
#include <gtest/gtest.h>

#include "tests/support/test_images.h"
#include "tools/compare_images.h"

namespace zel {
namespace {

TEST(CompareImages, IdenticalPicturesDifferInNothing) {
  double mean = -1;
  double changed = -1;
  CompareImages(test::Filled(8, 4, "#336699"), test::Filled(8, 4, "#336699"), mean, changed);
  EXPECT_EQ(0, mean);
  EXPECT_EQ(0, changed);
}

TEST(CompareImages, ChangedMeansMoreThanSixteenOnSomeChannel) {
  Magick::Image client = test::Filled(4, 1, "#000000");
  Magick::Image reference = test::Filled(4, 1, "#000000");
  reference.pixelColor(0, 0, Magick::Color("#100000"));  // 16 on red: not changed
  reference.pixelColor(1, 0, Magick::Color("#001100"));  // 17 on green: changed
  reference.pixelColor(2, 0, Magick::Color("#0000ff"));  // 255 on blue: changed
  double mean = 0;
  double changed = 0;
  CompareImages(client, reference, mean, changed);
  EXPECT_DOUBLE_EQ(0.5, changed);
  EXPECT_DOUBLE_EQ((16.0 + 17.0 + 255.0) / 12.0, mean);
}

TEST(CompareImages, AlphaIsNotCompared) {
  Magick::Image opaque = test::Filled(2, 2, "#ff0000");
  Magick::Image clear = test::Filled(2, 2, "#ff000000");
  double mean = -1;
  double changed = -1;
  CompareImages(opaque, clear, mean, changed);
  EXPECT_EQ(0, mean);
  EXPECT_EQ(0, changed);
}

}  // namespace
}  // namespace zel
