// The host's own policy for the image library. The library merges every policy file it finds
// (the distribution's /etc/ImageMagick-6/policy.xml among them) into one list; a resource value
// is taken from the first entry that names it and a right from the last entry that matches. So
// the host's values go in a file that is read before all others, and its rights are appended
// after all others: nothing a system file says about either survives.
#pragma once

#include <string>
#include <vector>

#include "imaging/resource_limits.h"

namespace zel {

// The formats the host decodes (and tests and tools encode): the raster formats a viewer meets,
// the library's own multi-frame format, and the solid colour that composing a canvas starts
// from. Anything else — PostScript, PDF, XPS and SVG through the library, video, text, scripts,
// URLs, inline data — is refused whatever the file is called or its bytes look like.
const std::vector<std::string>& AllowedImageFormats();

// The resource values, as a policy file to be read before any other.
std::string ResourcePolicyText(const ImageLibraryLimits& limits);

// The rights, to be appended after every policy file: no delegate (external program) and no
// filter module; no path at all, so no "@file" list, no file-backed pixel cache and no file an
// image refers to; no coder and no module except the allowed formats.
std::string RightsPolicyText();

}  // namespace zel
