#include "pdf/page_geometry.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "pdf/screen_scaling.h"

namespace zel {
namespace {

constexpr int32_t kHalvingThreshold = 1000;
constexpr int32_t kMarginPoints = 1;

// A page length truncated to whole points; lengths that cannot be a page fail the document.
int32_t WholePoints(double points) {
  if (!(points >= 0.0 && points < double{std::numeric_limits<int32_t>::max()})) {
    throw std::runtime_error("Can't open pdf");
  }
  return static_cast<int32_t>(points);
}

int32_t FullLength(int32_t length, int32_t margin) {
  const int64_t full = int64_t{length} + 2 * int64_t{margin};
  if (full > std::numeric_limits<int32_t>::max()) throw std::runtime_error("Can't open pdf");
  return static_cast<int32_t>(full);
}

}  // namespace

PdfPageGeometry ComputePageGeometry(FPDF_PAGE page) {
  PdfPageGeometry g;
  g.width = WholePoints(FPDF_GetPageWidth(page));
  g.height = WholePoints(FPDF_GetPageHeight(page));
  ScaleToScreenPixels(&g.width, &g.height);
  if (g.width > kHalvingThreshold && g.height > kHalvingThreshold) {
    g.width /= 2;
    g.height /= 2;
  }
  g.marginX = kMarginPoints;
  g.marginY = kMarginPoints;
  ScaleToScreenPixels(&g.marginX, &g.marginY);
  g.fullWidth = FullLength(g.width, g.marginX);
  g.fullHeight = FullLength(g.height, g.marginY);
  return g;
}

}  // namespace zel
