#include "imaging/gif_stream_compositor.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace zel {

namespace {

// The stream handler is a plain function called by the library on the streaming thread; each
// thread streams into its own compositor.
thread_local GifStreamCompositor* activeCompositor = nullptr;

uint8_t SampleToByte(float value) {
  if (!(value > 0.0f)) return 0;  // also catches NaN
  const float scaled = value / 257.0f;
  if (scaled >= 255.0f) return 255;
  return static_cast<uint8_t>(scaled + 0.5f);
}

// GIF interlacing sends every 8th row from row 0, every 8th from row 4, every 4th from row 2
// and finally every 2nd from row 1.
std::vector<int32_t> RowOrder(int32_t rows, bool interlaced) {
  std::vector<int32_t> order;
  order.reserve(rows);
  if (!interlaced) {
    for (int32_t row = 0; row < rows; ++row) order.push_back(row);
    return order;
  }
  constexpr std::pair<int32_t, int32_t> kPasses[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
  for (const auto& [start, step] : kPasses) {
    for (int32_t row = start; row < rows; row += step) order.push_back(row);
  }
  return order;
}

}  // namespace

GifStreamCompositor::GifStreamCompositor(int32_t boxWidth, int32_t boxHeight, int32_t originX,
                                         int32_t originY, AnimationPlan plan)
    : canvasWidth_(boxWidth),
      canvasHeight_(boxHeight),
      originX_(originX),
      originY_(originY),
      canvas_(static_cast<size_t>(boxWidth) * boxHeight * 4, 255),
      rects_(std::move(plan.rects)),
      columnTable_(BuildResampleTable(boxWidth, plan.canvasWidth,
                                      static_cast<double>(plan.canvasWidth) / boxWidth)),
      rowTable_(BuildResampleTable(boxHeight, plan.canvasHeight,
                                   static_cast<double>(plan.canvasHeight) / boxHeight)),
      rowBuffer_(static_cast<size_t>(boxWidth) * 3) {
  output_.canvasWidth = plan.canvasWidth;
  output_.canvasHeight = plan.canvasHeight;
  output_.scale = plan.scale;
  output_.frames.reserve(rects_.size());
}

size_t GifStreamCompositor::OnStreamRows(const MagickCore::Image* image, const void* pixels,
                                         size_t columns) {
  GifStreamCompositor* compositor = activeCompositor;
  if (compositor == nullptr) return 0;
  // An exception must not unwind through the library's C frames: it stops the run instead,
  // and the caller declines.
  try {
    return compositor->HandleRows(image, pixels, columns);
  } catch (...) {
    compositor->stopped_ = true;
    return 0;
  }
}

size_t GifStreamCompositor::HandleRows(const MagickCore::Image* image, const void* pixels,
                                       size_t columns) {
  if (stopped_ || pixels == nullptr) return 0;
  if (image != currentImage_ || image->scene != currentScene_) {
    if (frameIndex_ >= 0) FlushFrame();
    BeginFrame(image);
    if (stopped_) return 0;
  }
  CompositeRow(image, pixels, columns);
  return stopped_ ? 0 : columns;
}

void GifStreamCompositor::BeginFrame(const MagickCore::Image* image) {
  ++frameIndex_;
  if (frameIndex_ >= static_cast<int32_t>(rects_.size())) {
    stopped_ = true;
    return;
  }
  if (frameIndex_ > 0) {
    if (frameDispose_ == 2) {
      for (int32_t y = clipped_.y; y < clipped_.y + clipped_.height; ++y) {
        uint8_t* row = canvas_.data() + (static_cast<size_t>(y) * canvasWidth_ + clipped_.x) * 4;
        std::fill(row, row + static_cast<size_t>(clipped_.width) * 4, uint8_t{255});
      }
    } else if (frameDispose_ == 3 && !savedCanvas_.empty()) {
      canvas_.swap(savedCanvas_);
    }
  }
  savedCanvas_.clear();
  savedCanvas_.shrink_to_fit();

  currentImage_ = image;
  currentScene_ = image->scene;
  rowCounter_ = 0;
  offsetX_ = static_cast<int32_t>(image->page.x) - originX_;
  offsetY_ = static_cast<int32_t>(image->page.y) - originY_;
  frameWidth_ = static_cast<int32_t>(image->columns);
  frameRows_ = static_cast<int32_t>(image->rows);
  frameDelay_ = static_cast<int32_t>(image->delay);
  frameDispose_ = magick::DisposalOf(image);
  const int32_t left = std::max(0, offsetX_);
  const int32_t top = std::max(0, offsetY_);
  const int32_t right = std::min(offsetX_ + frameWidth_, canvasWidth_);
  const int32_t bottom = std::min(offsetY_ + frameRows_, canvasHeight_);
  clipped_ =
      left < right && top < bottom ? FrameRect{left, top, right - left, bottom - top} : FrameRect{};

  if (frameDispose_ == 3) savedCanvas_ = canvas_;
  rowOrder_ = RowOrder(frameRows_, image->interlace == MagickCore::GIFInterlace);
}

void GifStreamCompositor::CompositeRow(const MagickCore::Image* image, const void* pixels,
                                       size_t columns) {
  if (rowCounter_ >= frameRows_) {
    stopped_ = true;
    return;
  }
  const int32_t y = rowOrder_[rowCounter_++] + offsetY_;
  if (y < 0 || y >= canvasHeight_) return;

  const bool hasAlpha = magick::HasAlpha(image);
  const size_t count = std::min(static_cast<size_t>(frameWidth_), columns);
  uint8_t* row = canvas_.data() + static_cast<size_t>(y) * canvasWidth_ * 4;
  for (size_t i = 0; i < count; ++i) {
    const int64_t x = static_cast<int64_t>(i) + offsetX_;
    if (x < 0 || x >= canvasWidth_) continue;
    const magick::StreamSample sample = magick::ReadStreamSample(pixels, i);
    const int alpha = hasAlpha ? SampleToByte(sample.alpha) : 255;
    if (alpha == 0) continue;
    uint8_t* target = row + x * 4;
    const int source[3] = {SampleToByte(sample.blue), SampleToByte(sample.green),
                           SampleToByte(sample.red)};
    for (int c = 0; c < 3; ++c) {
      target[c] =
          alpha == 255
              ? static_cast<uint8_t>(source[c])
              : static_cast<uint8_t>((source[c] * alpha + target[c] * (255 - alpha) + 127) / 255);
    }
  }
}

void GifStreamCompositor::FlushFrame() {
  if (stopped_ || frameIndex_ < 0 || frameIndex_ >= static_cast<int32_t>(rects_.size())) return;
  const FrameRect& rect = rects_[frameIndex_];
  GifFrame frame;
  frame.x = rect.x;
  frame.y = rect.y;
  frame.width = rect.width;
  frame.height = rect.height;
  frame.delay = frameDelay_;
  frame.pixels = Resample(rect);
  output_.totalBytes += static_cast<int64_t>(frame.pixels.size());
  output_.frames.push_back(std::move(frame));
}

void GifStreamCompositor::Finish() {
  if (frameIndex_ >= 0) FlushFrame();
}

std::vector<uint8_t> GifStreamCompositor::Resample(const FrameRect& rect) {
  const int32_t right = rect.x + rect.width;
  std::vector<uint8_t> pixels(static_cast<size_t>(rect.width) * rect.height * 4);
  const int32_t columnFirst = columnTable_.first[rect.x];
  const int32_t columnEnd = columnTable_.first[right - 1] + columnTable_.count[right - 1];
  uint8_t* out = pixels.data();
  for (int32_t outY = rect.y; outY < rect.y + rect.height; ++outY) {
    std::fill(rowBuffer_.begin() + columnFirst * 3, rowBuffer_.begin() + columnEnd * 3, 0.0f);
    for (int32_t k = 0; k < rowTable_.count[outY]; ++k) {
      const float weight = rowTable_.weights[rowTable_.offset[outY] + k];
      if (weight == 0.0f) continue;
      const uint8_t* source =
          canvas_.data() +
          (static_cast<size_t>(rowTable_.first[outY] + k) * canvasWidth_ + columnFirst) * 4;
      float* sum = rowBuffer_.data() + columnFirst * 3;
      for (int32_t x = columnFirst; x < columnEnd; ++x, source += 4, sum += 3) {
        sum[0] += weight * source[0];
        sum[1] += weight * source[1];
        sum[2] += weight * source[2];
      }
    }
    for (int32_t outX = rect.x; outX < right; ++outX) {
      float blue = 0.0f, green = 0.0f, red = 0.0f;
      const float* weights = columnTable_.weights.data() + columnTable_.offset[outX];
      const float* sum = rowBuffer_.data() + columnTable_.first[outX] * 3;
      for (int32_t k = 0; k < columnTable_.count[outX]; ++k, sum += 3) {
        blue += weights[k] * sum[0];
        green += weights[k] * sum[1];
        red += weights[k] * sum[2];
      }
      *out++ = static_cast<uint8_t>(std::min(255.0f, blue + 0.5f));
      *out++ = static_cast<uint8_t>(std::min(255.0f, green + 0.5f));
      *out++ = static_cast<uint8_t>(std::min(255.0f, red + 0.5f));
      *out++ = 255;
    }
  }
  return pixels;
}

GifStreamScope::GifStreamScope(GifStreamCompositor& compositor) { activeCompositor = &compositor; }

GifStreamScope::~GifStreamScope() { activeCompositor = nullptr; }

}  // namespace zel
