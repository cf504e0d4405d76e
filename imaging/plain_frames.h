// Frames as the library decoded them: each at its own size and page offset, with the alpha it was
// decoded with, turned like the first frame and, once the byte budget has set a factor, zoomed by
// it. A still image is one plain frame. No disposal is applied, so a viewer composes the frames
// itself; all of them stay in memory until the source is destroyed.
#pragma once

#include <Magick++.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "imaging/frame_geometry.h"
#include "imaging/frame_source.h"

namespace zel {

class PlainFrames final : public FrameSource {
 public:
  // `frames` holds at least one image; the first is current.
  explicit PlainFrames(std::vector<Magick::Image> frames);

  // Turns the first frame (see TurnFrame); true when its width and height traded places.
  bool TurnFirst(int32_t rotation, bool autoOrient);
  // Fits the current frame into the size box: rounded to the nearest pixel, with Lanczos, never
  // enlarged.
  void FitToBox(int32_t longSideLimit, int32_t shortSideLimit);
  // Zooms the current frame and every later one by `scale`, with truncated sides of at least 1
  // pixel; positions are scaled alike.
  void ZoomBy(double scale);

  const std::vector<Magick::Image>& images() const { return frames_; }
  // The size of every frame as it is now.
  std::vector<PixelSize> Sizes() const;
  // Hands the frames over to a source that composes them.
  std::vector<Magick::Image> TakeImages() { return std::move(frames_); }

  int32_t FrameCount() const override { return static_cast<int32_t>(frames_.size()); }
  int32_t width() const override { return static_cast<int32_t>(current().columns()); }
  int32_t height() const override { return static_cast<int32_t>(current().rows()); }
  std::pair<int32_t, int32_t> FramePosition() const override;
  int32_t FrameDelay() const override;
  void WritePixels(void* destination) override;
  bool NextFrame(int32_t rotation, bool autoOrient) override;

 private:
  const Magick::Image& current() const { return frames_[index_]; }
  void ZoomCurrent();

  std::vector<Magick::Image> frames_;
  // Page offsets of every frame as decoded; turning and zooming move the library's own copy, but
  // a frame's reported position is its source position scaled by the budget.
  std::vector<std::pair<int64_t, int64_t>> sourceOffsets_;
  size_t index_ = 0;
  std::optional<double> zoom_;
};

}  // namespace zel
