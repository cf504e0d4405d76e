// The arithmetic behind fitting and budgeting frames, kept apart from the image library so that
// sizes far beyond what can be decoded here (two 16384 × 16384 frames) can be checked. Byte
// counts that leave the decoder are signed 32-bit; every sum is formed in 64 bits and refused
// with "Integer overflow" instead of wrapping.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zel {

// A rectangle in whole pixels: position and size.
struct FrameRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  bool operator==(const FrameRect&) const = default;
};

struct PixelSize {
  uint64_t width = 0;
  uint64_t height = 0;
};

// Converts toward zero; a value outside the int32 range (or not a number) counts as the most
// negative int32.
int32_t TruncToInt32(double value);

// An unsigned count of the library (a frame delay read from the file can be any size) as a signed
// 32-bit value, held at the largest one.
int32_t SaturateToInt32(uint64_t value);

// A side multiplied by a budget factor: truncated, at least 1 pixel.
int32_t ScaledSide(int64_t side, double scale);

// The size that fits columns × rows into the box (the long limit bounds the longer side, a square
// counts as wide), rounded half up and at least 1 pixel; nothing when the image already fits, since
// images are never enlarged.
std::optional<PixelSize> FitIntoBox(uint64_t columns, uint64_t rows, int32_t longSideLimit,
                                    int32_t shortSideLimit);

// columns × rows × 4 as a signed 32-bit count; throws std::runtime_error("Integer overflow") when
// it does not fit.
int32_t FrameByteCount(int64_t columns, int64_t rows);

// Adds one frame's BGRA bytes to a running total, both signed 32-bit; "Integer overflow" when
// either the frame or the total leaves that range.
int32_t AddFrameBytes(int32_t total, int64_t columns, int64_t rows);

// The bytes of all frames after each side is scaled by ScaledSide; "Integer overflow" past int32.
int32_t ScaledTotalBytes(const std::vector<PixelSize>& frames, double scale);

}  // namespace zel
