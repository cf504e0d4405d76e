#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "rpc/archive.h"
#include "rpc/archive_over_buffer.h"
#include "rpc/archive_values.h"
#include "rpc/counting_archive.h"

namespace {

using vesk::CArchiveOverBuffer;

// Builds raw archive bytes: 4-byte little-endian fields and plain bytes.
class RawBytes {
 public:
  RawBytes& Field(int32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
      bytes_.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> shift));
    }
    return *this;
  }
  RawBytes& Bytes(size_t count, uint8_t value) {
    bytes_.insert(bytes_.end(), count, value);
    return *this;
  }
  std::vector<uint8_t>& bytes() { return bytes_; }
  CArchiveOverBuffer Reader() {
    return CArchiveOverBuffer(bytes_.data(), static_cast<int32_t>(bytes_.size()));
  }

 private:
  std::vector<uint8_t> bytes_;
};

void ExpectFailure(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no exception, expected " << message;
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(e.what(), message);
  }
}

TEST(ArchiveWriting, ValuesHaveTheirEncodedSizesAndReadBack) {
  std::vector<uint8_t> buffer(128, 0xAA);
  CArchiveOverBuffer writer;
  writer.BindForWriting(buffer.data(), static_cast<int32_t>(buffer.size()));

  vesk::WriteInt(writer, -5);
  EXPECT_EQ(writer.dataLen(), 8);
  vesk::WriteString(writer, std::string());
  EXPECT_EQ(writer.dataLen(), 16);
  vesk::WriteString(writer, std::string("12345678"));
  EXPECT_EQ(writer.dataLen(), 32);
  vesk::WriteString(writer, std::string("ab\0defghi", 9));
  EXPECT_EQ(writer.dataLen(), 56);
  uint8_t* block = vesk::WriteBinary(writer, 6);
  EXPECT_EQ(block, buffer.data() + 64);
  std::memcpy(block, "binary", 6);
  EXPECT_EQ(writer.dataLen(), 72);

  // Tag and length fields, little-endian.
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 8),
            (std::vector<uint8_t>{1, 0, 0, 0, 0xFB, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 8, buffer.begin() + 16),
            (std::vector<uint8_t>{2, 0, 0, 0, 0, 0, 0, 0}));
  // A string's padding is zeroed; a byte block's is left as the buffer held it.
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 49, buffer.begin() + 56),
            std::vector<uint8_t>(7, 0));
  EXPECT_EQ(buffer[70], 0xAA);
  EXPECT_EQ(buffer[71], 0xAA);
  EXPECT_EQ(buffer[72], 0xAA);

  CArchiveOverBuffer reader(buffer.data(), writer.dataLen());
  EXPECT_EQ(vesk::ReadInt(reader), -5);
  EXPECT_EQ(vesk::ReadString(reader), "");
  EXPECT_EQ(vesk::ReadString(reader), "12345678");
  EXPECT_EQ(vesk::ReadString(reader), std::string("ab\0defghi", 9));
  const vesk::BinaryView view = vesk::ReadBinary(reader);
  EXPECT_EQ(view.data, buffer.data() + 64);
  EXPECT_EQ(view.size, 6);
  EXPECT_EQ(reader.readPos(), 72);
  ExpectFailure([&] { vesk::ReadInt(reader); }, "Can't read type");
}

TEST(ArchiveWriting, RunningOutOfRoomKeepsWhatWasWritten) {
  std::vector<uint8_t> buffer(24, 0xAA);
  CArchiveOverBuffer writer;
  writer.BindForWriting(buffer.data(), 23);
  vesk::WriteInt(writer, 7);
  // A string of 8 bytes needs 16 more; only 15 are left.
  ExpectFailure([&] { vesk::WriteString(writer, std::string("12345678")); }, "Can't write string");
  EXPECT_EQ(buffer[23], 0xAA);
  CArchiveOverBuffer reader(buffer.data(), 8);
  EXPECT_EQ(vesk::ReadInt(reader), 7);

  // Each step of a value reports its own text.
  CArchiveOverBuffer tiny;
  tiny.BindForWriting(buffer.data(), 3);
  ExpectFailure([&] { vesk::WriteInt(tiny, 1); }, "Can't write type");
  tiny.BindForWriting(buffer.data(), 7);
  ExpectFailure([&] { vesk::WriteInt(tiny, 1); }, "Can't write int");
  tiny.BindForWriting(buffer.data(), 12);
  ExpectFailure([&] { vesk::WriteBinary(tiny, 1); }, "Can't write string");
  tiny.BindForWriting(buffer.data(), 24);
  ExpectFailure([&] { vesk::WriteBinary(tiny, -1); }, "Can't write string");
  tiny.BindForWriting(buffer.data(), 24);
  ExpectFailure([&] { vesk::WriteBinary(tiny, 2147483647); }, "Can't write string");
}

