// Every frame leaves the decoder in sRGB: the viewer draws the bytes as they come, so a CMYK, Lab,
// YCbCr, linear or grey frame exported as it was decoded would show wrong colours (a red CMYK
// picture comes out cyan), and so would one whose embedded colour profile is not sRGB.
#pragma once

#include <Magick++.h>

namespace zel {

// Converts `frame` to sRGB in place: through its embedded colour profile when it has one for the
// frame's own colour space (RGB, grey or CMYK), otherwise with the library's colour-space
// transform. A frame that is already sRGB without a profile is left untouched. Library errors
// raise.
void ConvertToSrgb(Magick::Image& frame);

}  // namespace zel
