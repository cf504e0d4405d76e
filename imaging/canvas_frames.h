// Canvas mode: an animation over budget is composed frame by frame onto a canvas at source
// resolution (disposal applied), and each frame leaves as the scaled rectangle that changed,
// flattened onto white, so that a viewer only draws the frames in order. Source frames are
// released as soon as they are composed.
#pragma once

#include <Magick++.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "imaging/animation_planner.h"
#include "imaging/frame_geometry.h"
#include "imaging/frame_source.h"

namespace zel {

// Whether the library would hold a canvas of width × height as one image. One that frames far
// apart made larger stays with plain frames, which the budget shrinks like the canvas itself.
bool CanvasFitsLibrary(int64_t width, int64_t height);

// The scale and the frames' rectangles for composing `frames` on an unscaled canvas of
// canvasWidth × canvasHeight within byteLimit, starting at `scale`; nothing when no scale fits.
std::optional<AnimationPlan> PlanCanvas(const std::vector<Magick::Image>& frames,
                                        int32_t canvasWidth, int32_t canvasHeight, double scale,
                                        int32_t byteLimit);

class CanvasFrames final : public FrameSource {
 public:
  // `frames` are those that `plan` was made for, on the same unscaled canvas; frame 0 is composed
  // at once.
  CanvasFrames(std::vector<Magick::Image> frames, int32_t canvasWidth, int32_t canvasHeight,
               AnimationPlan plan);

  int32_t FrameCount() const override { return static_cast<int32_t>(frames_.size()); }
  int32_t width() const override { return rects_[index_].width; }
  int32_t height() const override { return rects_[index_].height; }
  std::pair<int32_t, int32_t> FramePosition() const override {
    return {rects_[index_].x, rects_[index_].y};
  }
  int32_t FrameDelay() const override { return delay_; }
  void WritePixels(void* destination) override;
  // Later frames are composed as they were decoded: only the first one is turned.
  bool NextFrame(int32_t rotation, bool autoOrient) override;

 private:
  void ComposeFrame(size_t index);

  // Declared in the reverse of the order of release: the composed images go before the frames
  // they were made from.
  std::vector<Magick::Image> frames_;
  std::vector<FrameRect> rects_;
  double scale_;
  Magick::Image canvas_;
  std::optional<Magick::Image> savedCanvas_;
  Magick::Image outputFrame_;

  size_t index_ = 0;
  int32_t delay_ = 0;
  int32_t previousDispose_ = 0;
  FrameRect previousRect_;
};

}  // namespace zel
