// The system's message font, which document previews use for their text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel {

// Fills the face name, the size in tenths of a point and the font file's bytes. What the system
// cannot tell is left as it was; the caller presets `sizeTenths` (to 100).
void GetSystemMessageFont(std::u16string& faceName, int32_t& sizeTenths,
                          std::vector<uint8_t>& fontBytes);

}  // namespace zel
