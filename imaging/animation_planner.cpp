#include "imaging/animation_planner.h"

#include <algorithm>
#include <cmath>

namespace zel {
namespace {

constexpr int kAttempts = 8;

FrameRect ChangedArea(const FrameBounds& frame, const FrameBounds& previous, double xFactor,
                      double yFactor, int32_t width, int32_t height, int64_t margin) {
  FrameBounds area = frame;
  if (previous.dispose == 2 || previous.dispose == 3) {
    area.left = std::min(area.left, previous.left);
    area.top = std::min(area.top, previous.top);
    area.right = std::max(area.right, previous.right);
    area.bottom = std::max(area.bottom, previous.bottom);
  }
  const auto lower = [margin](int64_t v, double factor) {
    return std::max<int64_t>(0, static_cast<int64_t>(std::floor(v * factor)) - margin);
  };
  const auto upper = [margin](int64_t v, double factor, int32_t limit) {
    return std::min<int64_t>(static_cast<int64_t>(std::ceil(v * factor)) + margin, limit);
  };
  const int64_t x0 = lower(area.left, xFactor), y0 = lower(area.top, yFactor);
  const int64_t x1 = upper(area.right, xFactor, width), y1 = upper(area.bottom, yFactor, height);
  if (x1 <= x0 || y1 <= y0) return FrameRect{0, 0, 1, 1};
  return FrameRect{static_cast<int32_t>(x0), static_cast<int32_t>(y0),
                   static_cast<int32_t>(x1 - x0), static_cast<int32_t>(y1 - y0)};
}

AnimationPlan PlanAtScale(const std::vector<FrameBounds>& frames, int32_t canvasWidth,
                          int32_t canvasHeight, double scale, const PlanRules& rules) {
  AnimationPlan plan;
  plan.scale = scale;
  plan.canvasWidth = ScaledSide(canvasWidth, scale);
  plan.canvasHeight = ScaledSide(canvasHeight, scale);
  const double xFactor =
      rules.byOutputRatio ? static_cast<double>(plan.canvasWidth) / canvasWidth : scale;
  const double yFactor =
      rules.byOutputRatio ? static_cast<double>(plan.canvasHeight) / canvasHeight : scale;
  plan.rects.reserve(frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    const FrameRect rect = i == 0 ? FrameRect{0, 0, plan.canvasWidth, plan.canvasHeight}
                                  : ChangedArea(frames[i], frames[i - 1], xFactor, yFactor,
                                                plan.canvasWidth, plan.canvasHeight, rules.margin);
    plan.rects.push_back(rect);
    plan.totalBytes += int64_t{rect.width} * rect.height * 4;
  }
  return plan;
}

}  // namespace

double BudgetScale(int32_t byteLimit, int64_t need) {
  return need > byteLimit ? std::sqrt(static_cast<double>(byteLimit) / static_cast<double>(need))
                          : 1.0;
}

std::optional<AnimationPlan> PlanAnimation(const std::vector<FrameBounds>& frames,
                                           int32_t canvasWidth, int32_t canvasHeight, double scale,
                                           int32_t byteLimit, const PlanRules& rules) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    AnimationPlan plan = PlanAtScale(frames, canvasWidth, canvasHeight, scale, rules);
    if (plan.totalBytes <= byteLimit) return plan;
    scale = BudgetScale(byteLimit, plan.totalBytes) * 0.98 * scale;
  }
  return std::nullopt;
}

}  // namespace zel
