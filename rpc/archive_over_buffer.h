// The one archive: reads and writes typed values in place in a flat buffer it does not own (a
// request or reply message in shared memory) and must not outlive.
#pragma once

#include <cstdint>

#include "rpc/archive.h"

namespace vesk {

class CArchiveOverBuffer : public IArchive, public ISourceArchive {
 public:
  // Bound to nothing: every reservation of more than 0 bytes fails.
  CArchiveOverBuffer() = default;
  // Over the `size` bytes of a request at `data`, for reading. Reading never writes to them.
  CArchiveOverBuffer(const void* data, int32_t size);

  // Starts writing a reply into the `capacity` bytes at `buffer`.
  void BindForWriting(void* buffer, int32_t capacity);

  ArchiveResult Write(const void* data, int32_t size) override;
  virtual ArchiveResult Write(int32_t size, const void* data);
  ArchiveResult Reserve(int32_t n, uint8_t*& space) override;

  // Reads the 4-byte little-endian field at the read position and moves past it; false when fewer
  // than 4 bytes are left.
  bool ReadField(int32_t& value);
  // The `paddedSize` bytes at the read position, moving past them; null when they are not all
  // there.
  const uint8_t* ReadBlock(int32_t paddedSize);

  int32_t readPos() const { return readPos_; }
  // End of the data when reading, the write position when writing.
  int32_t dataLen() const { return dataLen_; }
  uint8_t* buffer() const { return buffer_; }
  int32_t capacity() const { return capacity_; }

 private:
  int32_t readPos_ = 0;
  int32_t dataLen_ = 0;
  uint8_t* buffer_ = nullptr;
  int32_t capacity_ = 0;
};

}  // namespace vesk
