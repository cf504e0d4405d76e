// The sRGB colour profile that frames are converted to when their file embeds a profile of its own.
// It is made in memory by the colour-management library that the image library converts with, so
// the host reads no profile file at run time.
#pragma once

#include <Magick++.h>

namespace zel {

// The profile's bytes; empty if the colour-management library could not make them. Built once,
// on first use, and shared by every thread afterwards.
const Magick::Blob& SrgbProfile();

}  // namespace zel
