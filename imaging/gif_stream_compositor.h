// The streaming compositor of the GIF fast path. The image library decodes the frames one row
// at a time and hands every row to OnStreamRows; the compositor draws the rows into one canvas at
// source resolution, applies each frame's disposal when the next frame begins, and resamples the
// output rectangle of a frame as soon as the frame is complete, so no decoded frame is ever held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/animation_planner.h"
#include "imaging/gif_animation.h"
#include "imaging/magick_compat.h"
#include "imaging/resample_table.h"

namespace zel {

class GifStreamCompositor {
 public:
  // boxWidth x boxHeight is the bounding box of all frames, whose top-left corner lies at
  // (originX, originY) in source coordinates; `plan` holds the scaled canvas and one output
  // rectangle per pinged frame.
  GifStreamCompositor(int32_t boxWidth, int32_t boxHeight, int32_t originX, int32_t originY,
                      AnimationPlan plan);

  GifStreamCompositor(const GifStreamCompositor&) = delete;
  GifStreamCompositor& operator=(const GifStreamCompositor&) = delete;

  // The stream handler given to the library. It finds this thread's compositor through the
  // pointer that GifStreamScope sets; returning 0 makes the library abandon the read.
  static size_t OnStreamRows(const MagickCore::Image* image, const void* pixels, size_t columns);

  // Flushes the frame still in progress after the stream has ended.
  void Finish();

  bool stopped() const { return stopped_; }
  GifAnimation& output() { return output_; }

 private:
  size_t HandleRows(const MagickCore::Image* image, const void* pixels, size_t columns);
  void BeginFrame(const MagickCore::Image* image);
  void CompositeRow(const MagickCore::Image* image, const void* pixels, size_t columns);
  void FlushFrame();
  std::vector<uint8_t> Resample(const FrameRect& rect);

  int32_t canvasWidth_;
  int32_t canvasHeight_;
  int32_t originX_;
  int32_t originY_;
  std::vector<uint8_t> canvas_;       // B, G, R, A per pixel; A stays 255
  std::vector<uint8_t> savedCanvas_;  // only while a frame with disposal 3 is active
  std::vector<FrameRect> rects_;
  ResampleTable columnTable_;
  ResampleTable rowTable_;
  std::vector<float> rowBuffer_;  // B, G, R per source column

  int32_t frameIndex_ = -1;
  const MagickCore::Image* currentImage_ = nullptr;
  size_t currentScene_ = 0;
  int32_t rowCounter_ = 0;
  int32_t frameRows_ = 0;
  int32_t frameWidth_ = 0;
  int32_t offsetX_ = 0;
  int32_t offsetY_ = 0;
  int32_t frameDelay_ = 0;
  int32_t frameDispose_ = 0;
  FrameRect clipped_;  // the current frame's area on the canvas, what its disposal restores
  std::vector<int32_t> rowOrder_;
  bool stopped_ = false;
  GifAnimation output_;
};

// Makes a compositor the current thread's stream target for the lifetime of the scope; the
// pointer is cleared again on every way out, including exceptions.
class GifStreamScope {
 public:
  explicit GifStreamScope(GifStreamCompositor& compositor);
  ~GifStreamScope();
  GifStreamScope(const GifStreamScope&) = delete;
  GifStreamScope& operator=(const GifStreamScope&) = delete;
};

}  // namespace zel
