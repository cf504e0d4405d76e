#include "imaging/gif_fast_path.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "imaging/animation_planner.h"
#include "imaging/gif_stream_compositor.h"
#include "imaging/magick_compat.h"
#include "imaging/magick_guards.h"

namespace zel {

namespace {

// "gif:" forces the GIF decoder; the rest of the name is never opened.
constexpr char kStreamName[] = "gif:zelhost";
// The canvas is resampled to exactly the scaled size with a box filter, which spills nothing past
// the area that changed.
constexpr PlanRules kFastPathRules{.margin = 0, .byOutputRatio = true};

magick::ImageInfoGuard MakeImageInfo(const void* data, size_t size) {
  magick::ImageInfoGuard info(MagickCore::AcquireImageInfo());
  MagickCore::CopyMagickString(info->filename, kStreamName, magick::kPathExtent);
  MagickCore::SetImageInfoBlob(info.get(), data, size);
  return info;
}

struct PingResult {
  // In source coordinates until they are shifted to the bounding box.
  std::vector<FrameBounds> frames;
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
    const auto left = static_cast<int32_t>(std::max<int64_t>(0, image->page.x));
    const auto top = static_cast<int32_t>(std::max<int64_t>(0, image->page.y));
    const auto right = static_cast<int32_t>(image->page.x + static_cast<int64_t>(image->columns));
    const auto bottom = static_cast<int32_t>(image->page.y + static_cast<int64_t>(image->rows));
    result.minLeft = std::min(result.minLeft, left);
    result.minTop = std::min(result.minTop, top);
    result.maxRight = std::max(result.maxRight, right);
    result.maxBottom = std::max(result.maxBottom, bottom);
    result.need += static_cast<int64_t>(image->rows) * static_cast<int64_t>(image->columns) * 4;
    result.frames.push_back({left, top, right, bottom, magick::DisposalOf(image)});
  }
  return true;
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
  for (FrameBounds& bounds : ping.frames) {
    bounds.left -= ping.minLeft;
    bounds.right -= ping.minLeft;
    bounds.top -= ping.minTop;
    bounds.bottom -= ping.minTop;
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

  std::optional<AnimationPlan> plan =
      PlanAnimation(ping.frames, boxWidth, boxHeight, BudgetScale(byteLimit, ping.need), byteLimit,
                    kFastPathRules);
  if (!plan) return std::nullopt;

  GifStreamCompositor compositor(boxWidth, boxHeight, ping.minLeft, ping.minTop, std::move(*plan));
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
