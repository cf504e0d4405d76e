// Wide (UTF-16) and narrow text helpers: path building, conversions between UTF-16 and narrow code
// pages, a UTF-8 encoder and decoder for document text, the capture-date normaliser and
// number-to-text. Every conversion result ends at the first NUL character of its source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text_codec.h"

namespace vesku {

inline constexpr uint32_t kCodePageUtf8 = zel::platform::kCodePageUtf8;
// The system's active code page (UTF-8 on Linux).
inline constexpr uint32_t kCodePageAnsi = zel::platform::kCodePageAnsi;

// Makes `path` end in exactly `separator`: a last backslash or slash is replaced by it, any other
// last character gets it appended, and an empty path becomes the separator alone. Only the last
// character is looked at.
void EnsureTrailingSeparator(std::u16string& path, char16_t separator);
std::u16string WithTrailingSeparator(const std::u16string& path, char16_t separator);

// `folder` followed by `name`; `folder` must already end in a separator.
std::u16string JoinPath(const std::u16string& folder, const std::u16string& name);

// Converts `length` UTF-16 units into `out`, which then ends in one NUL byte (embedded NULs are
// kept). A length of 0 leaves `out` untouched. Throws CWinException "Convert.Fails".
void ToNarrow(const char16_t* wide, int32_t length, uint32_t codePage, std::vector<char>& out);

// Narrow text in UTF-8 or in the active code page; empty when the input is empty or cannot be
// converted.
std::string ToUtf8(const std::u16string& wide);
std::string ToAnsi(const std::u16string& wide);

// UTF-16 text from narrow text in `codePage`; empty when the input is empty or cannot be converted.
// Ill-formed UTF-8 becomes U+FFFD.
std::u16string ToWide(const std::string& narrow, uint32_t codePage = kCodePageUtf8);

// Length (1 to 4) of the UTF-8 form of `codePoint` (U+FFFD above U+10FFFF). With a null `cursor`
// only the length is returned; when fewer than that many bytes remain, nothing is written and 0 is
// returned; otherwise the bytes are written, `cursor` advances and `remaining` shrinks.
int EncodeUtf8(uint32_t codePoint, char*& cursor, int32_t& remaining);

// Appends the UTF-8 form of `codePoint` to `out` (U+FFFD above U+10FFFF).
void AppendUtf8(uint32_t codePoint, std::string& out);

// Decodes the UTF-8 sequence at `bytes` (at most `length` bytes) into `codePoint` and returns the
// number of bytes consumed: 0 only without input; ill-formed input yields U+FFFD (the rule of
// platform/utf8.h, which every UTF-8 reader of the system shares).
int DecodeUtf8(const char* bytes, int32_t length, uint32_t& codePoint);

// Turns a date text such as "2021:03:04 12:34:56" into "2021-03-04 12:34:56.000"; empty when the
// text is not a date.
std::string NormalizeDateText(const std::string& text);

}  // namespace vesku
