// The picture of a PDF's first page: its size for the file information request, and the framed
// rendering as a BMP file image for the bitmap path. Both hold the PDF library lock for the whole
// sequence, so any thread may call them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "facts/image_summary.h"

namespace zel {

// Writes the framed picture's full width and height into summary.width and summary.height and
// touches nothing else. Throws std::runtime_error "Can't open pdf" when the PDF or its first
// page cannot be loaded.
void MeasureFirstPdfPage(const uint8_t* data, uint32_t size, ImageSummary& summary);

// Renders the first page onto white inside a two-tone frame. On success `storage` holds exactly
// the BMP file image, `mimeType` is "image/bmp", and the result describes `storage`'s bytes. On
// failure (std::runtime_error "Can't open pdf") neither `storage` nor `mimeType` has changed.
std::pair<const uint8_t*, int32_t> RenderFirstPdfPage(const uint8_t* data, uint32_t size,
                                                      std::string& mimeType,
                                                      std::vector<uint8_t>& storage);

}  // namespace zel
