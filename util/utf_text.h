// Conversions between wide text (UTF-16) and narrow text (UTF-8, the active code page on this
// platform) for library names and paths exchanged with the system. Invalid input yields an empty
// string, so a broken subject contributes nothing to a message and never reaches the system
// half-converted.
#pragma once

#include <string>
#include <string_view>

namespace vesku {

std::string NarrowText(std::u16string_view text);
std::u16string WideText(std::string_view text);

}  // namespace vesku
