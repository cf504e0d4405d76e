#include "imaging/image_decoder.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "imaging/animation_planner.h"
#include "imaging/bgra_frame.h"
#include "imaging/canvas_frames.h"
#include "imaging/frame_geometry.h"
#include "imaging/frame_reader.h"
#include "imaging/gif_fast_path.h"
#include "imaging/gif_frames.h"
#include "imaging/jpeg_pre_scale.h"
#include "imaging/magick_compat.h"
#include "imaging/opaque_bmp.h"
#include "imaging/plain_frames.h"

namespace zel {
namespace {

int32_t CanvasSide(int64_t side) {
  if (side > std::numeric_limits<int32_t>::max()) throw std::runtime_error("Integer overflow");
  return static_cast<int32_t>(side);
}

}  // namespace

ImageDecoder::ImageDecoder(const DecodeOptions& options) : options_(options) {}

ImageDecoder::~ImageDecoder() = default;

int32_t ImageDecoder::Load(const void* data, int32_t size, int32_t rotation, bool autoOrient,
                           const std::u16string& name) {
  if (options_.byteLimit > 0 && rotation == 0 &&
      options_.animationScaling == AnimationScaling::kComposed && TakeGifFastPath(data, size)) {
    return UpdateFrameBytes();
  }
  if (rotation == 0 && TakeOpaqueBmp(data, size)) return UpdateFrameBytes();
  // A negative size is no data at all; the library then refuses the empty blob.
  const auto length = static_cast<size_t>(std::max(size, 0));
  // A turn by other than a right angle widens the picture before it is fitted, so the size it is
  // fitted to is not known before the turn; such a picture is decoded at full size.
  const std::string jpegSize =
      rotation % 90 == 0
          ? JpegPreScaleHint(data, length, options_.longSideLimit, options_.shortSideLimit)
          : std::string();
  auto frames = std::make_unique<PlainFrames>(ReadFrames(data, length, name, jpegSize));

  if (frames->FrameCount() >= 2) MeasureAnimation(*frames);
  const bool turned = frames->TurnFirst(rotation, autoOrient);
  if (turned) std::swap(canvasWidth_, canvasHeight_);
  if (options_.longSideLimit != 0 && frames->FrameCount() == 1) {
    frames->FitToBox(options_.longSideLimit, options_.shortSideLimit);
  }
  if (options_.byteLimit != -1 && ByteNeed(*frames) > options_.byteLimit) {
    frames_ = ApplyByteLimit(std::move(frames), rotation, turned);
  } else {
    frames_ = std::move(frames);
  }
  return UpdateFrameBytes();
}

void ImageDecoder::MeasureAnimation(const PlainFrames& frames) {
  int64_t canvasWidth = 0;
  int64_t canvasHeight = 0;
  for (const Magick::Image& frame : frames.images()) {
    const auto columns = static_cast<int32_t>(frame.columns());
    const auto rows = static_cast<int32_t>(frame.rows());
    canvasWidth = std::max(canvasWidth, columns + magick::PageX(frame));
    canvasHeight = std::max(canvasHeight, rows + magick::PageY(frame));
    totalBytes_ = AddFrameBytes(totalBytes_, columns, rows);
  }
  canvasWidth_ = CanvasSide(canvasWidth);
  canvasHeight_ = CanvasSide(canvasHeight);
}

bool ImageDecoder::TakeGifFastPath(const void* data, int32_t size) {
  std::optional<GifAnimation> animation;
  try {
    animation = DecodeGifFast(data, static_cast<size_t>(std::max(size, 0)), options_.byteLimit);
  } catch (const std::exception&) {
    // Whatever the path built is gone with it; the file is read the ordinary way.
    return false;
  }
  if (!animation) return false;
  mode_ = Mode::kGifFastPath;
  scale_ = animation->scale;
  canvasWidth_ = animation->canvasWidth;
  canvasHeight_ = animation->canvasHeight;
  // The path keeps the total within byteLimit, itself a signed 32-bit count.
  totalBytes_ = static_cast<int32_t>(animation->totalBytes);
  frames_ = std::make_unique<GifFrames>(std::move(*animation));
  return true;
}

bool ImageDecoder::TakeOpaqueBmp(const void* data, int32_t size) {
  const std::optional<OpaqueBmp> bmp = FindOpaqueBmp(data, static_cast<size_t>(std::max(size, 0)));
  if (!bmp) return false;
  // Only a picture sent at its own size skips the library; one that the box or the budget shrinks
  // goes the ordinary way, whose filters make the smaller picture.
  if (options_.longSideLimit != 0 &&
      FitIntoBox(bmp->width, bmp->height, options_.longSideLimit, options_.shortSideLimit)) {
    return false;
  }
  const int64_t bytes = int64_t{bmp->width} * bmp->height * 4;
  if (options_.byteLimit != -1 && bytes > options_.byteLimit) return false;
  frames_ = std::make_unique<BgraFrame>(std::vector<uint8_t>(bmp->pixels, bmp->pixels + bytes),
                                        bmp->width, bmp->height);
  return true;
}

int64_t ImageDecoder::ByteNeed(const FrameSource& frames) const {
  if (totalBytes_ == 0) return int64_t{frames.width()} * frames.height() * 4;
  // Two one-pixel frames far apart span a canvas of gigabytes; the budget bounds it as well.
  return std::max<int64_t>(totalBytes_, int64_t{canvasWidth_} * canvasHeight_ * 4);
}

// The size box and the byte budget are deliberately kept apart: the box applies to still images
// only, rounded to the nearest pixel with Lanczos; the budget to everything, with truncated sizes.
std::unique_ptr<FrameSource> ImageDecoder::ApplyByteLimit(std::unique_ptr<PlainFrames> frames,
                                                          int32_t rotation, bool turned) {
  const int64_t need = ByteNeed(*frames);
  if (totalBytes_ == 0) {
    // A still image uses the ratio itself on both sides, not its square root.
    scale_ = options_.byteLimit / static_cast<double>(need);
  } else {
    scale_ = BudgetScale(options_.byteLimit, need);
    // Canvas mode composes the later frames as decoded: an animation asked to turn, or whose
    // first frame a quarter turn swapped, stays with plain frames.
    if (rotation == 0 && !turned && options_.animationScaling == AnimationScaling::kComposed &&
        CanvasFitsLibrary(canvasWidth_, canvasHeight_)) {
      std::optional<AnimationPlan> plan =
          PlanCanvas(frames->images(), canvasWidth_, canvasHeight_, scale_, options_.byteLimit);
      if (!plan) throw std::runtime_error("Animation too big");
      mode_ = Mode::kCanvas;
      scale_ = plan->scale;
      totalBytes_ = static_cast<int32_t>(plan->totalBytes);
      const int32_t sourceWidth = std::exchange(canvasWidth_, plan->canvasWidth);
      const int32_t sourceHeight = std::exchange(canvasHeight_, plan->canvasHeight);
      return std::make_unique<CanvasFrames>(frames->TakeImages(), sourceWidth, sourceHeight,
                                            std::move(*plan));
    }
    totalBytes_ = ScaledTotalBytes(frames->Sizes(), scale_);
  }
  frames->ZoomBy(scale_);
  canvasWidth_ = ScaledSide(canvasWidth_, scale_);
  canvasHeight_ = ScaledSide(canvasHeight_, scale_);
  return frames;
}

int32_t ImageDecoder::UpdateFrameBytes() {
  frameBytes_ = FrameByteCount(frames_->width(), frames_->height());
  return frameBytes_;
}

void ImageDecoder::WritePixels(void* destination, int32_t capacity) {
  // The destination is sized by frameBytes; refusing a smaller one keeps a caller's mistake from
  // becoming a write past its buffer.
  if (capacity < frameBytes_) throw std::runtime_error("Buffer too small");
  frames_->WritePixels(destination);
}

bool ImageDecoder::NextFrame(int32_t rotation, bool autoOrient) {
  if (!frames_->NextFrame(rotation, autoOrient)) return false;
  UpdateFrameBytes();
  return true;
}

}  // namespace zel
