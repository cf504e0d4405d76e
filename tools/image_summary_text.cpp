#include "tools/image_summary_text.h"

namespace zel {

std::string FormatImageSummary(const ImageSummary& summary) {
  return std::to_string(summary.width) + "x" + std::to_string(summary.height) + " f" +
         std::to_string(summary.flags) + " a" + std::to_string(summary.rotation) + " [" +
         summary.dateTaken + "]";
}

bool SameImageSummary(const ImageSummary& a, const ImageSummary& b) {
  return a.width == b.width && a.height == b.height && a.flags == b.flags &&
         a.rotation == b.rotation && a.dateTaken == b.dateTaken;
}

}  // namespace zel
