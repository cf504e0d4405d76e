#include "imaging/canvas_frames.h"

#include <algorithm>
#include <limits>
#include <string>

#include "imaging/bgra_export.h"
#include "imaging/magick_compat.h"

namespace zel {
namespace {

// The distortion that scales the canvas samples beyond the pixels it maps; two pixels on every
// side of a changed area cover that spill.
constexpr PlanRules kCanvasRules{.margin = 2, .byOutputRatio = false};

Magick::Image FilledImage(int64_t width, int64_t height, const char* color) {
  return Magick::Image(Magick::Geometry(static_cast<size_t>(width), static_cast<size_t>(height)),
                       Magick::Color(color));
}

}  // namespace

bool CanvasFitsLibrary(int64_t width, int64_t height) {
  const auto limit = [](MagickCore::ResourceType type) {
    return static_cast<int64_t>(std::min<MagickCore::MagickSizeType>(
        MagickCore::GetMagickResourceLimit(type), std::numeric_limits<int64_t>::max()));
  };
  return width <= limit(MagickCore::WidthResource) && height <= limit(MagickCore::HeightResource) &&
         width * height <= limit(MagickCore::AreaResource);
}

std::optional<AnimationPlan> PlanCanvas(const std::vector<Magick::Image>& frames,
                                        int32_t canvasWidth, int32_t canvasHeight, double scale,
                                        int32_t byteLimit) {
  std::vector<FrameBounds> bounds;
  bounds.reserve(frames.size());
  for (const Magick::Image& frame : frames) {
    const int64_t x = magick::PageX(frame);
    const int64_t y = magick::PageY(frame);
    bounds.push_back({x, y, x + static_cast<int64_t>(frame.columns()),
                      y + static_cast<int64_t>(frame.rows()), magick::DisposalOf(frame)});
  }
  return PlanAnimation(bounds, canvasWidth, canvasHeight, scale, byteLimit, kCanvasRules);
}

CanvasFrames::CanvasFrames(std::vector<Magick::Image> frames, int32_t canvasWidth,
                           int32_t canvasHeight, AnimationPlan plan)
    : frames_(std::move(frames)),
      rects_(std::move(plan.rects)),
      scale_(plan.scale),
      canvas_(FilledImage(canvasWidth, canvasHeight, "none")) {
  canvas_.virtualPixelMethod(Magick::EdgeVirtualPixelMethod);
  ComposeFrame(0);
}

void CanvasFrames::WritePixels(void* destination) { ExportBgra(outputFrame_, destination); }

bool CanvasFrames::NextFrame(int32_t, bool) {
  if (index_ + 1 >= frames_.size()) return false;
  ComposeFrame(++index_);
  return true;
}

void CanvasFrames::ComposeFrame(size_t index) {
  if (index > 0) {
    if (previousDispose_ == 2) {
      canvas_.composite(FilledImage(previousRect_.width, previousRect_.height, "none"),
                        previousRect_.x, previousRect_.y, Magick::CopyCompositeOp);
    } else if (previousDispose_ == 3 && savedCanvas_) {
      canvas_ = *savedCanvas_;
      savedCanvas_.reset();
    }
  }

  Magick::Image& frame = frames_[index];
  const int32_t dispose = magick::DisposalOf(frame);
  if (dispose == 3) {
    savedCanvas_.emplace(canvas_);
    savedCanvas_->modifyImage();
  }
  const int64_t x = magick::PageX(frame);
  const int64_t y = magick::PageY(frame);
  canvas_.composite(frame, x, y, Magick::OverCompositeOp);
  previousDispose_ = dispose;
  previousRect_ = {static_cast<int32_t>(x), static_cast<int32_t>(y),
                   static_cast<int32_t>(frame.columns()), static_cast<int32_t>(frame.rows())};
  delay_ = SaturateToInt32(frame.animationDelay());
  frame = Magick::Image();

  const FrameRect& rect = rects_[index];
  canvas_.artifact("distort:viewport", std::to_string(rect.width) + "x" +
                                           std::to_string(rect.height) + "+" +
                                           std::to_string(rect.x) + "+" + std::to_string(rect.y));
  Magick::Image scaled(canvas_);
  const double arguments[7] = {0, 0, scale_, scale_, 0, 0, 0};
  scaled.distort(Magick::ScaleRotateTranslateDistortion, 7, arguments, false);

  outputFrame_ = FilledImage(rect.width, rect.height, "white");
  outputFrame_.composite(scaled, 0, 0, Magick::OverCompositeOp);
}

}  // namespace zel
