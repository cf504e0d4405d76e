#include "imaging/resource_limits.h"

#include <algorithm>

namespace zel {
namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;
constexpr uint64_t kGiB = uint64_t{1} << 30;

// The library keeps 16 bytes per pixel (four floating-point samples), and an operation such as a
// resize holds the source and its result at once.
constexpr uint64_t kCacheBytesPerImagePixel = 2 * 16;

// Wider or taller than this is no photo or scan; it also keeps the decoders' row arithmetic far
// from 32-bit overflow.
constexpr uint64_t kImageSide = 32768;

// Long animations have a few thousand frames; more is a way to make a few bytes cost a lot.
constexpr uint64_t kFrameCount = 10000;

// Text chunks, profiles and row buffers of real files are far smaller; a larger request is a file
// describing a bomb (a text chunk that inflates to gigabytes).
constexpr uint64_t kLargestRequest = 256 * kMiB;

// Decoder buffers outside the library's accounting, the PDF renderer's store, a laid-out
// document's XML tree, and free memory the allocator keeps for reuse rather than giving back.
constexpr uint64_t kProcessHeadroom = 2 * kGiB;

}  // namespace

ImageLibraryLimits ImageLibraryLimitsFor(uint64_t physicalMemory) {
  ImageLibraryLimits limits;
  limits.pixelMemory = std::clamp(physicalMemory / 4, kGiB, 4 * kGiB);
  limits.imagePixels = limits.pixelMemory / kCacheBytesPerImagePixel;
  limits.imageSide = kImageSide;
  limits.frameCount = kFrameCount;
  limits.largestRequest = kLargestRequest;
  return limits;
}

uint64_t ProcessDataLimitFor(uint64_t physicalMemory, int32_t byteBudget) {
  const uint64_t budget = static_cast<uint64_t>(std::max(byteBudget, 0));
  return ImageLibraryLimitsFor(physicalMemory).pixelMemory + kProcessHeadroom + 2 * budget;
}

}  // namespace zel
