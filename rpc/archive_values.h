// Typed readers and writers of archive values. Every failure throws std::runtime_error; an archive
// is not used again after a failure (a failed read may have moved past the offending tag or
// length).
#pragma once

#include <cstdint>
#include <string>

#include "rpc/archive.h"
#include "rpc/archive_over_buffer.h"

namespace vesk {

// Writers. A reply buffer is sized exactly in advance, so running out of room means the reply was
// miscounted.
void WriteType(ISourceArchive& archive, ArchiveType type);  // "Can't write type"
void WriteInt(ISourceArchive& archive, int32_t value);      // "Can't write int"
// "Can't write string"; the padding is zeroed.
void WriteString(ISourceArchive& archive, const void* bytes, int32_t length);
void WriteString(ISourceArchive& archive, const std::string& text);
// "Can't write string"; a viewer writes these, the host only reads them.
void WriteWideString(ISourceArchive& archive, const std::u16string& text);
// Reserves a byte block of `length` bytes and returns its space for the caller to fill exactly
// `length` bytes; the padding is left as it is. "Can't write string".
uint8_t* WriteBinary(ISourceArchive& archive, int32_t length);
// A byte block with a copy of `bytes`.
void WriteBinary(ISourceArchive& archive, BinaryView bytes);
// A byte block whose `length` bytes `fill(space)` writes in place, so that large data (pixels)
// goes straight into the buffer. A counting archive counts the block without calling `fill`.
template <class Fill>
void WriteBinary(ISourceArchive& archive, int32_t length, Fill&& fill) {
  fill(WriteBinary(archive, length));
}

// Readers: "Can't read type" when no tag is left, "Type mismatch" for another type, and the
// reader's own message when the value is cut short or its length is out of range.
int32_t ReadInt(CArchiveOverBuffer& archive);                // "Can't read int"
std::string ReadString(CArchiveOverBuffer& archive);         // "Can't read string"
std::u16string ReadWideString(CArchiveOverBuffer& archive);  // "Can't read wide string"
BinaryView ReadBinary(CArchiveOverBuffer& archive);          // "Can't read binary", no copy

}  // namespace vesk
