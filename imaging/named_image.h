// Images created with a file-name hint. The hint is only a name — nothing is read from that path —
// but the library takes a format from its extension when the bytes alone do not identify one.
#pragma once

#include <Magick++.h>

#include <string>

namespace zel {

// The image temporary folder, a separator and the source's file name, in UTF-8.
std::string FileNameHint(const std::u16string& name);

// A new, empty image carrying the hint of `name`, quiet (library warnings are dropped, errors still
// raise), ready for read or ping.
Magick::Image CreateNamedImage(const std::u16string& name);

}  // namespace zel
