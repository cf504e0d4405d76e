// Size box and byte budget of ImageDecoder. The box applies to still images only, rounded to the
// nearest pixel with Lanczos; the budget applies to everything, with truncated sizes. The two are
// deliberately kept separate.
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "imaging/image_decoder.h"
#include "imaging/new_scaling.h"

namespace zel {
namespace {

Magick::Geometry ExactSize(uint64_t width, uint64_t height) {
  Magick::Geometry geometry(width, height);
  geometry.aspect(true);
  return geometry;
}

// Canvas mode composes at source resolution. A canvas that frames far apart made larger than the
// library would hold as one image stays with plain frames, which the budget shrinks like the
// canvas itself.
bool CanvasFitsLibrary(int64_t width, int64_t height) {
  const auto limit = [](MagickCore::ResourceType type) {
    return static_cast<int64_t>(std::min<MagickCore::MagickSizeType>(
        MagickCore::GetMagickResourceLimit(type), std::numeric_limits<int64_t>::max()));
  };
  return width <= limit(MagickCore::WidthResource) && height <= limit(MagickCore::HeightResource) &&
         width * height <= limit(MagickCore::AreaResource);
}

}  // namespace

void ImageDecoder::FitToBox() {
  const std::optional<PixelSize> size =
      FitIntoBox(current_->columns(), current_->rows(), longSideLimit_, shortSideLimit_);
  if (!size) return;
  current_->filterType(Magick::LanczosFilter);
  current_->resize(ExactSize(size->width, size->height));
  width_ = static_cast<int32_t>(current_->columns());
  height_ = static_cast<int32_t>(current_->rows());
}

void ImageDecoder::ApplyByteLimit(int32_t rotation, bool turned) {
  const double ratio = byteLimit_ / static_cast<double>(ByteNeed());
  scaled_ = true;
  // A still image uses the ratio itself on both sides, not its square root.
  scale_ = ratio;
  if (totalBytes_ != 0) {
    scale_ = std::sqrt(ratio);
    if (rotation == 0 && !turned && newScaling && CanvasFitsLibrary(canvasWidth_, canvasHeight_)) {
      if (!PlanCanvas(canvasWidth_, canvasHeight_)) throw std::runtime_error("Animation too big");
      ComposeFrame(0);
      return;
    }
    std::vector<PixelSize> sizes;
    sizes.reserve(frames_.size());
    for (const Magick::Image& frame : frames_) sizes.push_back({frame.columns(), frame.rows()});
    totalBytes_ = ScaledTotalBytes(sizes, scale_);
  }
  ZoomCurrent();
  canvasWidth_ = ScaledSide(canvasWidth_, scale_);
  canvasHeight_ = ScaledSide(canvasHeight_, scale_);
}

void ImageDecoder::ZoomCurrent() {
  current_->zoom(
      ExactSize(ScaledSide(current_->columns(), scale_), ScaledSide(current_->rows(), scale_)));
  width_ = static_cast<int32_t>(current_->columns());
  height_ = static_cast<int32_t>(current_->rows());
}

}  // namespace zel
