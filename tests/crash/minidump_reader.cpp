#include "tests/crash/minidump_reader.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace crash_test {

namespace {

struct Malformed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Cursor {
 public:
  explicit Cursor(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  template <typename T>
  T At(uint64_t offset) const {
    if (offset + sizeof(T) > bytes_.size())
      throw Malformed("read past the end at " + std::to_string(offset));
    T value;
    std::memcpy(&value, bytes_.data() + offset, sizeof value);
    return value;
  }

  std::vector<uint8_t> Range(uint64_t offset, uint64_t length) const {
    if (offset + length > bytes_.size()) throw Malformed("range past the end");
    return {bytes_.begin() + static_cast<long>(offset),
            bytes_.begin() + static_cast<long>(offset + length)};
  }

  // A MINIDUMP_STRING, returned as UTF-8 (the tests' names are ASCII; others become '?').
  std::string String(uint32_t rva) const {
    const uint32_t length = At<uint32_t>(rva);
    if (length % 2 != 0) throw Malformed("odd string length");
    if (At<uint16_t>(rva + 4 + length) != 0) throw Malformed("string without terminator");
    std::string text;
    for (uint32_t i = 0; i < length; i += 2) {
      const uint16_t unit = At<uint16_t>(rva + 4 + i);
      text += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return text;
  }

 private:
  const std::vector<uint8_t>& bytes_;
};

constexpr uint32_t kRspOffset = 0x98;
constexpr uint32_t kRipOffset = 0xF8;
constexpr uint32_t kContextSize = 1232;

DumpMemory ReadMemory(const Cursor& in, uint64_t descriptor) {
  DumpMemory memory;
  memory.start = in.At<uint64_t>(descriptor);
  memory.bytes = in.Range(in.At<uint32_t>(descriptor + 12), in.At<uint32_t>(descriptor + 8));
  return memory;
}

Minidump Parse(const Cursor& in) {
  Minidump dump;
  if (in.At<uint32_t>(0) != 0x504D444D) throw Malformed("no MDMP signature");
  if ((in.At<uint32_t>(4) & 0xFFFF) != 0xA793) throw Malformed("wrong version");
  const uint32_t streamCount = in.At<uint32_t>(8);
  const uint32_t directory = in.At<uint32_t>(12);
  for (uint32_t i = 0; i < streamCount; ++i) {
    const uint64_t entry = directory + 12ull * i;
    const uint32_t type = in.At<uint32_t>(entry);
    const uint32_t size = in.At<uint32_t>(entry + 4);
    const uint32_t rva = in.At<uint32_t>(entry + 8);
    in.Range(rva, size);
    dump.streamTypes.push_back(type);
    switch (type) {
      case 7:  // system information
        dump.processorArchitecture = in.At<uint16_t>(rva);
        dump.platformId = in.At<uint32_t>(rva + 20);
        in.String(in.At<uint32_t>(rva + 24));
        break;
      case 6: {  // exception
        dump.exceptionThreadId = in.At<uint32_t>(rva);
        dump.exceptionCode = in.At<uint32_t>(rva + 8);
        dump.exceptionAddress = in.At<uint64_t>(rva + 24);
        const uint32_t contextSize = in.At<uint32_t>(rva + 160);
        const uint32_t context = in.At<uint32_t>(rva + 164);
        if (contextSize != kContextSize) throw Malformed("context size");
        dump.contextFlags = in.At<uint32_t>(context + 0x30);
        dump.contextStackPointer = in.At<uint64_t>(context + kRspOffset);
        dump.contextInstructionPointer = in.At<uint64_t>(context + kRipOffset);
        break;
      }
      case 3: {  // thread list
        const uint32_t count = in.At<uint32_t>(rva);
        if (size != 4 + count * 48u) throw Malformed("thread list size");
        for (uint32_t t = 0; t < count; ++t) {
          const uint64_t record = rva + 4 + 48ull * t;
          DumpThread thread;
          thread.id = in.At<uint32_t>(record);
          thread.stack = ReadMemory(in, record + 24);
          const uint32_t context = in.At<uint32_t>(record + 44);
          thread.stackPointer = in.At<uint64_t>(context + kRspOffset);
          thread.instructionPointer = in.At<uint64_t>(context + kRipOffset);
          dump.threads.push_back(thread);
        }
        break;
      }
      case 4: {  // module list
        const uint32_t count = in.At<uint32_t>(rva);
        if (size != 4 + count * 108u) throw Malformed("module list size");
        for (uint32_t m = 0; m < count; ++m) {
          const uint64_t record = rva + 4 + 108ull * m;
          DumpModule module;
          module.base = in.At<uint64_t>(record);
          module.size = in.At<uint32_t>(record + 8);
          module.name = in.String(in.At<uint32_t>(record + 20));
          const uint32_t cvSize = in.At<uint32_t>(record + 76);
          const uint32_t cvRva = in.At<uint32_t>(record + 80);
          if (cvSize >= 4) {
            const std::vector<uint8_t> cv = in.Range(cvRva, cvSize);
            module.codeViewSignature.assign(cv.begin(), cv.begin() + 4);
            module.buildId.assign(cv.begin() + 4, cv.end());
          }
          dump.modules.push_back(module);
        }
        break;
      }
      case 5: {  // memory list
        const uint32_t count = in.At<uint32_t>(rva);
        if (size != 4 + count * 16u) throw Malformed("memory list size");
        for (uint32_t r = 0; r < count; ++r)
          dump.memory.push_back(ReadMemory(in, rva + 4 + 16ull * r));
        break;
      }
      case 0x47670009: {  // /proc/self/maps
        const std::vector<uint8_t> text = in.Range(rva, size);
        dump.linuxMaps.assign(text.begin(), text.end());
        break;
      }
      default:
        break;
    }
  }
  return dump;
}

}  // namespace

std::optional<Minidump> ParseMinidump(const std::vector<uint8_t>& bytes, std::string& error) {
  try {
    return Parse(Cursor(bytes));
  } catch (const Malformed& e) {
    error = e.what();
    return std::nullopt;
  }
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace crash_test
