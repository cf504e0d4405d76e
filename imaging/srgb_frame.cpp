#include "imaging/srgb_frame.h"

#include "imaging/srgb_profile.h"

namespace zel {
namespace {

// The embedded profile describes what the file's numbers mean, so it goes first. A damaged
// profile, or one made for another colour space than the pixels', is no reason to refuse the
// picture: the plain transform below still gives a fair rendering.
void ConvertThroughProfile(Magick::Image& frame) {
  const Magick::Blob& srgb = SrgbProfile();
  if (srgb.length() == 0 || frame.iccColorProfile().length() == 0) return;
  try {
    frame.profile("icc", srgb);
  } catch (const Magick::Exception&) {
  }
}

}  // namespace

void ConvertToSrgb(Magick::Image& frame) {
  // Warnings (an unusual profile version, a rendering intent the library ignores) change nothing
  // about the result; errors still raise.
  frame.quiet(true);
  ConvertThroughProfile(frame);
  if (frame.colorSpace() != Magick::sRGBColorspace) frame.colorSpace(Magick::sRGBColorspace);
}

}  // namespace zel
