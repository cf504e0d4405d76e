// Saving a picture of the convert tool.
#pragma once

#include <Magick++.h>

#include <string>

namespace zel {

// Encodes `image` as PNG and writes it to `path`. The library only encodes: the file is written by
// path as given, so nothing in a folder or file name is taken for a format prefix or a frame list.
void SavePng(Magick::Image image, const std::u16string& path);

}  // namespace zel
