// Image summaries as the detection benchmark prints and compares them.
#pragma once

#include <string>

#include "facts/image_summary.h"

namespace zel {

// "640x480 f0 a0 []": size, flags, rotation and the capture date in brackets.
std::string FormatImageSummary(const ImageSummary& summary);

// Equal in every field, the date compared byte for byte.
bool SameImageSummary(const ImageSummary& a, const ImageSummary& b);

}  // namespace zel
