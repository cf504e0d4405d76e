// The GIF fast path's frames, served from its result: opaque rectangles of a composed, scaled
// canvas, each frame's pixels given back once the next frame is current.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "imaging/frame_source.h"
#include "imaging/gif_animation.h"

namespace zel {

class GifFrames final : public FrameSource {
 public:
  explicit GifFrames(GifAnimation animation) : animation_(std::move(animation)) {}

  int32_t FrameCount() const override { return static_cast<int32_t>(animation_.frames.size()); }
  int32_t width() const override { return current().width; }
  int32_t height() const override { return current().height; }
  std::pair<int32_t, int32_t> FramePosition() const override { return {current().x, current().y}; }
  int32_t FrameDelay() const override { return current().delay; }
  void WritePixels(void* destination) override;
  // The path takes unturned animations only; there is nothing to turn.
  bool NextFrame(int32_t rotation, bool autoOrient) override;

 private:
  const GifFrame& current() const { return animation_.frames[index_]; }

  GifAnimation animation_;
  size_t index_ = 0;
};

}  // namespace zel
