// The few places where ImageMagick 6 (what Debian ships) and ImageMagick 7 differ for the host.
// The host is written against 7's model; everything that names a 6-only spelling, type or
// convention lives here, so moving to 7 changes only this file.
//
// Differences that need no code, kept here so they are not rediscovered:
// - Composite operators, filters, virtual-pixel and distortion methods are numbered differently
//   in 6 and 7 (7's Copy is 13 and Over 54); the code names them, never uses their numbers.
// - Magick++ 6 geometries carry separate "negative offset" flags; page offsets are therefore read
//   from the core image's page rectangle (signed in both versions), never through a Geometry.
// - Exporting "BGRA" from an image without alpha copies 6's opacity samples as they are, and not
//   every decoder sets them; the decoder makes such frames opaque after the export.
// - In 6, rotate moves a frame's page offsets and zoom scales them; the positions the decoder
//   reports are therefore taken from the offsets as decoded.
#pragma once

#include <Magick++.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zel::magick {

// Longest file name the library keeps in an image info, terminator included (MagickPathExtent
// in 7).
inline constexpr size_t kPathExtent = MaxTextExtent;

// Whether the image carries an alpha channel ("matte" in 6, an alpha trait in 7).
inline bool HasAlpha(const MagickCore::Image* image) {
  return image->matte != MagickCore::MagickFalse;
}

// The GIF disposal of a frame: 2 restores the background, 3 the previous canvas. Magick++ 6
// answers a size_t, 7 a DisposeType.
inline int32_t DisposalOf(const Magick::Image& image) {
  return static_cast<int32_t>(image.gifDisposeMethod());
}

// The GIF disposal stored in a core image. The GIF reader copies the file's three-bit field
// unchanged, so the values 4 to 7 that the format reserves land in a field whose enumeration
// only names 0 to 3; reading it as that enumeration is undefined, so the raw integer is copied.
inline int32_t DisposalOf(const MagickCore::Image* image) {
  static_assert(sizeof(image->dispose) == sizeof(int32_t));
  int32_t value = 0;
  std::memcpy(&value, &image->dispose, sizeof(value));
  return value;
}

// Writes `pixels` (laid out as `map`, samples of `type`) into a region of an existing image,
// keeping everything else about it; 7 reports failures through an exception record instead.
inline bool ImportPixels(MagickCore::Image* image, ssize_t x, ssize_t y, size_t width,
                         size_t height, const char* map, MagickCore::StorageType type,
                         const void* pixels) {
  return MagickCore::ImportImagePixels(image, x, y, width, height, map, type, pixels) !=
         MagickCore::MagickFalse;
}

// A frame's page offsets as decoded, signed.
inline int64_t PageX(const Magick::Image& image) { return image.constImage()->page.x; }
inline int64_t PageY(const Magick::Image& image) { return image.constImage()->page.y; }

// One pixel of a streamed row as floating-point samples in the range 0 to 65535.
struct StreamSample {
  float blue;
  float green;
  float red;
  float alpha;  // 65535 = opaque
};

// Reads pixel `index` of a row that the stream handler received. 6 hands over PixelPackets of
// float samples (HDRI) in blue, green, red, opacity order, with opacity = 65535 − alpha; 7 hands
// over Quantum samples in the image's channel order with a real alpha. In both, each streamed
// frame arrives at its own size and page offset, not composed onto the logical screen.
inline StreamSample ReadStreamSample(const void* row, size_t index) {
  const MagickCore::PixelPacket& pixel = static_cast<const MagickCore::PixelPacket*>(row)[index];
  return {static_cast<float>(pixel.blue), static_cast<float>(pixel.green),
          static_cast<float>(pixel.red), static_cast<float>(QuantumRange - pixel.opacity)};
}

}  // namespace zel::magick
