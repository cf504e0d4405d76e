#include "imaging/bgra_frame.h"

#include <cstring>

namespace zel {

void BgraFrame::WritePixels(void* destination) {
  std::memcpy(destination, pixels_.data(), pixels_.size());
}

}  // namespace zel
