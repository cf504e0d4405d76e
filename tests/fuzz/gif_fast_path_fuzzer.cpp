// The GIF fast path over arbitrary bytes: it either declines or returns frames that are
// consistent with the canvas and the budget it was given.
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "imaging/gif_fast_path.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_libraries.h"

namespace {

constexpr int32_t kByteBudget = 256 * 1024;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zel_fuzz::SetUpDecodingLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::optional<zel::GifAnimation> animation = zel::DecodeGifFast(data, size, kByteBudget);
  if (!animation) return 0;
  zel_fuzz::Check(animation->canvasWidth > 0 && animation->canvasHeight > 0);
  zel_fuzz::Check(animation->totalBytes <= kByteBudget);
  int64_t total = 0;
  for (const zel::GifFrame& frame : animation->frames) {
    zel_fuzz::Check(frame.x >= 0 && frame.y >= 0 && frame.width > 0 && frame.height > 0);
    zel_fuzz::Check(int64_t{frame.x} + frame.width <= animation->canvasWidth);
    zel_fuzz::Check(int64_t{frame.y} + frame.height <= animation->canvasHeight);
    zel_fuzz::Check(frame.pixels.size() == static_cast<size_t>(frame.width) * frame.height * 4);
    for (size_t i = 3; i < frame.pixels.size(); i += 4) zel_fuzz::Check(frame.pixels[i] == 255);
    total += static_cast<int64_t>(frame.pixels.size());
  }
  zel_fuzz::Check(total == animation->totalBytes);
  return 0;
}
