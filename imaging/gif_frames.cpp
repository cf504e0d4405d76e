#include "imaging/gif_frames.h"

#include <cstring>

namespace zel {

void GifFrames::WritePixels(void* destination) {
  std::memcpy(destination, current().pixels.data(), current().pixels.size());
}

bool GifFrames::NextFrame(int32_t, bool) {
  if (index_ + 1 >= animation_.frames.size()) return false;
  animation_.frames[index_++].ReleasePixels();
  return true;
}

}  // namespace zel
