// Opcode 1: how large a file will be when shown (and, for images, its orientation, animation flag
// and capture date), answered before the viewer asks for pixels.
#pragma once

#include <cstdint>
#include <string>

#include "facts/image_summary.h"

namespace vesk {
class CArchiveOverBuffer;
}
namespace vesku_rpc {
class IServerResponder;
}

namespace zel {

// Fills `summary` from the whole file; true when its size is known. A document reports the size of
// the first-page picture that a bitmap request would produce for it.
bool ProbeFileInfo(const std::u16string& name, const std::string& mimeType, const uint8_t* data,
                   int32_t size, ImageSummary& summary);

void FileInfo(vesk::CArchiveOverBuffer& request, vesku_rpc::IServerResponder& responder);

}  // namespace zel
