#include "rpc/archive_over_buffer.h"

#include <cstring>

namespace vesk {
namespace {

constexpr ArchiveResult kReserveFailed{1, 7, 0};
constexpr int32_t kFieldSize = 4;

}  // namespace

CArchiveOverBuffer::CArchiveOverBuffer(const void* data, int32_t size)
    : dataLen_(size < 0 ? 0 : size),
      // A reading archive has no room left to write (dataLen equals capacity), so the buffer is
      // never written through this pointer.
      buffer_(static_cast<uint8_t*>(const_cast<void*>(data))),
      capacity_(dataLen_) {}

void CArchiveOverBuffer::BindForWriting(void* buffer, int32_t capacity) {
  readPos_ = 0;
  dataLen_ = 0;
  buffer_ = static_cast<uint8_t*>(buffer);
  capacity_ = capacity < 0 ? 0 : capacity;
}

ArchiveResult CArchiveOverBuffer::Write(const void* data, int32_t size) {
  uint8_t* space = nullptr;
  const ArchiveResult result = Reserve(size, space);
  if (result.status == 0 && size > 0) std::memcpy(space, data, static_cast<size_t>(size));
  return result;
}

ArchiveResult CArchiveOverBuffer::Write(int32_t size, const void* data) {
  return Write(data, size);
}

ArchiveResult CArchiveOverBuffer::Reserve(int32_t n, uint8_t*& space) {
  if (n < 0 || n > capacity_ - dataLen_) return kReserveFailed;
  space = buffer_ + dataLen_;
  dataLen_ += n;
  return {};
}

bool CArchiveOverBuffer::ReadField(int32_t& value) {
  if (dataLen_ < kFieldSize || readPos_ > dataLen_ - kFieldSize) return false;
  const uint8_t* bytes = buffer_ + readPos_;
  value = static_cast<int32_t>(
      static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
      static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
  readPos_ += kFieldSize;
  return true;
}

const uint8_t* CArchiveOverBuffer::ReadBlock(int32_t paddedSize) {
  if (paddedSize < 0 || paddedSize > dataLen_ || readPos_ > dataLen_ - paddedSize) return nullptr;
  const uint8_t* block = buffer_ + readPos_;
  readPos_ += paddedSize;
  return block;
}

}  // namespace vesk
