#include "tools/compare_images.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace zel {

namespace {

constexpr int kChangedAbove = 16;

std::vector<uint8_t> ExportRgb(Magick::Image& image, size_t columns, size_t rows) {
  std::vector<uint8_t> pixels(columns * rows * 3);
  image.write(0, 0, columns, rows, "RGB", Magick::CharPixel, pixels.data());
  return pixels;
}

}  // namespace

void CompareImages(Magick::Image client, Magick::Image reference, double& meanDiff,
                   double& changedFraction) {
  const size_t columns = client.columns();
  const size_t rows = client.rows();
  const size_t count = columns * rows;
  meanDiff = 0;
  changedFraction = 0;
  if (count == 0) return;
  const std::vector<uint8_t> a = ExportRgb(client, columns, rows);
  const std::vector<uint8_t> b = ExportRgb(reference, columns, rows);
  uint64_t sum = 0;
  size_t changed = 0;
  for (size_t i = 0; i < a.size(); i += 3) {
    int largest = 0;
    for (size_t c = 0; c < 3; ++c) {
      const int difference = std::abs(int{a[i + c]} - int{b[i + c]});
      sum += static_cast<uint64_t>(difference);
      largest = std::max(largest, difference);
    }
    if (largest > kChangedAbove) ++changed;
  }
  meanDiff = static_cast<double>(sum) / (static_cast<double>(count) * 3);
  changedFraction = static_cast<double>(changed) / static_cast<double>(count);
}

}  // namespace zel
