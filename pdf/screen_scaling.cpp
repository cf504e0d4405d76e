#include "pdf/screen_scaling.h"

#include <algorithm>
#include <limits>

#include "platform/screen.h"

namespace zel {
namespace {

constexpr double kPointsPerInch = 72.0;

int32_t Scale(int32_t points, int dotsPerInch) {
  const double pixels = dotsPerInch * static_cast<double>(points) / kPointsPerInch;
  // Converting an out-of-range double to an integer is undefined, so clamp first.
  const double clamped = std::clamp(pixels, double{std::numeric_limits<int32_t>::min()},
                                    double{std::numeric_limits<int32_t>::max()});
  return static_cast<int32_t>(clamped);
}

}  // namespace

void ScaleToScreenPixels(int32_t* x, int32_t* y) {
  if (x != nullptr) *x = Scale(*x, platform::ScreenDotsPerInchX());
  if (y != nullptr) *y = Scale(*y, platform::ScreenDotsPerInchY());
}

}  // namespace zel
