// Requests understood only by the test build of the host.
#pragma once

#include <cstdint>
#include <string_view>

namespace zel {

// Crashes the listener thread that takes the request.
inline constexpr int32_t kCrashOpcode = 0x7E57C0DE;
// Holds the listener for one and a half seconds, then fails like any unknown opcode.
inline constexpr int32_t kStallOpcode = 0x7E575700;

// ConvertToBitmap of a file of this name is answered with a still image of 0 × 0 pixels.
inline constexpr int32_t kConvertToBitmapOpcode = 2;
inline constexpr std::u16string_view kEmptyFrameFileName = u"zel-empty-frame.png";

}  // namespace zel
