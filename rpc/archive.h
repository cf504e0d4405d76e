// The archive encoding of the values that make up every request and reply: a flat sequence of
// typed values with no header or end marker, each a 32-bit little-endian tag followed by its data
// and padded to a multiple of 8 bytes.
//
//   Int         tag 1, 4-byte signed value                        8 bytes
//   String      tag 2, 4-byte length L, L bytes, zero padding     8 + Round8(L)
//   WideString  tag 3, 4-byte even length L, L bytes UTF-16LE     8 + Round8(L)
//   Binary      tag 4, 4-byte length L, L bytes, padding as found 8 + Round8(L)
#pragma once

#include <cstdint>

namespace vesk {

enum class ArchiveType : int32_t {
  Int = 1,
  String = 2,
  WideString = 3,
  Binary = 4,
};

// The longest data a value may carry (2^31 - 8), so that its padded size still fits 32 bits.
inline constexpr int32_t kMaxValueLength = 2147483640;

// Size of an encoded Int.
inline constexpr int32_t kIntValueSize = 8;

// `length` rounded up to a multiple of 8; `length` must lie in 0..kMaxValueLength.
constexpr int32_t Round8(int32_t length) { return (length + 7) & ~7; }

// Size of an encoded String, WideString or Binary carrying `length` bytes, in 64 bits so that
// callers adding up a reply can check the sum against the 32-bit limit.
constexpr int64_t BlockValueSize(int64_t length) { return 8 + ((length + 7) & ~int64_t{7}); }

// Outcome of a raw operation: status 0 on success; a failed reservation gives status 1, code 7.
struct ArchiveResult {
  int32_t status = 0;
  int32_t code = 0;
  int32_t detail = 0;
};

// A byte block read in place: valid only as long as the buffer the archive was reading.
struct BinaryView {
  const uint8_t* data = nullptr;
  int32_t size = 0;
};

class IArchive {
 public:
  virtual ~IArchive() = default;
  // Appends `size` raw bytes.
  virtual ArchiveResult Write(const void* data, int32_t size) = 0;
};

class ISourceArchive {
 public:
  virtual ~ISourceArchive() = default;
  // Hands out the next `n` bytes of the buffer in `space` and moves past them.
  virtual ArchiveResult Reserve(int32_t n, uint8_t*& space) = 0;
};

}  // namespace vesk
