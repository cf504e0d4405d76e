#include "tools/convert_options.h"

#include <algorithm>
#include <limits>

namespace zel {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads a decimal integer at `position` as the C library does: leading blanks, an optional sign,
// then digits; values beyond 32 bits are clamped rather than wrapped. Returns false when no digit
// is there, leaving `position` where it was.
bool ScanDecimal(const std::u16string& text, size_t& position, int32_t& value) {
  size_t i = position;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i >= text.size() || !IsDigit(text[i])) return false;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = std::min(kLimit, magnitude * 10 + (text[i] - u'0'));
  }
  const int64_t signedValue = negative ? -magnitude : magnitude;
  value = static_cast<int32_t>(std::clamp<int64_t>(signedValue, std::numeric_limits<int32_t>::min(),
                                                   std::numeric_limits<int32_t>::max()));
  position = i;
  return true;
}

// Text that is not a number reads as 0.
int32_t DecimalOrZero(const std::u16string& text) {
  size_t position = 0;
  int32_t value = 0;
  return ScanDecimal(text, position, value) ? value : 0;
}

// "WxH": two numbers with an "x" between them; whatever follows the second is ignored.
bool ScanSize(const std::u16string& text, int32_t& width, int32_t& height) {
  size_t position = 0;
  int32_t first = 0;
  int32_t second = 0;
  if (!ScanDecimal(text, position, first)) return false;
  if (position >= text.size() || text[position] != u'x') return false;
  ++position;
  if (!ScanDecimal(text, position, second)) return false;
  width = first;
  height = second;
  return true;
}

// Every comma ends a token; an empty token counts as 0, but a trailing comma adds nothing.
void AppendFrameList(const std::u16string& text, std::vector<int32_t>& frames) {
  size_t start = 0;
  while (start < text.size()) {
    const size_t comma = text.find(u',', start);
    const size_t end = comma == std::u16string::npos ? text.size() : comma;
    frames.push_back(DecimalOrZero(text.substr(start, end - start)));
    if (comma == std::u16string::npos) break;
    start = comma + 1;
  }
}

}  // namespace

bool ConvertOptions::IsSelected(int32_t index) const {
  return allFrames ||
         std::find(selectedFrames.begin(), selectedFrames.end(), index) != selectedFrames.end();
}

int32_t ParseConvertOptions(const std::vector<std::u16string>& arguments, size_t first,
                            ConvertOptions& options) {
  for (size_t i = first; i < arguments.size(); ++i) {
    const std::u16string& argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (argument == u"--compare") {
      options.compare = true;
    } else if (argument == u"--old-scaling") {
      options.oldScaling = true;
    } else if (argument == u"--max-bytes" && hasValue) {
      options.maxBytes = DecimalOrZero(arguments[++i]);
    } else if (argument == u"--max-size" && hasValue &&
               ScanSize(arguments[i + 1], options.maxWidth, options.maxHeight)) {
      ++i;
    } else if (argument == u"--frames" && hasValue) {
      const std::u16string& value = arguments[++i];
      if (value == u"all") {
        options.allFrames = true;
      } else {
        AppendFrameList(value, options.selectedFrames);
      }
    } else {
      return static_cast<int32_t>(i);
    }
  }
  return -1;
}

}  // namespace zel
