// UTF-8 sequences, read and written by one rule everywhere: the text converter, names from the
// file system, and the document text that is measured and drawn. Ill-formed input never fails; it
// yields U+FFFD and is consumed so that no byte that could start a sequence is ever swallowed.
#pragma once

#include <cstdint>

namespace zel::platform {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

struct Utf8Sequence {
  char32_t codePoint = 0;  // U+FFFD when not well-formed
  int32_t length = 0;      // bytes consumed, at least 1
  // Every byte that the lead byte calls for is there and is a continuation byte. The value may
  // still be one that UTF-8 forbids: an overlong form, a surrogate or beyond U+10FFFF.
  bool complete = false;
  // Complete, at most four bytes long, and a value that UTF-8 allows in that form.
  bool wellFormed = false;
};

// Reads the sequence at `bytes`; `available` (at least 1) bounds the read. The lead byte decides
// the length: 0xC0-0xDF two, 0xE0-0xEF three, 0xF0-0xF7 four, 0xF8-0xFB five, 0xFC-0xFD six; a
// continuation byte or 0xFE/0xFF as lead is one byte of its own. A sequence cut short by the end of
// the input or by a byte that is not a continuation byte consumes what was read up to there.
Utf8Sequence DecodeUtf8Sequence(const unsigned char* bytes, int32_t available);

// Writes the UTF-8 form of `codePoint` (at most U+10FFFF; surrogates are written like any other
// three-byte value) to `out`, which has room for four bytes. Returns its length, 1 to 4.
int32_t EncodeUtf8Sequence(char32_t codePoint, char* out);

// The length EncodeUtf8Sequence gives `codePoint`.
int32_t Utf8SequenceLength(char32_t codePoint);

}  // namespace zel::platform
