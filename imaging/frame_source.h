// The frames of one decoded picture, one at a time, in the form they leave the decoder: 32-bit
// BGRA (bytes B, G, R, A; rows top to bottom; stride width × 4), each with a position on the
// animation canvas and a delay. The decoder picks one kind of source when it loads a file: plain
// frames, frames composed on a canvas, or the GIF fast path's frames.
#pragma once

#include <cstdint>
#include <utility>

namespace zel {

class FrameSource {
 public:
  virtual ~FrameSource() = default;

  virtual int32_t FrameCount() const = 0;

  // The current frame's size as exported.
  virtual int32_t width() const = 0;
  virtual int32_t height() const = 0;
  virtual std::pair<int32_t, int32_t> FramePosition() const = 0;
  // Hundredths of a second.
  virtual int32_t FrameDelay() const = 0;

  // Exports the current frame into `destination`, which holds width × height × 4 bytes.
  virtual void WritePixels(void* destination) = 0;

  // Makes the next frame current; false when the current frame is the last. Plain frames turn it
  // like the first (see TurnFrame); composed frames are built from the frames as decoded.
  virtual bool NextFrame(int32_t rotation, bool autoOrient) = 0;
};

}  // namespace zel
