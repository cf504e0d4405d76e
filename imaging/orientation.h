// Turning a frame upright: by the orientation stored in the file (the EXIF values 1 to 8) or by an
// angle the caller asks for. Both report whether the frame was turned, i.e. whether its width and
// height traded places, so that the caller can swap an animation's canvas to match.
#pragma once

#include <Magick++.h>

#include <cstdint>

namespace zel {

// Applies the stored orientation: mirrors for 2, 4, 5 and 7, rotates clockwise for 3 to 8.
bool ApplyStoredOrientation(Magick::Image& image);

// Rotates clockwise by any angle; only exactly 90 and 270 count as turned (−90 and 450 rotate the
// same way without counting).
bool RotateFrame(Magick::Image& image, int32_t rotation);

// Turns by `rotation` when it is not 0, otherwise by the stored orientation when `autoOrient` is
// set: an angle the caller asks for wins over what the file says.
bool TurnFrame(Magick::Image& image, int32_t rotation, bool autoOrient);

}  // namespace zel
