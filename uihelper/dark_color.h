// Whether a colour counts as dark: its perceived brightness, weighted as in the luma of
// ITU-R BT.601, lies below the middle of the 0-255 range.
#pragma once

#include <windows.h>

namespace zel {

constexpr double kDarkLuminanceLimit = 127.0;

// The summation order is fixed so that borderline greys land on the same side every time:
// (127, 127, 127) sums to just below 127.0 and is dark.
constexpr double ColorLuminance(BYTE red, BYTE green, BYTE blue) {
  return (0.587 * green + 0.299 * red) + 0.114 * blue;
}

constexpr bool IsDarkColor(COLORREF color) {
  return ColorLuminance(GetRValue(color), GetGValue(color), GetBValue(color)) < kDarkLuminanceLimit;
}

}  // namespace zel
