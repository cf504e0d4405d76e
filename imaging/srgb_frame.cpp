#include "imaging/srgb_frame.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "imaging/magick_compat.h"

namespace zel {
namespace {

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfileGuard = std::unique_ptr<std::remove_pointer_t<cmsHPROFILE>, ProfileCloser>;

struct TransformDeleter {
  void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using TransformGuard = std::unique_ptr<std::remove_pointer_t<cmsHTRANSFORM>, TransformDeleter>;

// How the library exports the samples that a profile of the given colour space describes.
struct SourceLayout {
  const char* map;
  cmsUInt32Number format;
  size_t channels;
};

std::optional<SourceLayout> LayoutFor(cmsColorSpaceSignature profileSpace,
                                      Magick::ColorspaceType frameSpace) {
  if (profileSpace == cmsSigRgbData &&
      (frameSpace == Magick::sRGBColorspace || frameSpace == Magick::RGBColorspace)) {
    return SourceLayout{"RGB", TYPE_RGB_8, 3};
  }
  // The library keeps a grey sample in each of red, green and blue.
  if (profileSpace == cmsSigGrayData && frameSpace == Magick::GRAYColorspace) {
    return SourceLayout{"R", TYPE_GRAY_8, 1};
  }
  if (profileSpace == cmsSigCmykData && frameSpace == Magick::CMYKColorspace) {
    return SourceLayout{"CMYK", TYPE_CMYK_8, 4};
  }
  return std::nullopt;
}

// The library's choice when the file names no rendering intent is perceptual.
cmsUInt32Number IntentOf(const Magick::Image& frame) {
  switch (frame.renderingIntent()) {
    case Magick::AbsoluteIntent:
      return INTENT_ABSOLUTE_COLORIMETRIC;
    case Magick::RelativeIntent:
      return INTENT_RELATIVE_COLORIMETRIC;
    case Magick::SaturationIntent:
      return INTENT_SATURATION;
    default:
      return INTENT_PERCEPTUAL;
  }
}

// Whether an RGB profile describes sRGB itself (the profile most cameras embed): the same primaries
// and the same tone curves, within what 8-bit samples can show.
bool IsSrgb(cmsHPROFILE profile, cmsHPROFILE srgb) {
  if (cmsGetColorSpace(profile) != cmsSigRgbData || !cmsIsMatrixShaper(profile)) return false;
  constexpr double kTolerance = 0.001;
  for (const cmsTagSignature tag :
       {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag}) {
    const auto* ours = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tag));
    const auto* theirs = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb, tag));
    if (ours == nullptr || theirs == nullptr || std::abs(ours->X - theirs->X) > kTolerance ||
        std::abs(ours->Y - theirs->Y) > kTolerance || std::abs(ours->Z - theirs->Z) > kTolerance) {
      return false;
    }
  }
  for (const cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag}) {
    const auto* ours = static_cast<const cmsToneCurve*>(cmsReadTag(profile, tag));
    const auto* theirs = static_cast<const cmsToneCurve*>(cmsReadTag(srgb, tag));
    if (ours == nullptr || theirs == nullptr) return false;
    for (int step = 0; step <= 32; ++step) {
      const float x = static_cast<float>(step) / 32;
      if (std::abs(cmsEvalToneCurveFloat(ours, x) - cmsEvalToneCurveFloat(theirs, x)) >
          kTolerance) {
        return false;
      }
    }
  }
  return true;
}

// Converts through the embedded profile, a band of rows at a time, with 8-bit samples: the frame
// leaves as 8-bit samples anyway, the colour-management library has fast paths for them, and the
// image library's own profile conversion works in double precision and takes seconds for a
// photograph. False, with the frame untouched, when there is no profile or it does not describe
// the frame's samples (a damaged profile, or one made for another colour space).
bool ConvertThroughProfile(Magick::Image& frame) {
  const Magick::Blob embedded = frame.iccColorProfile();
  if (embedded.length() == 0) return false;
  const ProfileGuard source(
      cmsOpenProfileFromMem(embedded.data(), static_cast<cmsUInt32Number>(embedded.length())));
  if (!source) return false;
  const std::optional<SourceLayout> layout =
      LayoutFor(cmsGetColorSpace(source.get()), frame.colorSpace());
  if (!layout) return false;
  const ProfileGuard srgb(cmsCreate_sRGBProfile());
  if (!srgb) return false;
  if (frame.colorSpace() == Magick::sRGBColorspace && IsSrgb(source.get(), srgb.get())) return true;
  const TransformGuard transform(
      cmsCreateTransform(source.get(), layout->format, srgb.get(), TYPE_RGB_8, IntentOf(frame), 0));
  if (!transform) return false;

  frame.modifyImage();
  MagickCore::Image* image = frame.image();
  const size_t width = frame.columns();
  const size_t rows = frame.rows();
  // About a megapixel per band keeps the extra memory small next to the frame itself.
  const size_t bandRows = std::max<size_t>(1, (size_t{1} << 20) / std::max<size_t>(width, 1));
  std::vector<uint8_t> in(width * std::min(bandRows, rows) * layout->channels);
  std::vector<uint8_t> out(width * std::min(bandRows, rows) * 3);
  for (size_t y = 0; y < rows; y += bandRows) {
    const size_t band = std::min(bandRows, rows - y);
    const auto top = static_cast<ssize_t>(y);
    frame.write(0, top, width, band, layout->map, Magick::CharPixel, in.data());
    cmsDoTransform(transform.get(), in.data(), out.data(),
                   static_cast<cmsUInt32Number>(width * band));
    if (!magick::ImportPixels(image, 0, top, width, band, "RGB", MagickCore::CharPixel,
                              out.data())) {
      throw std::runtime_error("Colour conversion failed");
    }
  }
  frame.colorspaceType(Magick::sRGBColorspace);
  // The samples no longer mean what the profile says.
  MagickCore::DeleteImageProfile(image, "icc");
  return true;
}

}  // namespace

void ConvertToSrgb(Magick::Image& frame) {
  // Warnings (an unusual profile version, a rendering intent the library ignores) change nothing
  // about the result; errors still raise.
  frame.quiet(true);
  if (ConvertThroughProfile(frame)) return;
  if (frame.colorSpace() != Magick::sRGBColorspace) frame.colorSpace(Magick::sRGBColorspace);
}

}  // namespace zel
