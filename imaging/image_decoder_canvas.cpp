// Canvas mode of ImageDecoder: an animation over budget is composed frame by frame onto a canvas at
// source resolution (disposal applied), and each frame leaves as the scaled rectangle that changed,
// flattened onto white, so that a viewer only draws the frames in order. Source frames are released
// as soon as they are composed.
#include <cmath>
#include <string>

#include "imaging/image_decoder.h"
#include "imaging/magick_compat.h"

namespace zel {
namespace {

constexpr int kPlanAttempts = 8;

Magick::Image FilledImage(int64_t width, int64_t height, const char* color) {
  return Magick::Image(Magick::Geometry(static_cast<size_t>(width), static_cast<size_t>(height)),
                       Magick::Color(color));
}

}  // namespace

bool ImageDecoder::PlanCanvas(int32_t canvasWidth, int32_t canvasHeight) {
  std::vector<FrameBounds> bounds;
  bounds.reserve(frames_.size());
  for (const Magick::Image& frame : frames_) {
    const int64_t x = magick::PageX(frame);
    const int64_t y = magick::PageY(frame);
    bounds.push_back({x, y, x + static_cast<int64_t>(frame.columns()),
                      y + static_cast<int64_t>(frame.rows()), magick::DisposalOf(frame)});
  }
  for (int attempt = 0; attempt < kPlanAttempts; ++attempt) {
    const int32_t outWidth = ScaledSide(canvasWidth, scale_);
    const int32_t outHeight = ScaledSide(canvasHeight, scale_);
    const int64_t sum = PlanFrameRects(bounds, scale_, outWidth, outHeight, dirtyRects_);
    if (byteLimit_ >= sum) {
      totalBytes_ = static_cast<int32_t>(sum);
      canvasWidth_ = outWidth;
      canvasHeight_ = outHeight;
      canvasMode_ = true;
      canvas_.emplace(FilledImage(canvasWidth, canvasHeight, "none"));
      canvas_->virtualPixelMethod(Magick::EdgeVirtualPixelMethod);
      return true;
    }
    // The square root alone lands just short because of the margins; 2 % more converges.
    scale_ = std::sqrt(byteLimit_ / static_cast<double>(sum)) * 0.98 * scale_;
  }
  return false;
}

void ImageDecoder::ComposeFrame(int32_t index) {
  if (index > 0) {
    if (previousDispose_ == 2) {
      canvas_->composite(FilledImage(previousRect_.width, previousRect_.height, "none"),
                         previousRect_.x, previousRect_.y, Magick::CopyCompositeOp);
    } else if (previousDispose_ == 3 && savedCanvas_) {
      canvas_ = *savedCanvas_;
      savedCanvas_.reset();
    }
  }

  Magick::Image& frame = frames_[index];
  const int32_t dispose = magick::DisposalOf(frame);
  if (dispose == 3) {
    savedCanvas_.emplace(*canvas_);
    savedCanvas_->modifyImage();
  }
  const int64_t x = magick::PageX(frame);
  const int64_t y = magick::PageY(frame);
  canvas_->composite(frame, x, y, Magick::OverCompositeOp);
  previousDispose_ = dispose;
  previousRect_ = {static_cast<int32_t>(x), static_cast<int32_t>(y),
                   static_cast<int32_t>(frame.columns()), static_cast<int32_t>(frame.rows())};
  canvasDelay_ = SaturateToInt32(frame.animationDelay());
  frame = Magick::Image();

  const FrameRect rect = dirtyRects_[index];
  canvas_->artifact("distort:viewport", std::to_string(rect.width) + "x" +
                                            std::to_string(rect.height) + "+" +
                                            std::to_string(rect.x) + "+" + std::to_string(rect.y));
  Magick::Image scaled(*canvas_);
  const double arguments[7] = {0, 0, scale_, scale_, 0, 0, 0};
  scaled.distort(Magick::ScaleRotateTranslateDistortion, 7, arguments, false);

  outputFrame_.emplace(FilledImage(rect.width, rect.height, "white"));
  outputFrame_->composite(scaled, 0, 0, Magick::OverCompositeOp);
  current_ = &*outputFrame_;
  outputX_ = rect.x;
  outputY_ = rect.y;
  width_ = rect.width;
  height_ = rect.height;
  frameBytes_ = FrameByteCount(width_, height_);
}

}  // namespace zel
