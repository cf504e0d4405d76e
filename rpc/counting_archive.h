// An archive that only counts. Its writers take the same values as those of archive_values.h and
// add up the bytes they would take, so that code which writes a message can be run over it first
// to learn the message's exact size before the message's buffer exists.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "rpc/archive.h"

namespace vesk {

class CCountingArchive {
 public:
  // The bytes counted so far. A value too long for the encoding makes the count larger than any
  // buffer, as writing it would fail.
  constexpr int64_t size() const { return tooLong_ ? std::numeric_limits<int64_t>::max() : size_; }

  constexpr void CountInt() { size_ += kIntValueSize; }
  // A String, WideString or Binary value of `length` bytes.
  constexpr void CountBlock(int64_t length) {
    tooLong_ = tooLong_ || length < 0 || length > kMaxValueLength;
    if (!tooLong_) size_ += BlockValueSize(length);
  }

 private:
  int64_t size_ = 0;
  bool tooLong_ = false;
};

constexpr void WriteInt(CCountingArchive& archive, int32_t) { archive.CountInt(); }

inline void WriteString(CCountingArchive& archive, const std::string& text) {
  archive.CountBlock(static_cast<int64_t>(text.size()));
}

inline void WriteWideString(CCountingArchive& archive, const std::u16string& text) {
  archive.CountBlock(static_cast<int64_t>(text.size()) * 2);
}

constexpr void WriteBinary(CCountingArchive& archive, BinaryView bytes) {
  archive.CountBlock(bytes.size);
}

template <class Fill>
constexpr void WriteBinary(CCountingArchive& archive, int32_t length, Fill&&) {
  archive.CountBlock(length);
}

}  // namespace vesk