TEST(ArchiveWriting, RawWritesReserveOrCopyNothing) {
  std::vector<uint8_t> buffer(8, 0);
  CArchiveOverBuffer writer;
  writer.BindForWriting(buffer.data(), 8);
  EXPECT_EQ(writer.Write("abc", 3).status, 0);
  EXPECT_EQ(writer.Write(2, "de").status, 0);
  const vesk::ArchiveResult failed = writer.Write("xyzw", 4);
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.code, 7);
  EXPECT_EQ(failed.detail, 0);
  EXPECT_EQ(writer.dataLen(), 5);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string("abcde\0\0\0", 8));

  uint8_t* space = nullptr;
  EXPECT_EQ(writer.Reserve(-1, space).status, 1);
  EXPECT_EQ(writer.dataLen(), 5);
  EXPECT_EQ(writer.Reserve(3, space).status, 0);
  EXPECT_EQ(space, buffer.data() + 5);
  EXPECT_EQ(writer.Reserve(1, space).status, 1);

  CArchiveOverBuffer unbound;
  EXPECT_EQ(unbound.Reserve(1, space).status, 1);
}

// Whatever sequence of values is written, the counting archive counts the bytes that writing them
// fills, and a wide string is written as the reader expects it: UTF-16LE, zero padding.
TEST(ArchiveWriting, CountingArchiveCountsWhatIsWritten) {
  const auto writeAll = [](auto& archive) {
    vesk::WriteInt(archive, 3);
    vesk::WriteString(archive, std::string("ab\0defghi", 9));
    vesk::WriteWideString(archive, std::u16string(u"h\u00e9") + char16_t(0xD83D));
    vesk::WriteWideString(archive, u"");
    vesk::WriteBinary(archive, vesk::BinaryView{reinterpret_cast<const uint8_t*>("binary"), 6});
    vesk::WriteBinary(archive, 5, [](uint8_t* space) { std::memcpy(space, "fill!", 5); });
  };
  vesk::CCountingArchive counter;
  writeAll(counter);
  std::vector<uint8_t> buffer(static_cast<size_t>(counter.size()), 0xAA);
  CArchiveOverBuffer writer;
  writer.BindForWriting(buffer.data(), static_cast<int32_t>(buffer.size()));
  writeAll(writer);
  EXPECT_EQ(writer.dataLen(), counter.size());

  CArchiveOverBuffer reader(buffer.data(), writer.dataLen());
  EXPECT_EQ(vesk::ReadInt(reader), 3);
  EXPECT_EQ(vesk::ReadString(reader), std::string("ab\0defghi", 9));
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 40, buffer.begin() + 48),
            (std::vector<uint8_t>{'h', 0, 0xE9, 0, 0x3D, 0xD8, 0, 0}));
  EXPECT_EQ(vesk::ReadWideString(reader), std::u16string(u"h\u00e9") + char16_t(0xD83D));
  EXPECT_EQ(vesk::ReadWideString(reader), u"");
  const vesk::BinaryView copied = vesk::ReadBinary(reader);
  EXPECT_EQ(std::string(copied.data, copied.data + copied.size), "binary");
  const vesk::BinaryView filled = vesk::ReadBinary(reader);
  EXPECT_EQ(std::string(filled.data, filled.data + filled.size), "fill!");

  // A value longer than any value may be counts past every buffer.
  vesk::CCountingArchive tooLong;
  vesk::WriteBinary(tooLong, vesk::BinaryView{nullptr, -1});
  vesk::WriteInt(tooLong, 1);
  EXPECT_EQ(tooLong.size(), std::numeric_limits<int64_t>::max());
}

