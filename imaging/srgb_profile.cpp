#include "imaging/srgb_profile.h"

#include <lcms2.h>

#include <memory>
#include <vector>

namespace zel {
namespace {

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};

Magick::Blob MakeSrgbProfile() {
  const std::unique_ptr<void, ProfileCloser> profile(cmsCreate_sRGBProfile());
  if (!profile) return Magick::Blob();
  cmsUInt32Number size = 0;
  if (!cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0) return Magick::Blob();
  std::vector<unsigned char> bytes(size);
  if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size)) return Magick::Blob();
  return Magick::Blob(bytes.data(), size);
}

}  // namespace

const Magick::Blob& SrgbProfile() {
  static const Magick::Blob profile = MakeSrgbProfile();
  return profile;
}

}  // namespace zel
