// Images created with a file-name hint. The hint is only a name — nothing is read from that path —
// but the library takes a format from its extension when the bytes alone do not identify one.
//
// The source's name comes from the viewer's file system and is untrusted, while the library reads
// a great deal into a file name: a bracket suffix picks frames or resizes ("a[2]", "a[50%]"), a
// prefix picks the coder ("gif:a"), and "@", "|" or "%d" open other files or programs. So the hint
// never carries the name itself: it is a fixed name in the image temporary folder with the
// source's extension, and only when that extension is plain letters and digits.
#pragma once

#include <Magick++.h>

#include <string>

namespace zel {

// The image temporary folder, a separator, a fixed base name and, when `name` ends in a plain
// extension, a dot and that extension; in UTF-8. Every read that uses the source's name as a
// format hint goes through this.
std::string FileNameHint(const std::u16string& name);

// A new, empty image carrying the hint of `name`, quiet (library warnings are dropped, errors still
// raise), ready for read or ping.
Magick::Image CreateNamedImage(const std::u16string& name);

}  // namespace zel
