#include "imaging/orientation.h"

namespace zel {

bool ApplyStoredOrientation(Magick::Image& image) {
  switch (image.orientation()) {
    case Magick::TopRightOrientation:  // 2
      image.flop();
      return false;
    case Magick::BottomRightOrientation:  // 3
      image.rotate(180);
      return false;
    case Magick::BottomLeftOrientation:  // 4
      image.rotate(180);
      image.flop();
      return false;
    case Magick::LeftTopOrientation:  // 5
      image.rotate(90);
      image.flop();
      return true;
    case Magick::RightTopOrientation:  // 6
      image.rotate(90);
      return true;
    case Magick::RightBottomOrientation:  // 7
      image.rotate(270);
      image.flop();
      return true;
    case Magick::LeftBottomOrientation:  // 8
      image.rotate(270);
      return true;
    default:
      return false;
  }
}

bool RotateFrame(Magick::Image& image, int32_t rotation) {
  image.rotate(rotation);
  return rotation == 90 || rotation == 270;
}

bool TurnFrame(Magick::Image& image, int32_t rotation, bool autoOrient) {
  if (rotation != 0) return RotateFrame(image, rotation);
  return autoOrient && ApplyStoredOrientation(image);
}

}  // namespace zel
