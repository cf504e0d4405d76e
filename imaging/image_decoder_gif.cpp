#include "imaging/image_decoder.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "imaging/gif_fast_path.h"

namespace zel {

bool ImageDecoder::TakeGifFastPath(const void* data, int32_t size) {
  std::optional<GifAnimation> animation;
  try {
    animation = DecodeGifFast(data, static_cast<size_t>(std::max(size, 0)), byteLimit_);
  } catch (const std::exception&) {
    // Whatever the path built is gone with it; the file is read the ordinary way.
    return false;
  }
  if (!animation) return false;
  gifAnimation_ = std::move(animation);
  animated_ = true;
  scale_ = gifAnimation_->scale;
  scaled_ = scale_ < 1.0;
  canvasWidth_ = gifAnimation_->canvasWidth;
  canvasHeight_ = gifAnimation_->canvasHeight;
  // The path keeps the total within byteLimit, itself a signed 32-bit count.
  totalBytes_ = static_cast<int32_t>(gifAnimation_->totalBytes);
  frameIndex_ = 0;
  width_ = gifAnimation_->frames.front().width;
  height_ = gifAnimation_->frames.front().height;
  frameBytes_ = FrameByteCount(width_, height_);
  return true;
}

}  // namespace zel
