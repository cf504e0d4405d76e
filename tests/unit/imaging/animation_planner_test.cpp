#include "imaging/animation_planner.h"

#include <gtest/gtest.h>

#include <limits>

namespace zel {
namespace {

constexpr int32_t kAnyBudget = std::numeric_limits<int32_t>::max();
constexpr PlanRules kCanvas{.margin = 2, .byOutputRatio = false};
constexpr PlanRules kFastPath{.margin = 0, .byOutputRatio = true};

TEST(AnimationPlanner, CanvasRectanglesReachTwoPixelsPastTheChange) {
  // Canvas 100 × 80 at half scale is 50 × 40.
  const std::vector<FrameBounds> frames = {
      {0, 0, 100, 80, 0},
      {20, 10, 40, 30, 2},  // disposal 2: the next frame also repaints this area
      {60, 50, 100, 80, 0},
  };
  const auto plan = PlanAnimation(frames, 100, 80, 0.5, kAnyBudget, kCanvas);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->scale, 0.5);
  EXPECT_EQ(std::make_pair(plan->canvasWidth, plan->canvasHeight), std::make_pair(50, 40));
  ASSERT_EQ(plan->rects.size(), 3u);
  EXPECT_EQ(plan->rects[0], (FrameRect{0, 0, 50, 40}));
  // 10..20 × 5..15, widened by 2 on every side.
  EXPECT_EQ(plan->rects[1], (FrameRect{8, 3, 14, 14}));
  // Union with frame 1 (20..100 × 10..80) → 10..50 × 5..40, widened and clipped to the canvas.
  EXPECT_EQ(plan->rects[2], (FrameRect{8, 3, 42, 37}));
  EXPECT_EQ(plan->totalBytes, (50 * 40 + 14 * 14 + 42 * 37) * 4);
}

TEST(AnimationPlanner, FastPathRectanglesFollowTheTruncatedOutputSizeWithoutMargin) {
  const std::vector<FrameBounds> frames = {{0, 0, 20, 20, 1}, {3, 3, 7, 7, 0}, {10, 10, 10, 15, 0}};
  const auto plan = PlanAnimation(frames, 20, 20, 0.5, kAnyBudget, kFastPath);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->rects[0], (FrameRect{0, 0, 10, 10}));
  // Floor on the near side, ceiling on the far side, no margin.
  EXPECT_EQ(plan->rects[1], (FrameRect{1, 1, 3, 3}));
  EXPECT_EQ(plan->totalBytes, 10 * 10 * 4 + 3 * 3 * 4 + 4);

  // 25 × 0.5 truncates to 12: the fast path maps x by 12 / 25, canvas mode by the scale itself.
  const std::vector<FrameBounds> edge = {{0, 0, 25, 10, 0}, {20, 0, 25, 10, 0}};
  EXPECT_EQ(PlanAnimation(edge, 25, 10, 0.5, kAnyBudget, kFastPath)->rects[1],
            (FrameRect{9, 0, 3, 5}));
  EXPECT_EQ(PlanAnimation(edge, 25, 10, 0.5, kAnyBudget, {.margin = 0})->rects[1],
            (FrameRect{10, 0, 2, 5}));
}

TEST(AnimationPlanner, EmptyAreaBecomesOnePixelAtOrigin) {
  // A frame entirely left of the canvas changes nothing visible.
  const std::vector<FrameBounds> frames = {{0, 0, 10, 10, 0}, {-40, 0, -20, 10, 0}};
  for (const PlanRules& rules : {kCanvas, kFastPath}) {
    const auto plan = PlanAnimation(frames, 10, 10, 1.0, kAnyBudget, rules);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->rects[1], (FrameRect{0, 0, 1, 1})) << rules.margin;
    EXPECT_EQ(plan->totalBytes, (100 + 1) * 4) << rules.margin;
  }
}

TEST(AnimationPlanner, ShrinksPastTheSquareRootOnlyAsFarAsTheMarginsNeed) {
  // A 100 × 100 first frame and a 10 × 10 change in the middle: 40,400 bytes at their own size.
  const std::vector<FrameBounds> frames = {{0, 0, 100, 100, 0}, {45, 45, 55, 55, 0}};
  constexpr int32_t kBudget = 10000;
  const double start = BudgetScale(kBudget, 40400);
  EXPECT_EQ(BudgetScale(kBudget, kBudget), 1.0);
  // Without margins the square-root estimate fits at once...
  const auto fast = PlanAnimation(frames, 100, 100, start, kBudget, kFastPath);
  ASSERT_TRUE(fast);
  EXPECT_EQ(fast->scale, start);
  // ...while canvas mode's margins push it over, and the search settles just below it.
  const auto canvas = PlanAnimation(frames, 100, 100, start, kBudget, kCanvas);
  ASSERT_TRUE(canvas);
  EXPECT_LT(canvas->scale, start);
  EXPECT_LE(canvas->totalBytes, kBudget);
  EXPECT_GT(canvas->totalBytes, kBudget * 9 / 10);
  // Every frame sends at least one pixel: two frames never fit 7 bytes.
  EXPECT_FALSE(PlanAnimation(frames, 100, 100, start, 7, kCanvas));
}

}  // namespace
}  // namespace zel
