#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

#include "util/exceptions.h"
#include "util/strings.h"

namespace vesku {
namespace {

// Year, month, day, hour, minute, second, millisecond.
constexpr size_t kSlotCount = 7;
// Year, month and day separated by anything, then at least the hour and the minute.
constexpr size_t kMinimumTokens = 5;

// A token made only of ASCII digits, read as a whole 32-bit number.
int32_t ParseWholeNumber(const std::u16string& token) {
  int64_t value = 0;
  for (const char16_t digit : token) {
    value = value * 10 + (digit - u'0');
    if (value > std::numeric_limits<int32_t>::max()) {
      throw CConvertException("Can't convert: " + ToAnsi(token));
    }
  }
  return static_cast<int32_t>(value);
}

}  // namespace

std::string NormalizeDateText(const std::string& text) {
  std::u16string wide = ToWide(text);
  for (char16_t& c : wide) {
    if (c < u'0' || c > u'9') c = u' ';
  }

  std::array<int32_t, kSlotCount> slots{};
  size_t tokens = 0;
  size_t filled = 0;
  size_t start = 0;
  try {
    while (true) {
      const size_t end = std::min(wide.find(u' ', start), wide.size());
      ++tokens;
      if (end > start && filled < kSlotCount) {
        slots[filled++] = ParseWholeNumber(wide.substr(start, end - start));
      }
      if (end == wide.size()) break;
      start = end + 1;
    }
  } catch (const CConvertException&) {
    return {};
  }
  if (tokens < kMinimumTokens) return {};
  // Cameras write "    :  :     :  :  " or "0000:00:00 00:00:00" for an unknown date; such a
  // text would sort before every real date and hide it, so it is not a date at all.
  if (slots[0] == 0 && slots[1] == 0 && slots[2] == 0) return {};

  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%4i-%02i-%02i %02i:%02i:%02i.%03i",
                static_cast<int>(static_cast<uint16_t>(slots[0])),
                static_cast<int>(static_cast<uint16_t>(slots[1])),
                static_cast<int>(static_cast<uint16_t>(slots[2])),
                static_cast<int>(static_cast<uint16_t>(slots[3])),
                static_cast<int>(static_cast<uint16_t>(slots[4])),
                static_cast<int>(static_cast<uint16_t>(slots[5])),
                static_cast<int>(static_cast<uint16_t>(slots[6])));
  return buffer;
}

}  // namespace vesku
