// A small, independent reader of minidump files for the crash tests: it parses the header, the
// stream directory and the streams the crash writer produces, checking every offset against the
// file's size, so a malformed dump fails the test instead of crashing it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace crash_test {

struct DumpModule {
  uint64_t base = 0;
  uint32_t size = 0;
  std::string name;
  std::string codeViewSignature;  // "BpEL" for an ELF build id, empty without a record
  std::vector<uint8_t> buildId;
};

struct DumpMemory {
  uint64_t start = 0;
  std::vector<uint8_t> bytes;
};

struct DumpThread {
  uint32_t id = 0;
  DumpMemory stack;
  uint64_t stackPointer = 0;
  uint64_t instructionPointer = 0;
};

struct Minidump {
  std::vector<uint32_t> streamTypes;
  uint16_t processorArchitecture = 0;
  uint32_t platformId = 0;
  uint32_t exceptionThreadId = 0;
  uint32_t exceptionCode = 0;
  uint64_t exceptionAddress = 0;
  uint32_t contextFlags = 0;
  uint64_t contextStackPointer = 0;
  uint64_t contextInstructionPointer = 0;
  std::vector<DumpThread> threads;
  std::vector<DumpModule> modules;
  std::vector<DumpMemory> memory;
  std::string linuxMaps;
};

// Parses `bytes`; an empty result with `error` set when anything is out of place.
std::optional<Minidump> ParseMinidump(const std::vector<uint8_t>& bytes, std::string& error);

std::vector<uint8_t> ReadFileBytes(const std::string& path);

}  // namespace crash_test
