// The facts a viewer shows before it has pixels: size, orientation, animation flag and capture
// date, taken from an image that was read or pinged.
#pragma once

#include <Magick++.h>

#include <cstdint>
#include <string>

#include "facts/image_summary.h"

namespace zel {

// Fills size, flags, rotation and date; false (and nothing but the size set) for an image without
// rows or columns. The mirror part of orientations 2, 4, 5 and 7 is not reported.
bool SummarizeImage(const Magick::Image& image, ImageSummary& summary);

// The capture date "YYYY-MM-DD hh:mm:ss.mmm", or empty. Of the digitized and the original date the
// earlier one wins (the digitized one on a tie); an unreadable or malformed date is skipped. Never
// throws.
std::string DateTaken(const Magick::Image& image);

// Pings `size` bytes (attributes only, no pixels) and summarises them; false for an image without
// rows or columns. Library errors propagate.
bool PingImageSummary(const void* data, int32_t size, const std::u16string& name,
                      ImageSummary& summary);

}  // namespace zel
