// Classification of a file for the command-line tools, which have only the file: JPEG and PNG
// by their first bytes, documents and text by the name's extension.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel {

// One of the strings of mime_types.h (never "image/bmp"); the empty string when unknown. Only
// the first eight bytes of `fileBytes` are read.
std::string DetectMimeType(const std::u16string& filePath, const std::vector<uint8_t>& fileBytes);

}  // namespace zel
