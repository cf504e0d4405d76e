// A still picture whose BGRA pixels are known before any decoding: one frame, at (0, 0), no delay.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "imaging/frame_source.h"

namespace zel {

class BgraFrame final : public FrameSource {
 public:
  BgraFrame(std::vector<uint8_t> pixels, int32_t width, int32_t height)
      : pixels_(std::move(pixels)), width_(width), height_(height) {}

  int32_t FrameCount() const override { return 1; }
  int32_t width() const override { return width_; }
  int32_t height() const override { return height_; }
  std::pair<int32_t, int32_t> FramePosition() const override { return {0, 0}; }
  int32_t FrameDelay() const override { return 0; }
  void WritePixels(void* destination) override;
  bool NextFrame(int32_t, bool) override { return false; }

 private:
  std::vector<uint8_t> pixels_;
  int32_t width_;
  int32_t height_;
};

}  // namespace zel
