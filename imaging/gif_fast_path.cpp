#include "imaging/gif_fast_path.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/gif_geometry.h"
#include "imaging/gif_stream_compositor.h"
#include "imaging/magick_compat.h"
#include "imaging/magick_guards.h"

namespace zel {

namespace {

// "gif:" forces the GIF decoder; the rest of the name is never opened.
constexpr char kStreamName[] = "gif:zelhost";
constexpr int kScaleAttempts = 8;

magick::ImageInfoGuard MakeImageInfo(const void* data, size_t size) {
  magick::ImageInfoGuard info(MagickCore::AcquireImageInfo());
  MagickCore::CopyMagickString(info->filename, kStreamName, magick::kPathExtent);
  MagickCore::SetImageInfoBlob(info.get(), data, size);
  return info;
}

struct PingResult {
  std::vector<SourceFrameRect> frames;
  int32_t minLeft = INT32_MAX;
  int32_t minTop = INT32_MAX;
  int32_t maxRight = 0;
  int32_t maxBottom = 0;
  int64_t need = 0;  // BGRA bytes of all frames at their own size
};

bool PingFrames(const void* data, size_t size, PingResult& result) {
  magick::ImageInfoGuard info = MakeImageInfo(data, size);
  magick::ExceptionGuard exception = magick::AcquireException();
  magick::ImageListGuard list(MagickCore::PingImage(info.get(), exception.get()));
  if (!list || exception->severity >= MagickCore::ErrorException) return false;
  for (const MagickCore::Image* image = list.get(); image != nullptr;
       image = MagickCore::GetNextImageInList(image)) {
    SourceFrameRect rect;
    rect.left = static_cast<int32_t>(std::max<int64_t>(0, image->page.x));
    rect.top = static_cast<int32_t>(std::max<int64_t>(0, image->page.y));
    rect.right = static_cast<int32_t>(image->page.x + static_cast<int64_t>(image->columns));
    rect.bottom = static_cast<int32_t>(image->page.y + static_cast<int64_t>(image->rows));
    rect.dispose = magick::DisposalOf(image);
    result.minLeft = std::min(result.minLeft, rect.left);
    result.minTop = std::min(result.minTop, rect.top);
    result.maxRight = std::max(result.maxRight, rect.right);
    result.maxBottom = std::max(result.maxBottom, rect.bottom);
    result.need += static_cast<int64_t>(image->rows) * static_cast<int64_t>(image->columns) * 4;
    result.frames.push_back(rect);
  }
  return true;
}

struct OutputPlan {
  int32_t width = 0;
  int32_t height = 0;
  double scale = 1.0;
  std::vector<OutputRect> rects;
};

// Shrinks the scale until every frame's output rectangle fits the budget; each retry goes 2 %
// below the square-root estimate so that the search settles within a few attempts.
std::optional<OutputPlan> ChooseScale(const std::vector<SourceFrameRect>& frames, int32_t boxWidth,
                                      int32_t boxHeight, int64_t need, int32_t byteLimit) {
  double scale = byteLimit < need ? std::sqrt(static_cast<double>(byteLimit) / need) : 1.0;
  for (int attempt = 0; attempt < kScaleAttempts; ++attempt) {
    OutputPlan plan;
    plan.scale = scale;
    plan.width = std::max(1, static_cast<int32_t>(boxWidth * scale));
    plan.height = std::max(1, static_cast<int32_t>(boxHeight * scale));
    plan.rects =
        ComputeOutputRects(frames, static_cast<double>(plan.width) / boxWidth,
                           static_cast<double>(plan.height) / boxHeight, plan.width, plan.height);
    const int64_t total = TotalBytes(plan.rects);
    if (total <= byteLimit) return plan;
    scale *= std::sqrt(static_cast<double>(byteLimit) / total) * 0.98;
  }
  return std::nullopt;
}

}  // namespace

std::optional<GifAnimation> DecodeGifFast(const void* data, size_t size, int32_t byteLimit) {
  if (data == nullptr || size < 6 || byteLimit <= 0 || std::memcmp(data, "GIF8", 4) != 0) {
    return std::nullopt;
  }

  PingResult ping;
  if (!PingFrames(data, size, ping)) return std::nullopt;
  if (ping.frames.size() < 2 || ping.maxRight <= ping.minLeft || ping.maxBottom <= ping.minTop) {
    return std::nullopt;
  }
  for (SourceFrameRect& rect : ping.frames) {
    rect.left -= ping.minLeft;
    rect.right -= ping.minLeft;
    rect.top -= ping.minTop;
    rect.bottom -= ping.minTop;
  }
  const int32_t boxWidth = ping.maxRight - ping.minLeft;
  const int32_t boxHeight = ping.maxBottom - ping.minTop;
  // The canvas is kept at source resolution. Frames far apart make a huge bounding box out of a
  // few bytes of file, so the box is held to the area the library itself would accept.
  const MagickCore::MagickSizeType areaLimit =
      MagickCore::GetMagickResourceLimit(MagickCore::AreaResource);
  if (static_cast<MagickCore::MagickSizeType>(boxWidth) *
          static_cast<MagickCore::MagickSizeType>(boxHeight) >
      areaLimit) {
    return std::nullopt;
  }

  std::optional<OutputPlan> plan =
      ChooseScale(ping.frames, boxWidth, boxHeight, ping.need, byteLimit);
  if (!plan) return std::nullopt;

  GifStreamCompositor compositor(boxWidth, boxHeight, ping.minLeft, ping.minTop,
                                 std::move(plan->rects), plan->width, plan->height, plan->scale);
  {
    magick::ImageInfoGuard info = MakeImageInfo(data, size);
    magick::ExceptionGuard exception = magick::AcquireException();
    magick::ImageListGuard list;
    {
      GifStreamScope scope(compositor);
      list.reset(
          MagickCore::ReadStream(info.get(), &GifStreamCompositor::OnStreamRows, exception.get()));
    }
    if (!list || exception->severity >= MagickCore::ErrorException) return std::nullopt;
  }
  compositor.Finish();
  if (compositor.stopped() || compositor.output().frames.size() != ping.frames.size()) {
    return std::nullopt;
  }
  return std::move(compositor.output());
}

}  // namespace zel
