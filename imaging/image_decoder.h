// One conversion's decoder: turns the bytes of any image the library reads into 32-bit BGRA frames
// (bytes B, G, R, A; rows top to bottom; stride width × 4) that fit the size box and byte budget
// of its options. Calling order: construct with the options, Load, then per frame WritePixels and
// the frame queries, NextFrame until it returns false, destroy.
//
// Load picks the frames' source once. GIF animations are first offered to the GIF fast path,
// which composes scaled frames while streaming; a rendered document page that needs no shrinking
// is sent as its pixels stand. Other animations leave as plain frames (each
// decoded frame turned and zoomed alike, at its own offset) or, when over budget, in canvas mode:
// every frame composed onto a canvas with its disposal, flattened onto white, scaled, and sent as
// the rectangle that changed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "imaging/decode_options.h"
#include "imaging/frame_source.h"

namespace zel {

class PlainFrames;

class ImageDecoder {
 public:
  explicit ImageDecoder(const DecodeOptions& options);
  ~ImageDecoder();
  ImageDecoder(const ImageDecoder&) = delete;
  ImageDecoder& operator=(const ImageDecoder&) = delete;

  // Reads every frame, turns the first (by `rotation` degrees, or by the stored orientation when
  // `autoOrient` and `rotation` is 0), fits a still image into the box and applies the byte budget.
  // Returns the byte count of the first frame.
  int32_t Load(const void* data, int32_t size, int32_t rotation, bool autoOrient,
               const std::u16string& name);

  // The frame queries below answer for the current frame of a loaded decoder.

  // Exports the current frame straight into `destination`, which holds frameBytes() bytes.
  void WritePixels(void* destination, int32_t capacity);

  // Makes the next frame current, turned like the first where plain frames are sent; false when
  // the current frame is the last.
  bool NextFrame(int32_t rotation, bool autoOrient);
  std::pair<int32_t, int32_t> FramePosition() const { return frames_->FramePosition(); }
  // Hundredths of a second.
  int32_t FrameDelay() const { return frames_->FrameDelay(); }
  std::pair<int32_t, int32_t> CanvasSize() const { return {canvasWidth_, canvasHeight_}; }
  int32_t FrameCount() const { return frames_->FrameCount(); }

  int32_t width() const { return frames_->width(); }
  int32_t height() const { return frames_->height(); }
  int32_t frameBytes() const { return frameBytes_; }
  // All frames' bytes of an animation; 0 for a still image.
  int32_t totalBytes() const { return totalBytes_; }
  bool animated() const { return FrameCount() >= 2; }
  bool canvasMode() const { return mode_ == Mode::kCanvas; }
  bool gifFastPath() const { return mode_ == Mode::kGifFastPath; }
  // The factor that the byte budget applied to every frame; 1 when it applied none.
  double scale() const { return scale_; }

 private:
  enum class Mode { kPlain, kCanvas, kGifFastPath };

  // Takes the GIF fast path's frames when the path accepts the data; false when it declines.
  bool TakeGifFastPath(const void* data, int32_t size);
  // Takes an opaque top-down 32-bit BMP (a rendered document page) as its pixels stand, when it
  // needs no shrinking; false otherwise.
  bool TakeOpaqueBmp(const void* data, int32_t size);
  // The canvas that holds every frame at its offset, and all frames' bytes.
  void MeasureAnimation(const PlainFrames& frames);
  // Bytes that the reply's pixels take before the budget: all frames of an animation, or its
  // canvas when that is larger (the viewer allocates it too), else the first frame.
  int64_t ByteNeed(const FrameSource& frames) const;
  // Shrinks `frames` into the budget, or moves them to a canvas when the animation can be
  // composed; returns the source that fits.
  std::unique_ptr<FrameSource> ApplyByteLimit(std::unique_ptr<PlainFrames> frames, int32_t rotation,
                                              bool turned);
  int32_t UpdateFrameBytes();

  const DecodeOptions options_;
  std::unique_ptr<FrameSource> frames_;
  Mode mode_ = Mode::kPlain;
  double scale_ = 1.0;
  int32_t canvasWidth_ = 0;
  int32_t canvasHeight_ = 0;
  int32_t totalBytes_ = 0;
  int32_t frameBytes_ = 0;
};

}  // namespace zel
