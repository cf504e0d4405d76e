// The encoders behind picture files, one per format. Each writes a whole file to an open stream
// and returns false when a write fails; the caller owns the stream and reports the failure.
#pragma once

#include <cstdio>

#include "client/picture/bgra_picture.h"

namespace zel::picture {

bool EncodePng(const BgraPicture& picture, bool opaque, std::FILE* file);
bool EncodeNetpbm(const BgraPicture& picture, bool opaque, std::FILE* file);
bool EncodeBmp(const BgraPicture& picture, bool opaque, std::FILE* file);

}  // namespace zel::picture