TEST(ArchiveReading, TypeMismatchAndShortBuffers) {
  RawBytes stringValue;
  stringValue.Field(2).Field(0);
  auto reader = stringValue.Reader();
  ExpectFailure([&] { vesk::ReadInt(reader); }, "Type mismatch");

  RawBytes three;
  three.Bytes(3, 1);
  auto shortReader = three.Reader();
  ExpectFailure([&] { vesk::ReadInt(shortReader); }, "Can't read type");

  RawBytes tagOnly;
  tagOnly.Field(1).Bytes(3, 0);
  auto intReader = tagOnly.Reader();
  ExpectFailure([&] { vesk::ReadInt(intReader); }, "Can't read int");

  for (auto type :
       {vesk::ArchiveType::String, vesk::ArchiveType::WideString, vesk::ArchiveType::Binary}) {
    RawBytes noLength;
    noLength.Field(static_cast<int32_t>(type));
    auto lengthReader = noLength.Reader();
    const char* message = type == vesk::ArchiveType::String       ? "Can't read string"
                          : type == vesk::ArchiveType::WideString ? "Can't read wide string"
                                                                  : "Can't read binary";
    ExpectFailure(
        [&] {
          if (type == vesk::ArchiveType::String) vesk::ReadString(lengthReader);
          if (type == vesk::ArchiveType::WideString) vesk::ReadWideString(lengthReader);
          if (type == vesk::ArchiveType::Binary) vesk::ReadBinary(lengthReader);
        },
        message);
  }
}

TEST(ArchiveReading, LengthsOutOfRangeAreRejectedWhateverTheBufferHolds) {
  for (int32_t length : {2147483641, 2147483647, -1, -8, -2147483647 - 1}) {
    RawBytes raw;
    raw.Field(2).Field(length).Bytes(64, 'x');
    auto reader = raw.Reader();
    ExpectFailure([&] { vesk::ReadString(reader); }, "Can't read string");

    raw.bytes()[0] = 4;
    auto binaryReader = raw.Reader();
    ExpectFailure([&] { vesk::ReadBinary(binaryReader); }, "Can't read binary");
  }
  // The largest accepted length gets past the range check and fails only for want of data.
  RawBytes largest;
  largest.Field(3).Field(2147483640).Bytes(16, 0);
  auto reader = largest.Reader();
  ExpectFailure([&] { vesk::ReadWideString(reader); }, "Can't read wide string");
}

TEST(ArchiveReading, PaddedSizeMustFitAlthoughTheDataAlone) {
  // Nine bytes of data need 16 with padding; only 12 follow the length.
  RawBytes raw;
  raw.Field(2).Field(9).Bytes(12, 'x');
  auto reader = raw.Reader();
  ExpectFailure([&] { vesk::ReadString(reader); }, "Can't read string");

  raw.Bytes(4, 'y');
  auto fitting = raw.Reader();
  EXPECT_EQ(vesk::ReadString(fitting), "xxxxxxxxx");
  EXPECT_EQ(fitting.readPos(), 24);
}

TEST(ArchiveReading, WideStrings) {
  RawBytes raw;
  raw.Field(3).Field(6).Bytes(8, 0);
  raw.bytes()[8] = 'h';
  raw.bytes()[10] = 0xE9;
  raw.bytes()[12] = 0x3D;
  raw.bytes()[13] = 0xD8;
  raw.Field(3).Field(0);
  auto reader = raw.Reader();
  EXPECT_EQ(vesk::ReadWideString(reader), std::u16string(u"h\u00e9") + char16_t(0xD83D));
  EXPECT_EQ(vesk::ReadWideString(reader), u"");

  RawBytes odd;
  odd.Field(3).Field(3).Bytes(8, 'a');
  auto oddReader = odd.Reader();
  ExpectFailure([&] { vesk::ReadWideString(oddReader); }, "Can't read wide string");
}

TEST(ArchiveReading, NegativeSizeMeansNoData) {
  uint8_t bytes[8] = {1, 0, 0, 0, 5, 0, 0, 0};
  CArchiveOverBuffer reader(bytes, -8);
  EXPECT_EQ(reader.dataLen(), 0);
  ExpectFailure([&] { vesk::ReadInt(reader); }, "Can't read type");
}

}  // namespace
