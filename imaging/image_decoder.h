// One conversion's decoder: turns the bytes of any image the library reads into 32-bit BGRA frames
// (bytes B, G, R, A; rows top to bottom; stride width × 4) that fit the caller's size box and byte
// budget. Calling order: construct with the limits, Load, then per frame WritePixels and the frame
// queries, NextFrame until it returns false, destroy.
//
// Animations leave as plain frames (each decoded frame turned and zoomed alike, at its own offset)
// or, when over budget, in canvas mode: every frame composed onto a canvas with its disposal,
// flattened onto white, scaled, and sent as the rectangle that changed. GIF animations are first
// offered to the GIF fast path, which produces the same kind of frames while streaming.
#pragma once

#include <Magick++.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "imaging/frame_geometry.h"
#include "imaging/gif_animation.h"

namespace zel {

class ImageDecoder {
 public:
  // byteLimit: most bytes that the pixels of all frames of one reply may take, −1 for no limit.
  // longSideLimit, shortSideLimit: the size box for still images, both 0 for none.
  ImageDecoder(int32_t byteLimit, int32_t longSideLimit, int32_t shortSideLimit);
  ImageDecoder(const ImageDecoder&) = delete;
  ImageDecoder& operator=(const ImageDecoder&) = delete;

  // Reads every frame, turns the first (by `rotation` degrees, or by the stored orientation when
  // `autoOrient` and `rotation` is 0), fits a still image into the box and applies the byte budget.
  // Returns the byte count of the first frame.
  int32_t Load(const void* data, int32_t size, int32_t rotation, bool autoOrient,
               const std::u16string& name);

  // Exports the current frame straight into `destination`, which holds frameBytes() bytes.
  void WritePixels(void* destination, int32_t capacity);

  // Makes the next frame current; false when the current frame is the last.
  bool NextFrame(int32_t rotation, bool autoOrient);
  std::pair<int32_t, int32_t> FramePosition() const;
  // Hundredths of a second.
  int32_t FrameDelay() const;
  std::pair<int32_t, int32_t> CanvasSize() const { return {canvasWidth_, canvasHeight_}; }
  int32_t FrameCount() const {
    return static_cast<int32_t>(gifAnimation_ ? gifAnimation_->frames.size() : frames_.size());
  }

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t frameBytes() const { return frameBytes_; }
  int32_t totalBytes() const { return totalBytes_; }
  bool animated() const { return animated_; }
  bool canvasMode() const { return canvasMode_; }
  bool gifFastPath() const { return gifAnimation_.has_value(); }
  double scale() const { return scale_; }

 private:
  // Takes the GIF fast path's result when the path accepts the data; false when it declines.
  bool TakeGifFastPath(const void* data, int32_t size);
  // `jpegSize`: the JPEG decoder's size hint ("WxH"), or empty for none.
  void ReadFrames(const Magick::Blob& blob, const std::u16string& name,
                  const std::string& jpegSize);
  void MeasureAnimation();
  bool TurnFrame(Magick::Image& frame, int32_t rotation, bool autoOrient);
  // Bytes that the reply's pixels take before the budget: all frames of an animation, or its
  // canvas when that is larger (the viewer allocates it too), else the current frame.
  int64_t ByteNeed() const;

  void FitToBox();
  void ApplyByteLimit(int32_t rotation, bool turned);
  void ZoomCurrent();

  bool PlanCanvas(int32_t canvasWidth, int32_t canvasHeight);
  void ComposeFrame(int32_t index);

  // Declared in the reverse of the order of release: the composed images go before the frames
  // they were made from.
  std::vector<Magick::Image> frames_;
  // Page offsets of every frame as decoded; turning and zooming move the library's own copy, but
  // a frame's reported position is its source position scaled by the budget.
  std::vector<std::pair<int64_t, int64_t>> sourceOffsets_;
  Magick::Image* current_ = nullptr;
  std::optional<GifAnimation> gifAnimation_;
  std::optional<Magick::Image> canvas_;
  std::optional<Magick::Image> savedCanvas_;
  std::optional<Magick::Image> outputFrame_;
  std::vector<FrameRect> dirtyRects_;

  int32_t frameIndex_ = 0;
  int32_t frameBytes_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  const int32_t byteLimit_;
  double scale_ = 1.0;
  bool scaled_ = false;
  bool animated_ = false;
  int32_t totalBytes_ = 0;
  int32_t canvasWidth_ = 0;
  int32_t canvasHeight_ = 0;
  const int32_t longSideLimit_;
  const int32_t shortSideLimit_;
  bool canvasMode_ = false;
  int32_t outputX_ = 0;
  int32_t outputY_ = 0;
  int32_t canvasDelay_ = 0;
  int32_t previousDispose_ = 0;
  FrameRect previousRect_;
};

}  // namespace zel
