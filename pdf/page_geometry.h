// The pixel size of a page's picture: the page itself and the thin frame around it.
#pragma once

#include <cstdint>

#include "pdfium/fpdfview.h"

namespace zel {

struct PdfPageGeometry {
  int32_t width = 0;  // page content, device pixels
  int32_t height = 0;
  int32_t marginX = 0;     // frame thickness left and right
  int32_t marginY = 0;     // frame thickness top and bottom
  int32_t fullWidth = 0;   // width + 2 × marginX
  int32_t fullHeight = 0;  // height + 2 × marginY
};

// The page's size at the screen's resolution; pages larger than 1000 pixels in both directions
// are shown at half size, and a page whose picture would still take more than the page byte limit
// is shown smaller still, just inside it. Throws std::runtime_error "Can't open pdf" for a page
// whose size does not fit the 32-bit sizes of a picture.
PdfPageGeometry ComputePageGeometry(FPDF_PAGE page);

// The most bytes a page's picture (4 per pixel, frame included) may take. The picture is rendered,
// held as a file image and decoded whole before any reply budget applies, so its size is settled
// before anything is drawn. Set once at start-up from the reply budget, before any request runs;
// until then it is the budget of a host started with the default channel size.
void SetPageByteLimit(int64_t bytes);

}  // namespace zel
