#include "host/command_line.h"

#include <limits>

namespace zel {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// Skips blanks and an optional sign; returns the index of the first digit candidate.
size_t SkipPrefix(const std::u16string& text, bool& negative) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  return i;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

int32_t ParseInt(const std::u16string& text) {
  bool negative;
  int64_t value = 0;
  for (size_t i = SkipPrefix(text, negative); i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) break;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

uint64_t ParseUnsigned64(const std::u16string& text) {
  bool negative;
  uint64_t value = 0;
  for (size_t i = SkipPrefix(text, negative); i < text.size() && IsDigit(text[i]); ++i) {
    const uint64_t digit = static_cast<uint64_t>(text[i] - u'0');
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
      return std::numeric_limits<uint64_t>::max();
    }
    value = value * 10 + digit;
  }
  return negative ? 0 - value : value;
}

}  // namespace zel
