// FPDF_RenderPageBitmap: MuPDF's draw device paints straight into the bitmap's memory.
//
// The bitmap is handed to MuPDF as a BGRA pixmap whose alpha is the filler byte. Since that byte
// is 0xFF everywhere, the pixmap is opaque, premultiplied and plain colours coincide, and
// drawing composites the page over what the bitmap holds.
#include <mupdf/fitz.h>

#include <algorithm>
#include <cstdint>

#include "pdfium/mupdf/mupdf_objects.h"
#include "util/request_deadline.h"

namespace {

// Sets the filler byte of every pixel in the rectangle (callers may have written any value).
void MakeOpaque(fpdf_bitmap_t__* bitmap, const fz_irect& area) {
  for (int y = area.y0; y < area.y1; ++y) {
    uint8_t* row = bitmap->pixels.get() + static_cast<size_t>(y) * bitmap->stride;
    for (int x = area.x0; x < area.x1; ++x) row[x * 4 + 3] = 0xFF;
  }
}

// Maps the page (in points, top-left origin) onto the target rectangle, turned clockwise by
// rotate × 90 degrees.
fz_matrix PageToDevice(const fz_rect& bounds, int rotate, int start_x, int start_y, int size_x,
                       int size_y) {
  const float w = bounds.x1 - bounds.x0;
  const float h = bounds.y1 - bounds.y0;
  fz_matrix m = fz_translate(-bounds.x0, -bounds.y0);
  float turned_w = w;
  float turned_h = h;
  switch (rotate & 3) {
    case 1:
      m = fz_concat(fz_concat(m, fz_rotate(90)), fz_translate(h, 0));
      turned_w = h;
      turned_h = w;
      break;
    case 2:
      m = fz_concat(fz_concat(m, fz_rotate(180)), fz_translate(w, h));
      break;
    case 3:
      m = fz_concat(fz_concat(m, fz_rotate(270)), fz_translate(0, w));
      turned_w = h;
      turned_h = w;
      break;
    default:
      break;
  }
  m = fz_concat(m, fz_scale(size_x / turned_w, size_y / turned_h));
  return fz_concat(m, fz_translate(static_cast<float>(start_x), static_cast<float>(start_y)));
}

// Runs the page through the draw device; a page that fails half-way keeps what was drawn. The
// request's deadline can abort the drawing (forms that draw each other many times over take for
// ever); the caller then learns of it from the deadline itself.
void Draw(fz_context* ctx, fpdf_bitmap_t__* bitmap, fz_page* page, fz_matrix ctm,
          const fz_irect& clip, bool annotations) {
  fz_cookie cookie = {};
  const vesku::ScopedAbortFlag abortAtDeadline(&cookie.abort);
  fz_pixmap* pixmap = nullptr;
  fz_device* device = nullptr;
  fz_var(pixmap);
  fz_var(device);
  fz_try(ctx) {
    pixmap = fz_new_pixmap_with_data(ctx, fz_device_bgr(ctx), bitmap->width, bitmap->height,
                                     nullptr, 1, bitmap->stride, bitmap->pixels.get());
    device = fz_new_draw_device_with_bbox(ctx, ctm, pixmap, &clip);
    fz_run_page_contents(ctx, page, device, fz_identity, &cookie);
    if (annotations) {
      fz_run_page_annots(ctx, page, device, fz_identity, &cookie);
      fz_run_page_widgets(ctx, page, device, fz_identity, &cookie);
    }
    fz_close_device(ctx, device);
  }
  fz_always(ctx) {
    fz_drop_device(ctx, device);
    fz_drop_pixmap(ctx, pixmap);
  }
  fz_catch(ctx) {}
}

}  // namespace

extern "C" void FPDF_RenderPageBitmap(FPDF_BITMAP bitmap, FPDF_PAGE page, int start_x, int start_y,
                                      int size_x, int size_y, int rotate, int flags) {
  if (bitmap == nullptr || page == nullptr || size_x <= 0 || size_y <= 0) return;
  const fz_rect& bounds = page->bounds;
  if (!(bounds.x1 > bounds.x0) || !(bounds.y1 > bounds.y0)) return;
  // The target rectangle clipped to the bitmap, in 64 bits so no sum overflows.
  const fz_irect clip = {
      static_cast<int>(std::max<int64_t>(start_x, 0)),
      static_cast<int>(std::max<int64_t>(start_y, 0)),
      static_cast<int>(std::min<int64_t>(int64_t{start_x} + size_x, bitmap->width)),
      static_cast<int>(std::min<int64_t>(int64_t{start_y} + size_y, bitmap->height))};
  if (clip.x0 >= clip.x1 || clip.y0 >= clip.y1) return;
  MakeOpaque(bitmap, clip);
  Draw(page->document->ctx, bitmap, page->page,
       PageToDevice(bounds, rotate, start_x, start_y, size_x, size_y), clip,
       (flags & FPDF_ANNOT) != 0);
  // Blending rounds; the filler byte stays exactly 0xFF whatever the page held.
  MakeOpaque(bitmap, clip);
}
