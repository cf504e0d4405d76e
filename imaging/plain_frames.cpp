#include "imaging/plain_frames.h"

#include "imaging/bgra_export.h"
#include "imaging/magick_compat.h"
#include "imaging/orientation.h"

namespace zel {
namespace {

Magick::Geometry ExactSize(uint64_t width, uint64_t height) {
  Magick::Geometry geometry(width, height);
  geometry.aspect(true);
  return geometry;
}

}  // namespace

PlainFrames::PlainFrames(std::vector<Magick::Image> frames) : frames_(std::move(frames)) {
  sourceOffsets_.reserve(frames_.size());
  for (const Magick::Image& frame : frames_) {
    sourceOffsets_.emplace_back(magick::PageX(frame), magick::PageY(frame));
  }
}

bool PlainFrames::TurnFirst(int32_t rotation, bool autoOrient) {
  return TurnFrame(frames_[index_], rotation, autoOrient);
}

void PlainFrames::FitToBox(int32_t longSideLimit, int32_t shortSideLimit) {
  Magick::Image& frame = frames_[index_];
  const std::optional<PixelSize> size =
      FitIntoBox(frame.columns(), frame.rows(), longSideLimit, shortSideLimit);
  if (!size) return;
  frame.filterType(Magick::LanczosFilter);
  frame.resize(ExactSize(size->width, size->height));
}

void PlainFrames::ZoomBy(double scale) {
  zoom_ = scale;
  ZoomCurrent();
}

// The filter is whatever the frame carries: the library's default, or Lanczos after a fit.
void PlainFrames::ZoomCurrent() {
  Magick::Image& frame = frames_[index_];
  frame.zoom(ExactSize(ScaledSide(frame.columns(), *zoom_), ScaledSide(frame.rows(), *zoom_)));
}

std::vector<PixelSize> PlainFrames::Sizes() const {
  std::vector<PixelSize> sizes;
  sizes.reserve(frames_.size());
  for (const Magick::Image& frame : frames_) sizes.push_back({frame.columns(), frame.rows()});
  return sizes;
}

std::pair<int32_t, int32_t> PlainFrames::FramePosition() const {
  const double factor = zoom_.value_or(1.0);
  const auto [x, y] = sourceOffsets_[index_];
  return {TruncToInt32(static_cast<double>(x) * factor),
          TruncToInt32(static_cast<double>(y) * factor)};
}

int32_t PlainFrames::FrameDelay() const { return SaturateToInt32(current().animationDelay()); }

void PlainFrames::WritePixels(void* destination) { ExportBgra(frames_[index_], destination); }

bool PlainFrames::NextFrame(int32_t rotation, bool autoOrient) {
  if (index_ + 1 >= frames_.size()) return false;
  ++index_;
  TurnFrame(frames_[index_], rotation, autoOrient);
  if (zoom_) ZoomCurrent();
  return true;
}

}  // namespace zel
