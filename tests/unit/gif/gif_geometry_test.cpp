#include "imaging/gif_geometry.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

TEST(GifResampleTable, ShrinkAveragesTheCoveredArea) {
  // Ten samples into four: each output sample covers 2.5 source samples.
  const ResampleTable table = BuildResampleTable(10, 4, 0.4);
  ASSERT_EQ(table.first.size(), 4u);
  EXPECT_EQ(table.first[0], 0);
  ASSERT_EQ(table.count[0], 3);
  EXPECT_NEAR(table.weights[table.offset[0] + 0], 0.4f, 1e-6);
  EXPECT_NEAR(table.weights[table.offset[0] + 1], 0.4f, 1e-6);
  EXPECT_NEAR(table.weights[table.offset[0] + 2], 0.2f, 1e-6);
  EXPECT_EQ(table.first[1], 2);
  EXPECT_EQ(table.count[1], 3);
  EXPECT_NEAR(table.weights[table.offset[1]], 0.2f, 1e-6);
  EXPECT_EQ(table.first[3] + table.count[3], 10);
  for (size_t i = 0; i < 4; ++i) {
    float sum = 0.0f;
    for (int32_t k = 0; k < table.count[i]; ++k) sum += table.weights[table.offset[i] + k];
    EXPECT_NEAR(sum, 1.0f, 1e-6);
  }
}

TEST(GifOutputRects, FrameZeroIsTheCanvasAndLaterFramesTheirScaledArea) {
  const std::vector<SourceFrameRect> frames = {
      {0, 0, 20, 20, 1}, {3, 3, 7, 7, 0}, {10, 10, 10, 15, 0}};
  const std::vector<OutputRect> rects = ComputeOutputRects(frames, 0.5, 0.5, 10, 10);
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_EQ(rects[0].x1, 10);
  EXPECT_EQ(rects[0].y1, 10);
  // Floor on the near side, ceiling on the far side, no margin.
  EXPECT_EQ(rects[1].x0, 1);
  EXPECT_EQ(rects[1].y0, 1);
  EXPECT_EQ(rects[1].x1, 4);
  EXPECT_EQ(rects[1].y1, 4);
  // An empty area still sends one pixel, at the origin.
  EXPECT_EQ(rects[2].x0, 0);
  EXPECT_EQ(rects[2].y0, 0);
  EXPECT_EQ(rects[2].x1, 1);
  EXPECT_EQ(rects[2].y1, 1);
  EXPECT_EQ(TotalBytes(rects), 10 * 10 * 4 + 3 * 3 * 4 + 4);
}

}  // namespace
}  // namespace zel
