#include "imaging/image_decoder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

#include "imaging/jpeg_pre_scale.h"
#include "imaging/magick_compat.h"
#include "imaging/magick_guards.h"
#include "imaging/named_image.h"
#include "imaging/new_scaling.h"
#include "imaging/orientation.h"
#include "imaging/srgb_frame.h"

namespace zel {
namespace {

int32_t Columns(const Magick::Image& image) { return static_cast<int32_t>(image.columns()); }
int32_t Rows(const Magick::Image& image) { return static_cast<int32_t>(image.rows()); }

bool HasPixels(const Magick::Image& image) { return image.columns() != 0 && image.rows() != 0; }

int32_t CanvasSide(int64_t side) {
  if (side > std::numeric_limits<int32_t>::max()) throw std::runtime_error("Integer overflow");
  return static_cast<int32_t>(side);
}

}  // namespace

ImageDecoder::ImageDecoder(int32_t byteLimit, int32_t longSideLimit, int32_t shortSideLimit)
    : byteLimit_(byteLimit), longSideLimit_(longSideLimit), shortSideLimit_(shortSideLimit) {}

int32_t ImageDecoder::Load(const void* data, int32_t size, int32_t rotation, bool autoOrient,
                           const std::u16string& name) {
  if (byteLimit_ > 0 && rotation == 0 && newScaling && TakeGifFastPath(data, size)) {
    return frameBytes_;
  }
  // A negative size is no data at all; the library then refuses the empty blob.
  const Magick::Blob blob(data, static_cast<size_t>(std::max(size, 0)));
  // A turn by other than a right angle widens the picture before it is fitted, so the size it is
  // fitted to is not known before the turn; such a picture is decoded at full size.
  const std::string jpegSize =
      rotation % 90 == 0
          ? JpegPreScaleHint(blob.data(), blob.length(), longSideLimit_, shortSideLimit_)
          : std::string();
  ReadFrames(blob, name, jpegSize);
  for (Magick::Image& frame : frames_) ConvertToSrgb(frame);
  for (const Magick::Image& frame : frames_) {
    sourceOffsets_.emplace_back(magick::PageX(frame), magick::PageY(frame));
  }
  current_ = &frames_[frameIndex_];
  if (frames_.size() >= 2) {
    animated_ = true;
    MeasureAnimation();
  }

  const bool turned = TurnFrame(*current_, rotation, autoOrient);
  if (turned) std::swap(canvasWidth_, canvasHeight_);
  width_ = Columns(*current_);
  height_ = Rows(*current_);

  if (longSideLimit_ != 0 && frames_.size() == 1) FitToBox();
  if (byteLimit_ != -1 && ByteNeed() > byteLimit_) ApplyByteLimit(rotation, turned);

  frameBytes_ = FrameByteCount(width_, height_);
  return frameBytes_;
}

void ImageDecoder::ReadFrames(const Magick::Blob& blob, const std::u16string& name,
                              const std::string& jpegSize) {
  try {
    Magick::ReadOptions options;
    options.quiet(true);
    MagickCore::ImageInfo* info = options.imageInfo();
    if (!jpegSize.empty()) MagickCore::SetImageOption(info, "jpeg:size", jpegSize.c_str());
    MagickCore::CopyMagickString(info->filename, FileNameHint(name).c_str(), magick::kPathExtent);

    magick::ExceptionGuard exception = magick::AcquireException();
    magick::ImageListGuard list(
        MagickCore::BlobToImage(info, blob.data(), blob.length(), exception.get()));
    frames_.reserve(MagickCore::GetImageListLength(list.get()));
    while (list) {
      MagickCore::Image* head = list.release();
      MagickCore::Image* frame = MagickCore::RemoveFirstImageFromList(&head);
      list.reset(head);
      frames_.emplace_back(frame);
    }
    magick::ThrowCollected(std::move(exception), options.quiet());
    if (frames_.empty() || !std::all_of(frames_.begin(), frames_.end(), HasPixels)) {
      throw std::range_error("No image");
    }
  } catch (const std::exception&) {
    // A damaged later frame must not cost the first one: read just that, as a still image.
    frames_.clear();
    Magick::Image image = CreateNamedImage(name);
    image.subRange(1);
    image.read(blob);
    // Some decoders give up without a word and leave an image of no size (a PNG wider than the
    // library's limit): that is a failure, not a picture of nothing.
    if (!HasPixels(image)) throw std::range_error("No image");
    frames_.push_back(image);
  }
}

void ImageDecoder::MeasureAnimation() {
  int64_t canvasWidth = 0;
  int64_t canvasHeight = 0;
  for (const Magick::Image& frame : frames_) {
    canvasWidth = std::max(canvasWidth, Columns(frame) + magick::PageX(frame));
    canvasHeight = std::max(canvasHeight, Rows(frame) + magick::PageY(frame));
    totalBytes_ = AddFrameBytes(totalBytes_, Columns(frame), Rows(frame));
  }
  canvasWidth_ = CanvasSide(canvasWidth);
  canvasHeight_ = CanvasSide(canvasHeight);
}

bool ImageDecoder::TurnFrame(Magick::Image& frame, int32_t rotation, bool autoOrient) {
  if (rotation != 0) return RotateFrame(frame, rotation);
  return autoOrient && ApplyStoredOrientation(frame);
}

int64_t ImageDecoder::ByteNeed() const {
  if (totalBytes_ == 0) return int64_t{width_} * height_ * 4;
  // Two one-pixel frames far apart span a canvas of gigabytes; the budget bounds it as well.
  return std::max<int64_t>(totalBytes_, int64_t{canvasWidth_} * canvasHeight_ * 4);
}

void ImageDecoder::WritePixels(void* destination, int32_t capacity) {
  // The destination is sized by frameBytes; refusing a smaller one keeps a caller's mistake from
  // becoming a write past its buffer.
  if (capacity < frameBytes_) throw std::runtime_error("Buffer too small");
  if (gifAnimation_) {
    const std::vector<uint8_t>& pixels = gifAnimation_->frames[frameIndex_].pixels;
    std::memcpy(destination, pixels.data(), std::min(pixels.size(), static_cast<size_t>(capacity)));
    return;
  }
  current_->write(0, 0, current_->columns(), current_->rows(), "BGRA", Magick::CharPixel,
                  destination);
  // The library exports the alpha samples of an image without alpha as they are, and some
  // decoders (Radiance HDR) never set them: whatever the memory held would show through.
  if (!magick::HasAlpha(current_->constImage())) {
    auto* bytes = static_cast<uint8_t*>(destination);
    for (int32_t at = 3; at < frameBytes_; at += 4) bytes[at] = 0xFF;
  }
}

bool ImageDecoder::NextFrame(int32_t rotation, bool autoOrient) {
  if (frameIndex_ >= FrameCount() - 1) return false;
  ++frameIndex_;
  if (gifAnimation_) {
    gifAnimation_->frames[frameIndex_ - 1].ReleasePixels();
    const GifFrame& frame = gifAnimation_->frames[frameIndex_];
    width_ = frame.width;
    height_ = frame.height;
    frameBytes_ = FrameByteCount(width_, height_);
    return true;
  }
  if (canvasMode_) {
    ComposeFrame(frameIndex_);
    return true;
  }
  current_ = &frames_[frameIndex_];
  TurnFrame(*current_, rotation, autoOrient);
  width_ = Columns(*current_);
  height_ = Rows(*current_);
  if (scaled_) ZoomCurrent();
  frameBytes_ = FrameByteCount(width_, height_);
  return true;
}

std::pair<int32_t, int32_t> ImageDecoder::FramePosition() const {
  if (gifAnimation_) {
    const GifFrame& frame = gifAnimation_->frames[frameIndex_];
    return {frame.x, frame.y};
  }
  if (canvasMode_) return {outputX_, outputY_};
  const double factor = scaled_ ? scale_ : 1.0;
  const auto [x, y] = sourceOffsets_[frameIndex_];
  return {TruncToInt32(static_cast<double>(x) * factor),
          TruncToInt32(static_cast<double>(y) * factor)};
}

int32_t ImageDecoder::FrameDelay() const {
  if (gifAnimation_) return gifAnimation_->frames[frameIndex_].delay;
  if (canvasMode_) return canvasDelay_;
  return SaturateToInt32(current_->animationDelay());
}

}  // namespace zel
