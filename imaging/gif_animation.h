// What the GIF fast path produces: a scaled canvas and, per source frame, the opaque BGRA
// rectangle of that canvas that changed. Frame 0 covers the whole canvas; a viewer draws the
// frames in order, each over what the earlier ones left.
#pragma once

#include <cstdint>
#include <vector>

namespace zel {

struct GifFrame {
  int32_t x = 0;  // position and size on the scaled canvas
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t delay = 0;            // hundredths of a second, as stored in the source frame
  std::vector<uint8_t> pixels;  // width * height * 4 bytes, B, G, R, A with A always 255

  // Gives the pixel memory back once the frame has been sent.
  void ReleasePixels() { std::vector<uint8_t>().swap(pixels); }
};

struct GifAnimation {
  int32_t canvasWidth = 0;
  int32_t canvasHeight = 0;
  double scale = 1.0;      // from the source bounding box to the canvas
  int64_t totalBytes = 0;  // sum of all frames' pixel byte counts
  std::vector<GifFrame> frames;
};

}  // namespace zel
