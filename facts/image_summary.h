// What a ping of an image (or the measurement of a document's first page) reports. Callers create
// it zero-filled with an empty date; producers set only the fields they know.
#pragma once

#include <cstdint>
#include <string>

namespace zel {

struct ImageSummary {
  // Bit 0: the stored orientation turns the picture by 90 or 270 degrees (a viewer swaps width
  // and height). Bit 1: the image is an animation.
  static constexpr int32_t kTurnedFlag = 1;
  static constexpr int32_t kAnimatedFlag = 2;

  int32_t width = 0;
  int32_t height = 0;
  int32_t flags = 0;
  int32_t rotation = 0;   // clockwise degrees implied by the stored orientation
  std::string dateTaken;  // "YYYY-MM-DD hh:mm:ss.mmm" or empty
};

}  // namespace zel
