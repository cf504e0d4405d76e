#include "imaging/frame_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace zel {
namespace {

constexpr int64_t kMaxCount = std::numeric_limits<int32_t>::max();

[[noreturn]] void ThrowOverflow() { throw std::runtime_error("Integer overflow"); }

}  // namespace

int32_t TruncToInt32(double value) {
  // Also false for NaN, which then takes the out-of-range path.
  if (value > -2147483649.0 && value < 2147483648.0) return static_cast<int32_t>(value);
  return std::numeric_limits<int32_t>::min();
}

int32_t SaturateToInt32(uint64_t value) {
  return static_cast<int32_t>(std::min<uint64_t>(value, kMaxCount));
}

int32_t ScaledSide(int64_t side, double scale) {
  return std::max(1, TruncToInt32(static_cast<double>(side) * scale));
}

std::optional<PixelSize> FitIntoBox(uint64_t columns, uint64_t rows, int32_t longSideLimit,
                                    int32_t shortSideLimit) {
  const bool taller = rows > columns;
  const double widthBound = taller ? shortSideLimit : longSideLimit;
  const double heightBound = taller ? longSideLimit : shortSideLimit;
  const double k =
      std::min(heightBound / static_cast<double>(rows), widthBound / static_cast<double>(columns));
  if (!(k < 1.0)) return std::nullopt;
  const auto round = [k](uint64_t side) {
    return std::max<uint64_t>(1, static_cast<uint64_t>(std::floor(k * side + 0.5)));
  };
  return PixelSize{round(columns), round(rows)};
}

int32_t FrameByteCount(int64_t columns, int64_t rows) {
  if (columns < 0 || rows < 0) ThrowOverflow();
  // Divide before multiplying so that the check itself cannot overflow.
  if (columns != 0 && rows > kMaxCount / 4 / columns) ThrowOverflow();
  return static_cast<int32_t>(columns * rows * 4);
}

int32_t AddFrameBytes(int32_t total, int64_t columns, int64_t rows) {
  const int64_t sum = static_cast<int64_t>(total) + FrameByteCount(columns, rows);
  if (sum > kMaxCount) ThrowOverflow();
  return static_cast<int32_t>(sum);
}

int32_t ScaledTotalBytes(const std::vector<PixelSize>& frames, double scale) {
  int64_t sum = 0;
  for (const PixelSize& frame : frames) {
    sum += int64_t{ScaledSide(static_cast<int64_t>(frame.width), scale)} *
           ScaledSide(static_cast<int64_t>(frame.height), scale) * 4;
    if (sum > kMaxCount) ThrowOverflow();
  }
  return static_cast<int32_t>(sum);
}

int64_t PlanFrameRects(const std::vector<FrameBounds>& frames, double scale, int32_t outWidth,
                       int32_t outHeight, std::vector<FrameRect>& rects) {
  constexpr int64_t kMargin = 2;
  rects.clear();
  int64_t sum = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    FrameRect rect{0, 0, outWidth, outHeight};
    if (i > 0) {
      FrameBounds area = frames[i];
      const FrameBounds& previous = frames[i - 1];
      if (previous.dispose == 2 || previous.dispose == 3) {
        area.left = std::min(area.left, previous.left);
        area.top = std::min(area.top, previous.top);
        area.right = std::max(area.right, previous.right);
        area.bottom = std::max(area.bottom, previous.bottom);
      }
      const auto lower = [scale](int64_t v) {
        return std::max<int64_t>(0, static_cast<int64_t>(std::floor(scale * v)) - kMargin);
      };
      const auto upper = [scale](int64_t v, int32_t limit) {
        return std::min<int64_t>(static_cast<int64_t>(std::ceil(scale * v)) + kMargin, limit);
      };
      const int64_t x0 = lower(area.left), y0 = lower(area.top);
      const int64_t x1 = upper(area.right, outWidth), y1 = upper(area.bottom, outHeight);
      if (x1 <= x0 || y1 <= y0) {
        rect = FrameRect{0, 0, 1, 1};
      } else {
        rect = FrameRect{static_cast<int32_t>(x0), static_cast<int32_t>(y0),
                         static_cast<int32_t>(x1 - x0), static_cast<int32_t>(y1 - y0)};
      }
    }
    rects.push_back(rect);
    sum += int64_t{rect.width} * rect.height * 4;
  }
  return sum;
}

}  // namespace zel
