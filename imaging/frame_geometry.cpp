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

}  // namespace zel
