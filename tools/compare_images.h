// How far a picture that a viewer composes from the frames sent lies from a reference rendering.
#pragma once

#include <Magick++.h>

namespace zel {

// Compares red, green and blue (not alpha) over the client's area. `meanDiff`: the mean absolute
// difference per channel (0 to 255); `changedFraction`: the share of pixels where some channel
// differs by more than 16. Both 0 for an empty image.
void CompareImages(Magick::Image client, Magick::Image reference, double& meanDiff,
                   double& changedFraction);

}  // namespace zel
