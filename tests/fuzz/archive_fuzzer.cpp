// The archive readers over arbitrary bytes: the first byte picks the order of the readers, the
// rest is the request. Every read either yields a value that lies wholly inside the buffer or
// throws; a written value of the same shape must read back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "rpc/archive_values.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Writes what was read into a buffer of exactly the counted size and reads it back.
void RoundTrip(int32_t number, const std::string& text, vesk::BinaryView block) {
  const int64_t size = vesk::kIntValueSize +
                       vesk::BlockValueSize(static_cast<int64_t>(text.size())) +
                       vesk::BlockValueSize(block.size);
  std::vector<uint8_t> buffer(static_cast<size_t>(size));
  vesk::CArchiveOverBuffer writer;
  writer.BindForWriting(buffer.data(), static_cast<int32_t>(size));
  vesk::WriteInt(writer, number);
  vesk::WriteString(writer, text);
  uint8_t* space = vesk::WriteBinary(writer, block.size);
  if (block.size > 0) std::memcpy(space, block.data, static_cast<size_t>(block.size));
  zel_fuzz::Check(writer.dataLen() == size);

  vesk::CArchiveOverBuffer reader(buffer.data(), static_cast<int32_t>(size));
  zel_fuzz::Check(vesk::ReadInt(reader) == number);
  zel_fuzz::Check(vesk::ReadString(reader) == text);
  const vesk::BinaryView back = vesk::ReadBinary(reader);
  zel_fuzz::Check(back.size == block.size);
  if (block.size > 0)
    zel_fuzz::Check(std::memcmp(back.data, block.data, static_cast<size_t>(block.size)) == 0);
  zel_fuzz::Check(reader.readPos() == reader.dataLen());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 20) return 0;
  const uint8_t order = data[0];
  // A copy of exactly the request's size, so the sanitizer sees any read past its end.
  std::vector<uint8_t> request(data + 1, data + size);
  const uint8_t* begin = request.data();
  const uint8_t* end = begin + request.size();
  vesk::CArchiveOverBuffer archive(begin, static_cast<int32_t>(request.size()));

  int32_t lastInt = 0;
  std::string lastString;
  vesk::BinaryView lastBlock{begin, 0};
  for (int step = 0; step < 64; ++step) {
    const int32_t before = archive.readPos();
    try {
      switch ((order >> (2 * (step % 4))) & 3) {
        case 0:
          lastInt = vesk::ReadInt(archive);
          break;
        case 1:
          lastString = vesk::ReadString(archive);
          break;
        case 2: {
          const std::u16string wide = vesk::ReadWideString(archive);
          zel_fuzz::Check(wide.size() <= static_cast<size_t>(archive.readPos() - before) / 2);
          break;
        }
        default: {
          const vesk::BinaryView view = vesk::ReadBinary(archive);
          zel_fuzz::Check(view.size >= 0 && view.data >= begin && view.data + view.size <= end);
          lastBlock = view;
          break;
        }
      }
    } catch (const std::runtime_error&) {
      break;
    }
    // A value that was read starts and ends on an 8-byte boundary inside the data.
    zel_fuzz::Check(archive.readPos() > before && archive.readPos() <= archive.dataLen());
    zel_fuzz::Check((archive.readPos() - before) % 8 == 0);
  }
  RoundTrip(lastInt, lastString, lastBlock);
  return 0;
}
