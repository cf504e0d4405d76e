#include "client/thumbnailer/thumbnail_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace zel::client {
namespace {

// How much of each source pixel along one axis goes into one target pixel.
struct Share {
  int32_t first = 0;
  std::vector<double> weights;
};

// Target pixel t covers the source span [t * from / to, (t + 1) * from / to).
std::vector<Share> Shares(int32_t from, int32_t to) {
  std::vector<Share> shares(static_cast<size_t>(to));
  const double step = static_cast<double>(from) / to;
  for (int32_t t = 0; t < to; ++t) {
    const double begin = t * step;
    const double end = std::min<double>(from, (t + 1) * step);
    Share& share = shares[static_cast<size_t>(t)];
    share.first = static_cast<int32_t>(std::floor(begin));
    for (int32_t s = share.first; s < from && s < end; ++s) {
      const double covered = std::min<double>(s + 1, end) - std::max<double>(s, begin);
      share.weights.push_back(covered / step);
    }
  }
  return shares;
}

}  // namespace

namespace {

bool HasPixels(const Frame& frame) {
  return frame.width > 0 && frame.height > 0 &&
         frame.bgra.size() == static_cast<size_t>(frame.width) * frame.height * 4;
}

}  // namespace

Frame FirstComposedFrame(const BitmapReply& reply) {
  // An empty picture would make an empty PNG, which file managers show as a broken thumbnail.
  if (reply.frames.empty() || !HasPixels(reply.frames.front()) ||
      (reply.animated && (reply.width <= 0 || reply.height <= 0))) {
    throw std::runtime_error("The host returned no picture");
  }
  const Frame& first = reply.frames.front();
  if (!reply.animated) return first;
  Frame canvas;
  canvas.width = reply.width;
  canvas.height = reply.height;
  canvas.bgra.assign(static_cast<size_t>(canvas.width) * canvas.height * 4, 0);
  // Only the part of the frame that lies on the canvas is drawn.
  const int32_t left = std::max(0, first.x);
  const int32_t right = std::min(canvas.width, first.x + first.width);
  for (int32_t y = std::max(0, first.y); y < std::min(canvas.height, first.y + first.height); ++y) {
    if (left >= right) break;
    const uint8_t* from =
        first.bgra.data() + (static_cast<size_t>(y - first.y) * first.width + (left - first.x)) * 4;
    uint8_t* to = canvas.bgra.data() + (static_cast<size_t>(y) * canvas.width + left) * 4;
    std::memcpy(to, from, static_cast<size_t>(right - left) * 4);
  }
  return canvas;
}

Frame FitIntoSquare(const Frame& picture, int32_t size) {
  if (picture.width <= size && picture.height <= size) return picture;
  const double scale = std::min(static_cast<double>(size) / picture.width,
                                static_cast<double>(size) / picture.height);
  Frame result;
  result.width = std::clamp(static_cast<int32_t>(std::lround(picture.width * scale)), 1, size);
  result.height = std::clamp(static_cast<int32_t>(std::lround(picture.height * scale)), 1, size);

  // Colours are averaged premultiplied by alpha, one axis at a time.
  const std::vector<Share> columns = Shares(picture.width, result.width);
  const std::vector<Share> rows = Shares(picture.height, result.height);
  std::vector<double> narrowed(static_cast<size_t>(picture.height) * result.width * 4, 0.0);
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint8_t* source = picture.bgra.data() + static_cast<size_t>(y) * picture.width * 4;
    double* target = narrowed.data() + static_cast<size_t>(y) * result.width * 4;
    for (int32_t x = 0; x < result.width; ++x) {
      const Share& share = columns[static_cast<size_t>(x)];
      for (size_t i = 0; i < share.weights.size(); ++i) {
        const uint8_t* pixel = source + static_cast<size_t>(share.first + i) * 4;
        const double alpha = pixel[3] * share.weights[i];
        for (int c = 0; c < 3; ++c) target[x * 4 + c] += pixel[c] * alpha;
        target[x * 4 + 3] += alpha;
      }
    }
  }
  result.bgra.resize(static_cast<size_t>(result.width) * result.height * 4);
  for (int32_t y = 0; y < result.height; ++y) {
    const Share& share = rows[static_cast<size_t>(y)];
    for (int32_t x = 0; x < result.width; ++x) {
      double sums[4] = {0, 0, 0, 0};
      for (size_t i = 0; i < share.weights.size(); ++i) {
        const double* pixel =
            narrowed.data() + (static_cast<size_t>(share.first + i) * result.width + x) * 4;
        for (int c = 0; c < 4; ++c) sums[c] += pixel[c] * share.weights[i];
      }
      uint8_t* out = result.bgra.data() + (static_cast<size_t>(y) * result.width + x) * 4;
      for (int c = 0; c < 3; ++c) {
        out[c] =
            sums[3] > 0 ? static_cast<uint8_t>(std::lround(std::min(255.0, sums[c] / sums[3]))) : 0;
      }
      out[3] = static_cast<uint8_t>(std::lround(std::min(255.0, sums[3])));
    }
  }
  return result;
}

}  // namespace zel::client
