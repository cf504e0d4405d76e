#include "rpc/archive_values.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace vesk {
namespace {

void StoreField(uint8_t* space, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  space[0] = static_cast<uint8_t>(bits);
  space[1] = static_cast<uint8_t>(bits >> 8);
  space[2] = static_cast<uint8_t>(bits >> 16);
  space[3] = static_cast<uint8_t>(bits >> 24);
}

uint8_t* ReserveOrThrow(ISourceArchive& archive, int32_t n, const char* message) {
  uint8_t* space = nullptr;
  if (archive.Reserve(n, space).status != 0) throw std::runtime_error(message);
  return space;
}

// The padded size of a block of `length` bytes, or -1 (which no reservation accepts) for a length
// out of range.
int32_t PaddedOrInvalid(int32_t length) {
  return length < 0 || length > kMaxValueLength ? -1 : Round8(length);
}

// Writes the tag and the length of a block value and reserves its padded data.
uint8_t* WriteBlockHeader(ISourceArchive& archive, ArchiveType type, int32_t length) {
  static constexpr char kMessage[] = "Can't write string";
  WriteType(archive, type);
  StoreField(ReserveOrThrow(archive, 4, kMessage), length);
  return ReserveOrThrow(archive, PaddedOrInvalid(length), kMessage);
}

void ReadTag(CArchiveOverBuffer& archive, ArchiveType expected) {
  int32_t tag = 0;
  if (!archive.ReadField(tag)) throw std::runtime_error("Can't read type");
  if (tag != static_cast<int32_t>(expected)) throw std::runtime_error("Type mismatch");
}

// The data of a block value, with its length; the cursor moves past data and padding.
const uint8_t* ReadBlockValue(CArchiveOverBuffer& archive, ArchiveType type, const char* message,
                              int32_t& length) {
  ReadTag(archive, type);
  if (!archive.ReadField(length)) throw std::runtime_error(message);
  // Taken as unsigned, so every negative length is out of range as well.
  if (static_cast<uint32_t>(length) > static_cast<uint32_t>(kMaxValueLength)) {
    throw std::runtime_error(message);
  }
  const uint8_t* data = archive.ReadBlock(Round8(length));
  if (data == nullptr) throw std::runtime_error(message);
  return data;
}

}  // namespace

void WriteType(ISourceArchive& archive, ArchiveType type) {
  StoreField(ReserveOrThrow(archive, 4, "Can't write type"), static_cast<int32_t>(type));
}

void WriteInt(ISourceArchive& archive, int32_t value) {
  WriteType(archive, ArchiveType::Int);
  StoreField(ReserveOrThrow(archive, 4, "Can't write int"), value);
}

void WriteString(ISourceArchive& archive, const void* bytes, int32_t length) {
  uint8_t* space = WriteBlockHeader(archive, ArchiveType::String, length);
  if (length > 0) std::memcpy(space, bytes, static_cast<size_t>(length));
  std::memset(space + length, 0, static_cast<size_t>(Round8(length) - length));
}

void WriteString(ISourceArchive& archive, const std::string& text) {
  const int32_t length = text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())
                             ? -1
                             : static_cast<int32_t>(text.size());
  WriteString(archive, text.data(), length);
}

void WriteWideString(ISourceArchive& archive, const std::u16string& text) {
  const int32_t length = text.size() > static_cast<size_t>(kMaxValueLength / 2)
                             ? -1
                             : static_cast<int32_t>(text.size() * 2);
  uint8_t* space = WriteBlockHeader(archive, ArchiveType::WideString, length);
  for (const char16_t unit : text) {
    *space++ = static_cast<uint8_t>(unit);
    *space++ = static_cast<uint8_t>(unit >> 8);
  }
  std::memset(space, 0, static_cast<size_t>(Round8(length) - length));
}

uint8_t* WriteBinary(ISourceArchive& archive, int32_t length) {
  return WriteBlockHeader(archive, ArchiveType::Binary, length);
}

void WriteBinary(ISourceArchive& archive, BinaryView bytes) {
  uint8_t* space = WriteBinary(archive, bytes.size);
  if (bytes.size > 0) std::memcpy(space, bytes.data, static_cast<size_t>(bytes.size));
}

int32_t ReadInt(CArchiveOverBuffer& archive) {
  ReadTag(archive, ArchiveType::Int);
  int32_t value = 0;
  if (!archive.ReadField(value)) throw std::runtime_error("Can't read int");
  return value;
}

std::string ReadString(CArchiveOverBuffer& archive) {
  int32_t length = 0;
  const uint8_t* data = ReadBlockValue(archive, ArchiveType::String, "Can't read string", length);
  return std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
}

std::u16string ReadWideString(CArchiveOverBuffer& archive) {
  static constexpr char kMessage[] = "Can't read wide string";
  int32_t length = 0;
  const uint8_t* data = ReadBlockValue(archive, ArchiveType::WideString, kMessage, length);
  if (length % 2 != 0) throw std::runtime_error(kMessage);
  std::u16string text(static_cast<size_t>(length / 2), u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  }
  return text;
}

BinaryView ReadBinary(CArchiveOverBuffer& archive) {
  int32_t length = 0;
  const uint8_t* data = ReadBlockValue(archive, ArchiveType::Binary, "Can't read binary", length);
  return {data, length};
}

}  // namespace vesk
