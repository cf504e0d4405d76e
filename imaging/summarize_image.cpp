#include "imaging/summarize_image.h"

#include <algorithm>
#include <exception>

#include "imaging/named_image.h"
#include "util/strings.h"

namespace zel {

bool SummarizeImage(const Magick::Image& image, ImageSummary& summary) {
  summary.width = static_cast<int32_t>(image.columns());
  summary.height = static_cast<int32_t>(image.rows());
  if (summary.width == 0 || summary.height == 0) return false;
  if (image.animationDelay() != 0) summary.flags |= ImageSummary::kAnimatedFlag;
  switch (image.orientation()) {
    case Magick::BottomRightOrientation:
    case Magick::BottomLeftOrientation:
      summary.rotation = 180;
      break;
    case Magick::LeftTopOrientation:
    case Magick::RightTopOrientation:
      summary.rotation = 90;
      summary.flags |= ImageSummary::kTurnedFlag;
      break;
    case Magick::RightBottomOrientation:
    case Magick::LeftBottomOrientation:
      summary.rotation = 270;
      summary.flags |= ImageSummary::kTurnedFlag;
      break;
    default:
      break;
  }
  summary.dateTaken = DateTaken(image);
  return true;
}

std::string DateTaken(const Magick::Image& image) {
  std::string kept;
  try {
    for (const char* property : {"exif:DateTimeDigitized", "exif:DateTimeOriginal"}) {
      std::string value;
      try {
        value = image.attribute(property);
      } catch (const std::exception&) {
        continue;
      }
      std::string date = vesku::NormalizeDateText(value);
      if (date.empty()) continue;
      // The fixed form compares like the dates it holds, so the smaller text is the earlier date.
      if (kept.empty() || date < kept) kept = std::move(date);
    }
  } catch (const std::exception&) {
    return std::string();
  }
  return kept;
}

bool PingImageSummary(const void* data, int32_t size, const std::u16string& name,
                      ImageSummary& summary) {
  // A negative size is no data at all; the library then refuses the empty blob.
  const Magick::Blob blob(data, static_cast<size_t>(std::max(size, 0)));
  Magick::Image image = CreateNamedImage(name);
  image.ping(blob);
  return image.isValid() && SummarizeImage(image, summary);
}

}  // namespace zel
