// Small GIF animations made on the fly through the image library, and the reference rendering
// that the fast path's frames are compared with.
#pragma once

#include <Magick++.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "imaging/gif_animation.h"

namespace zel::test {

struct FrameSpec {
  FrameSpec(int32_t x, int32_t y, int32_t width, int32_t height, std::string color, int32_t dispose,
            int32_t delay = 10, std::string innerColor = {})
      : x(x),
        y(y),
        width(width),
        height(height),
        color(std::move(color)),
        dispose(dispose),
        delay(delay),
        innerColor(std::move(innerColor)) {}

  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
  std::string color;       // fill of the whole frame ("none" for transparent)
  int32_t dispose;         // 0 none, 1 keep, 2 background, 3 previous
  int32_t delay;           // hundredths of a second
  std::string innerColor;  // optional square in the middle of the frame
};

// Encodes the frames as a GIF on a logical screen of screenWidth x screenHeight.
std::string MakeGif(const std::vector<FrameSpec>& frames, int32_t screenWidth, int32_t screenHeight,
                    bool interlaced = false);

// The fast path's frames drawn in order onto one BGRA canvas; one snapshot per frame.
std::vector<std::vector<uint8_t>> DrawFrames(const GifAnimation& animation);

// The library's own coalesced frames, cut to the box (left, top, width, height), flattened onto
// white and scaled to outWidth x outHeight; BGRA, one per frame.
std::vector<std::vector<uint8_t>> ReferenceFrames(const std::string& gif, int32_t left, int32_t top,
                                                  int32_t width, int32_t height, int32_t outWidth,
                                                  int32_t outHeight);

double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// B, G, R of the canvas pixel (x, y) as 0xRRGGBB.
uint32_t RgbAt(const std::vector<uint8_t>& canvas, int32_t width, int32_t x, int32_t y);

}  // namespace zel::test
