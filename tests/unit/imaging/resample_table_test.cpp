#include "imaging/resample_table.h"

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

}  // namespace
}  // namespace zel
