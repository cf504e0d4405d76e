#include "pdf/page_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "pdf/screen_scaling.h"
#include "rpc/rpc_layout.h"

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

// The reply budget of a host started with the default channel size: half the channel.
constexpr int64_t kDefaultPageByteLimit = vesku_rpc::kDefaultChannelSize / 2;

int64_t& PageByteLimit() {
  static int64_t limit = kDefaultPageByteLimit;
  return limit;
}

int64_t PictureBytes(int64_t width, int64_t height, const PdfPageGeometry& g) {
  return (width + 2 * int64_t{g.marginX}) * (height + 2 * int64_t{g.marginY}) * 4;
}

// Shrinks the page (never its frame) by one factor on both sides until its picture fits.
void FitIntoByteLimit(PdfPageGeometry& g) {
  const int64_t limit = PageByteLimit();
  const int64_t need = PictureBytes(g.width, g.height, g);
  if (need <= limit) return;
  double factor = std::sqrt(static_cast<double>(limit) / static_cast<double>(need));
  int64_t width = g.width;
  int64_t height = g.height;
  do {
    width = std::max<int64_t>(1, static_cast<int64_t>(g.width * factor));
    height = std::max<int64_t>(1, static_cast<int64_t>(g.height * factor));
    factor *= 0.99;
  } while (PictureBytes(width, height, g) > limit && (width > 1 || height > 1));
  g.width = static_cast<int32_t>(width);
  g.height = static_cast<int32_t>(height);
}

int32_t FullLength(int32_t length, int32_t margin) {
  const int64_t full = int64_t{length} + 2 * int64_t{margin};
  if (full > std::numeric_limits<int32_t>::max()) throw std::runtime_error("Can't open pdf");
  return static_cast<int32_t>(full);
}

}  // namespace

void SetPageByteLimit(int64_t bytes) { PageByteLimit() = bytes; }

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
  FitIntoByteLimit(g);
  g.fullWidth = FullLength(g.width, g.marginX);
  g.fullHeight = FullLength(g.height, g.marginY);
  return g;
}

}  // namespace zel
