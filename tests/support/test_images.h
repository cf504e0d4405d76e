// Test inputs made on the spot through the image library, and small pixel helpers.
#pragma once

#include <Magick++.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/image_decoder.h"

namespace zel::test {

using Bytes = std::vector<uint8_t>;

// A BGRA pixel as the decoder exports it.
struct Bgra {
  int b = 0;
  int g = 0;
  int r = 0;
  int a = 0;
};

// The temporary folder the test process hands to set-up.
const std::u16string& TestTempFolder();

Magick::Image Filled(size_t width, size_t height, const std::string& color);

// `image` encoded in `format` ("PNG", "JPEG", ...).
Bytes Encode(Magick::Image image, const std::string& format);

// The frames encoded as one multi-frame file.
Bytes EncodeFrames(std::vector<Magick::Image> frames, const std::string& format);

// `png` claiming to be `width` pixels wide: the image library refuses to make pictures past its
// own size limits, and its decoder gives up on such a header before it reads any pixels.
Bytes WithPngWidth(Bytes png, uint32_t width);

// A frame of an animation: its own size, page offset on a canvas, delay and disposal.
Magick::Image AnimationFrame(size_t width, size_t height, const std::string& color,
                             const Magick::Geometry& page, size_t delay, size_t dispose);

// JPEG bytes with an EXIF segment (APP1) placed right after the start marker. Orientation 0 and
// empty dates are left out.
Bytes WithExif(const Bytes& jpeg, int orientation, const std::string& dateOriginal,
               const std::string& dateDigitized);

// Loads `data` and returns the first frame's pixels.
Bytes LoadAndExport(ImageDecoder& decoder, const Bytes& data, int32_t rotation = 0,
                    bool autoOrient = false, const std::u16string& name = u"test");

Bytes ExportCurrent(ImageDecoder& decoder);

Bgra PixelAt(const Bytes& pixels, int32_t width, int32_t x, int32_t y);

// Opaque and within `tolerance` of the colour on every channel.
bool Near(const Bgra& pixel, int b, int g, int r, int tolerance = 40);

// 16 × 8, blue with a red 4 × 4 block in the top-left corner: where the block ends up tells an
// orientation apart from every other one.
Magick::Image Marked();

enum Corner { kTopLeft, kTopRight, kBottomRight, kBottomLeft };

// The corner whose pixel one step in from the edges is red; -1 when none or more than one is.
int RedCorner(const Bytes& pixels, int32_t width, int32_t height);

}  // namespace zel::test
