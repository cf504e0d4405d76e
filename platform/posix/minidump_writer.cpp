// Minidump writer for the crash path.
//
// It runs inside a fatal-signal handler, possibly with a corrupt heap, with other threads still
// running and with any libc lock possibly held by the thread that failed. So it keeps to
// async-signal-safe code only:
//  - raw system calls through syscall(); no stdio, no malloc or new, no locks, no exceptions;
//  - every buffer it uses is reserved by PrepareCrashDump before any crash (one mapping, touched
//    in advance), so nothing is allocated while the dump is written;
//  - the process's own memory (stack, ELF headers) is copied with process_vm_readv, so an
//    unmapped or unreadable page gives a short read instead of a second fault;
//  - the file is created only when none exists (O_EXCL), the header and stream directory are
//    written first, every record goes to an offset fixed in advance, and the first failure ends
//    the writing silently.
//
// The dump is a standard minidump in the form debuggers expect from Linux: system information, the
// exception (signal number, signal code, fault address, the failing thread's AMD64 context), the
// failing thread with its stack, the mapped ELF modules with their build ids, the stack as memory,
// and the text of /proc/self/maps and /proc/self/status. Other threads are not recorded.

#include <elf.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/utsname.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/crash_dump.h"
#include "platform/posix/crash_context.h"

namespace zel::platform {

namespace {

#pragma pack(push, 4)

struct LocationDescriptor {
  uint32_t dataSize;
  uint32_t rva;
};

struct MemoryDescriptor {
  uint64_t startOfMemoryRange;
  LocationDescriptor memory;
};

struct Header {
  uint32_t signature;
  uint32_t version;
  uint32_t numberOfStreams;
  uint32_t streamDirectoryRva;
  uint32_t checkSum;
  uint32_t timeDateStamp;
  uint64_t flags;
};

struct Directory {
  uint32_t streamType;
  LocationDescriptor location;
};

struct SystemInfo {
  uint16_t processorArchitecture;
  uint16_t processorLevel;
  uint16_t processorRevision;
  uint8_t numberOfProcessors;
  uint8_t productType;
  uint32_t majorVersion;
  uint32_t minorVersion;
  uint32_t buildNumber;
  uint32_t platformId;
  uint32_t csdVersionRva;
  uint16_t suiteMask;
  uint16_t reserved2;
  uint32_t cpuVendorId[3];
  uint32_t cpuVersionInformation;
  uint32_t cpuFeatureInformation;
  uint32_t cpuAmdExtendedFeatures;
};

struct ExceptionRecord {
  uint32_t exceptionCode;
  uint32_t exceptionFlags;
  uint64_t exceptionRecord;
  uint64_t exceptionAddress;
  uint32_t numberParameters;
  uint32_t unusedAlignment;
  uint64_t exceptionInformation[15];
};

struct ExceptionStream {
  uint32_t threadId;
  uint32_t alignment;
  ExceptionRecord exceptionRecord;
  LocationDescriptor threadContext;
};

struct Thread {
  uint32_t threadId;
  uint32_t suspendCount;
  uint32_t priorityClass;
  uint32_t priority;
  uint64_t teb;
  MemoryDescriptor stack;
  LocationDescriptor threadContext;
};

struct FixedFileInfo {
  uint32_t fields[13];
};

struct Module {
  uint64_t baseOfImage;
  uint32_t sizeOfImage;
  uint32_t checkSum;
  uint32_t timeDateStamp;
  uint32_t moduleNameRva;
  FixedFileInfo versionInfo;
  LocationDescriptor cvRecord;
  LocationDescriptor miscRecord;
  uint64_t reserved0;
  uint64_t reserved1;
};

// The AMD64 CONTEXT record.
struct ContextAmd64 {
  uint64_t parameterHomes[6];
  uint32_t contextFlags;
  uint32_t mxCsr;
  uint16_t cs, ds, es, fs, gs, ss;
  uint32_t eflags;
  uint64_t dr0, dr1, dr2, dr3, dr6, dr7;
  uint64_t rax, rcx, rdx, rbx, rsp, rbp, rsi, rdi;
  uint64_t r8, r9, r10, r11, r12, r13, r14, r15;
  uint64_t rip;
  uint8_t fxsave[512];
  uint8_t vectorRegisters[26 * 16];
  uint64_t vectorControl;
  uint64_t debugControl;
  uint64_t lastBranchToRip;
  uint64_t lastBranchFromRip;
  uint64_t lastExceptionToRip;
  uint64_t lastExceptionFromRip;
};

#pragma pack(pop)

static_assert(sizeof(Header) == 32 && sizeof(Directory) == 12);
static_assert(sizeof(SystemInfo) == 56 && sizeof(ExceptionStream) == 168);
static_assert(sizeof(Thread) == 48 && sizeof(Module) == 108 && sizeof(MemoryDescriptor) == 16);
static_assert(sizeof(ContextAmd64) == 1232 && offsetof(ContextAmd64, rip) == 0xF8);

constexpr uint32_t kSignature = 0x504D444D;  // "MDMP"
constexpr uint32_t kVersion = 0xA793;
constexpr uint32_t kThreadListStream = 3;
constexpr uint32_t kModuleListStream = 4;
constexpr uint32_t kMemoryListStream = 5;
constexpr uint32_t kExceptionStream = 6;
constexpr uint32_t kSystemInfoStream = 7;
constexpr uint32_t kLinuxProcStatusStream = 0x47670004;
constexpr uint32_t kLinuxMapsStream = 0x47670009;
constexpr uint32_t kStreamCount = 7;
constexpr uint16_t kArchitectureAmd64 = 9;
constexpr uint32_t kPlatformLinux = 0x8201;
// Full AMD64 context: control, integer, segment and floating-point registers.
constexpr uint32_t kContextAmd64Full = 0x0010000F;
constexpr uint32_t kCodeViewBuildId = 0x4C457042;  // "BpEL", followed by the ELF build id

constexpr size_t kPathCapacity = 4096;
constexpr size_t kMapsCapacity = 1024 * 1024;
constexpr size_t kStatusCapacity = 16 * 1024;
constexpr size_t kMaxModules = 1024;
constexpr size_t kMaxBuildId = 64;
constexpr size_t kStackCapacity = 256 * 1024;
constexpr size_t kScratchCapacity = 4096;
constexpr size_t kCsdCapacity = 256;
// The System V ABI lets leaf functions use 128 bytes below the stack pointer.
constexpr uint64_t kRedZone = 128;
// The gap the kernel keeps below a stack, which a faulting stack pointer may already be in.
constexpr uint64_t kStackGuardGap = 1024 * 1024;
constexpr uint64_t kPageMask = ~uint64_t{4095};

struct ModuleEntry {
  uint64_t base;
  uint64_t end;
  const char* name;
  size_t nameLength;
  uint8_t buildId[kMaxBuildId];
  uint32_t buildIdLength;
};

// Everything the writer touches, reserved and touched before any crash.
struct WriterState {
  char path[kPathCapacity];
  uint32_t processorCount;
  uint32_t osVersion[3];
  char16_t csdVersion[kCsdCapacity];
  uint32_t csdLength;
  char maps[kMapsCapacity];
  size_t mapsLength;
  char status[kStatusCapacity];
  size_t statusLength;
  ModuleEntry modules[kMaxModules];
  size_t moduleCount;
  uint8_t stack[kStackCapacity];
  uint8_t scratch[kScratchCapacity];
  char16_t name[kPathCapacity + 1];
  ContextAmd64 context;
};

WriterState* state = nullptr;
// The thread id of the thread that writes the dump; 0 while nobody does.
std::atomic<long> writerThread{0};

// ----- raw system calls -----

long CurrentThreadId() { return syscall(SYS_gettid); }

size_t ReadOwnMemory(void* target, uint64_t address, size_t length) {
  iovec local{target, length};
  iovec remote{reinterpret_cast<void*>(address), length};
  long read = syscall(SYS_process_vm_readv, syscall(SYS_getpid), &local, 1, &remote, 1, 0);
  return read > 0 ? static_cast<size_t>(read) : 0;
}

size_t ReadWholeFile(const char* path, char* buffer, size_t capacity) {
  long fd = syscall(SYS_openat, AT_FDCWD, path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  size_t length = 0;
  while (length < capacity) {
    long got = syscall(SYS_read, fd, buffer + length, capacity - length);
    if (got <= 0) break;
    length += static_cast<size_t>(got);
  }
  syscall(SYS_close, fd);
  return length;
}

class FileWriter {
 public:
  explicit FileWriter(long fd) : fd_(fd) {}

  void Put(uint32_t offset, const void* data, size_t length) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (ok_ && length > 0) {
      long wrote = syscall(SYS_pwrite64, fd_, bytes, length, static_cast<long>(offset));
      if (wrote <= 0) {
        ok_ = false;
        return;
      }
      bytes += wrote;
      offset += static_cast<uint32_t>(wrote);
      length -= static_cast<size_t>(wrote);
    }
  }

  template <typename Record>
  void Put(uint32_t offset, const Record& record) {
    Put(offset, &record, sizeof record);
  }

 private:
  long fd_;
  bool ok_ = true;
};

// Hands out file offsets in writing order, each record starting on an 8-byte boundary.
class Layout {
 public:
  explicit Layout(uint32_t start) : next_(start) {}
  uint32_t Take(size_t length) {
    uint32_t offset = next_;
    next_ = static_cast<uint32_t>((next_ + length + 7) & ~size_t{7});
    return offset;
  }

 private:
  uint32_t next_;
};

// ----- /proc/self/maps -----

struct MapsLine {
  uint64_t start;
  uint64_t end;
  uint64_t offset;
  bool readable;
  const char* path;
  size_t pathLength;
};

uint64_t ParseHex(const char*& cursor, const char* end) {
  uint64_t value = 0;
  for (; cursor < end; ++cursor) {
    char c = *cursor;
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) break;
    value = value * 16 + static_cast<uint64_t>(digit);
  }
  return value;
}

void SkipField(const char*& cursor, const char* end) {
  while (cursor < end && *cursor != ' ' && *cursor != '\n') ++cursor;
  while (cursor < end && *cursor == ' ') ++cursor;
}

// Reads one line "start-end perms offset dev inode   path"; false at the end of the text.
bool NextMapsLine(const char*& cursor, const char* end, MapsLine& line) {
  if (cursor >= end) return false;
  line.start = ParseHex(cursor, end);
  if (cursor < end && *cursor == '-') ++cursor;
  line.end = ParseHex(cursor, end);
  while (cursor < end && *cursor == ' ') ++cursor;
  line.readable = cursor < end && *cursor == 'r';
  SkipField(cursor, end);
  line.offset = ParseHex(cursor, end);
  SkipField(cursor, end);
  SkipField(cursor, end);  // device
  SkipField(cursor, end);  // inode
  line.path = cursor;
  while (cursor < end && *cursor != '\n') ++cursor;
  line.pathLength = static_cast<size_t>(cursor - line.path);
  if (cursor < end) ++cursor;
  return true;
}

// The mapping that holds `address`, or else the nearest one above it within `reach` bytes: after
// a stack overflow the stack pointer already points below the stack's mapping.
bool FindMapping(uint64_t address, uint64_t reach, MapsLine& found) {
  const char* cursor = state->maps;
  const char* end = state->maps + state->mapsLength;
  MapsLine line{};
  bool haveAbove = false;
  while (NextMapsLine(cursor, end, line)) {
    if (address >= line.start && address < line.end) {
      found = line;
      return true;
    }
    if (line.start > address && line.start - address <= reach &&
        (!haveAbove || line.start < found.start)) {
      found = line;
      haveAbove = true;
    }
  }
  return haveAbove;
}

// ----- ELF modules -----

bool SameName(const ModuleEntry& module, const MapsLine& line) {
  if (module.nameLength != line.pathLength) return false;
  for (size_t i = 0; i < line.pathLength; ++i) {
    if (module.name[i] != line.path[i]) return false;
  }
  return true;
}

void ReadBuildIdFromNotes(ModuleEntry& module, size_t length) {
  size_t at = 0;
  while (at + sizeof(Elf64_Nhdr) <= length) {
    Elf64_Nhdr note;
    __builtin_memcpy(&note, state->scratch + at, sizeof note);
    at += sizeof note;
    size_t nameAt = at;
    at += (note.n_namesz + 3) & ~3u;
    size_t descAt = at;
    at += (note.n_descsz + 3) & ~3u;
    if (at > length) return;
    if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 &&
        __builtin_memcmp(state->scratch + nameAt, "GNU", 4) == 0 && note.n_descsz <= kMaxBuildId) {
      for (uint32_t i = 0; i < note.n_descsz; ++i) module.buildId[i] = state->scratch[descAt + i];
      module.buildIdLength = note.n_descsz;
      return;
    }
  }
}

// True when an ELF file is mapped at module.base; fills in its build id when it has one.
bool InspectElf(ModuleEntry& module) {
  Elf64_Ehdr header;
  if (ReadOwnMemory(&header, module.base, sizeof header) != sizeof header) return false;
  if (__builtin_memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_phentsize != sizeof(Elf64_Phdr)) {
    return false;
  }
  module.buildIdLength = 0;
  const size_t phdrBytes = size_t{header.e_phnum} * sizeof(Elf64_Phdr);
  if (phdrBytes > kScratchCapacity) return true;
  Elf64_Phdr phdrs[kScratchCapacity / sizeof(Elf64_Phdr)];
  if (ReadOwnMemory(phdrs, module.base + header.e_phoff, phdrBytes) != phdrBytes) return true;
  // The segment that starts the file is mapped at the module's base; that fixes the load bias.
  uint64_t bias = 0;
  bool haveBias = false;
  for (size_t i = 0; i < header.e_phnum && !haveBias; ++i) {
    if (phdrs[i].p_type == PT_LOAD && (phdrs[i].p_offset & kPageMask) == 0) {
      bias = module.base - (phdrs[i].p_vaddr & kPageMask);
      haveBias = true;
    }
  }
  for (size_t i = 0; haveBias && i < header.e_phnum && module.buildIdLength == 0; ++i) {
    if (phdrs[i].p_type != PT_NOTE) continue;
    size_t length = phdrs[i].p_filesz < kScratchCapacity ? phdrs[i].p_filesz : kScratchCapacity;
    ReadBuildIdFromNotes(module, ReadOwnMemory(state->scratch, bias + phdrs[i].p_vaddr, length));
  }
  return true;
}

// One module per ELF file mapped from its start; later mappings of the same file extend it.
void CollectModules() {
  state->moduleCount = 0;
  const char* cursor = state->maps;
  const char* end = state->maps + state->mapsLength;
  MapsLine line{};
  ModuleEntry* last = nullptr;
  while (NextMapsLine(cursor, end, line)) {
    if (line.pathLength == 0 || line.path[0] != '/') {
      last = nullptr;
      continue;
    }
    if (last != nullptr && SameName(*last, line) && line.start >= last->end) {
      last->end = line.end;
      continue;
    }
    last = nullptr;
    if (line.offset != 0 || !line.readable || state->moduleCount == kMaxModules) continue;
    ModuleEntry& module = state->modules[state->moduleCount];
    module.base = line.start;
    module.end = line.end;
    module.name = line.path;
    module.nameLength = line.pathLength;
    if (!InspectElf(module)) continue;
    ++state->moduleCount;
    last = &module;
  }
}

// UTF-8 path to UTF-16 in state->name; bytes that are not UTF-8 become U+FFFD.
uint32_t WidenName(const char* text, size_t length) {
  uint32_t out = 0;
  size_t i = 0;
  while (i < length && out + 2 <= kPathCapacity) {
    const auto lead = static_cast<uint8_t>(text[i]);
    size_t extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 4;
    uint32_t c = extra == 0 ? lead : lead & (0x3Fu >> extra);
    bool valid = extra <= 3 && length - i > extra;
    for (size_t k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<uint8_t>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3Fu);
    }
    if (!valid || c > 0x10FFFF) {
      c = 0xFFFD;
      extra = 0;
    }
    if (c >= 0x10000) {
      state->name[out++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      state->name[out++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      state->name[out++] = static_cast<char16_t>(c);
    }
    i += extra + 1;
  }
  state->name[out] = 0;
  return out;
}

// A MINIDUMP_STRING: byte length, UTF-16 text, terminating zero.
uint32_t PutString(FileWriter& file, Layout& layout, const char16_t* text, uint32_t length) {
  const uint32_t bytes = length * 2;
  const uint32_t rva = layout.Take(4 + bytes + 2);
  file.Put(rva, bytes);
  const char16_t zero = 0;
  file.Put(rva + 4, text, bytes);
  file.Put(rva + 4 + bytes, zero);
  return rva;
}

// ----- registers -----

void FillContext(const ucontext_t& registers) {
  ContextAmd64& context = state->context;
  __builtin_memset(&context, 0, sizeof context);
  const greg_t* gregs = registers.uc_mcontext.gregs;
  context.contextFlags = kContextAmd64Full;
  const auto segments = static_cast<uint64_t>(gregs[REG_CSGSFS]);
  context.cs = static_cast<uint16_t>(segments);
  context.gs = static_cast<uint16_t>(segments >> 16);
  context.fs = static_cast<uint16_t>(segments >> 32);
  context.ss = static_cast<uint16_t>(segments >> 48);
  context.eflags = static_cast<uint32_t>(gregs[REG_EFL]);
  context.rax = static_cast<uint64_t>(gregs[REG_RAX]);
  context.rcx = static_cast<uint64_t>(gregs[REG_RCX]);
  context.rdx = static_cast<uint64_t>(gregs[REG_RDX]);
  context.rbx = static_cast<uint64_t>(gregs[REG_RBX]);
  context.rsp = static_cast<uint64_t>(gregs[REG_RSP]);
  context.rbp = static_cast<uint64_t>(gregs[REG_RBP]);
  context.rsi = static_cast<uint64_t>(gregs[REG_RSI]);
  context.rdi = static_cast<uint64_t>(gregs[REG_RDI]);
  context.r8 = static_cast<uint64_t>(gregs[REG_R8]);
  context.r9 = static_cast<uint64_t>(gregs[REG_R9]);
  context.r10 = static_cast<uint64_t>(gregs[REG_R10]);
  context.r11 = static_cast<uint64_t>(gregs[REG_R11]);
  context.r12 = static_cast<uint64_t>(gregs[REG_R12]);
  context.r13 = static_cast<uint64_t>(gregs[REG_R13]);
  context.r14 = static_cast<uint64_t>(gregs[REG_R14]);
  context.r15 = static_cast<uint64_t>(gregs[REG_R15]);
  context.rip = static_cast<uint64_t>(gregs[REG_RIP]);
  if (registers.uc_mcontext.fpregs != nullptr) {
    static_assert(sizeof(*registers.uc_mcontext.fpregs) == sizeof context.fxsave);
    __builtin_memcpy(context.fxsave, registers.uc_mcontext.fpregs, sizeof context.fxsave);
    context.mxCsr = registers.uc_mcontext.fpregs->mxcsr;
  }
}

// The failing thread's stack from just below its stack pointer upwards, as far as its mapping
// goes (at most kStackCapacity bytes). Returns the number of bytes copied into state->stack.
size_t CopyStack(uint64_t stackPointer, uint64_t& start) {
  MapsLine mapping{};
  start = stackPointer;
  if (!FindMapping(stackPointer, kStackGuardGap, mapping)) return 0;
  start = stackPointer - kRedZone > mapping.start ? stackPointer - kRedZone : mapping.start;
  const uint64_t available = mapping.end - start;
  return ReadOwnMemory(state->stack, start,
                       available < kStackCapacity ? available : kStackCapacity);
}

void WriteDump(long fd, const CrashContext& crash) {
  state->mapsLength = ReadWholeFile("/proc/self/maps", state->maps, kMapsCapacity);
  state->statusLength = ReadWholeFile("/proc/self/status", state->status, kStatusCapacity);
  CollectModules();
  FillContext(*crash.registers);
  uint64_t stackStart = 0;
  const size_t stackLength = CopyStack(state->context.rsp, stackStart);
  const auto threadId = static_cast<uint32_t>(CurrentThreadId());
  const auto moduleCount = static_cast<uint32_t>(state->moduleCount);
  timespec now{};
  syscall(SYS_clock_gettime, CLOCK_REALTIME, &now);

  // Every stream's place is fixed before anything is written, so the header and the directory
  // go out first and a dump cut short still describes what it was meant to hold.
  Layout layout(0);
  const uint32_t headerRva = layout.Take(sizeof(Header));
  const uint32_t directoryRva = layout.Take(kStreamCount * sizeof(Directory));
  const uint32_t systemRva = layout.Take(sizeof(SystemInfo));
  const uint32_t exceptionRva = layout.Take(sizeof(ExceptionStream));
  const uint32_t threadListRva = layout.Take(4 + sizeof(Thread));
  const uint32_t memoryListRva = layout.Take(4 + sizeof(MemoryDescriptor));
  const uint32_t moduleListSize = 4 + moduleCount * static_cast<uint32_t>(sizeof(Module));
  const uint32_t moduleListRva = layout.Take(moduleListSize);
  const uint32_t mapsRva = layout.Take(state->mapsLength);
  const uint32_t statusRva = layout.Take(state->statusLength);
  const uint32_t contextRva = layout.Take(sizeof(ContextAmd64));
  const uint32_t stackRva = layout.Take(stackLength);

  FileWriter file(fd);
  const Header header{
      kSignature, kVersion, kStreamCount, directoryRva, 0, static_cast<uint32_t>(now.tv_sec), 0};
  file.Put(headerRva, header);
  const Directory directory[kStreamCount] = {
      {kSystemInfoStream, {sizeof(SystemInfo), systemRva}},
      {kExceptionStream, {sizeof(ExceptionStream), exceptionRva}},
      {kThreadListStream, {4 + sizeof(Thread), threadListRva}},
      {kMemoryListStream, {4 + sizeof(MemoryDescriptor), memoryListRva}},
      {kModuleListStream, {moduleListSize, moduleListRva}},
      {kLinuxMapsStream, {static_cast<uint32_t>(state->mapsLength), mapsRva}},
      {kLinuxProcStatusStream, {static_cast<uint32_t>(state->statusLength), statusRva}},
  };
  file.Put(directoryRva, directory);

  // System information.
  SystemInfo system{};
  system.processorArchitecture = kArchitectureAmd64;
  system.processorLevel = 6;
  system.numberOfProcessors = static_cast<uint8_t>(state->processorCount);
  system.majorVersion = state->osVersion[0];
  system.minorVersion = state->osVersion[1];
  system.buildNumber = state->osVersion[2];
  system.platformId = kPlatformLinux;
  system.csdVersionRva = PutString(file, layout, state->csdVersion, state->csdLength);
  file.Put(systemRva, system);

  // The exception and the failing thread's registers.
  file.Put(contextRva, state->context);
  const LocationDescriptor contextLocation{sizeof(ContextAmd64), contextRva};
  ExceptionStream exception{};
  exception.threadId = threadId;
  exception.exceptionRecord.exceptionCode = static_cast<uint32_t>(crash.signalNumber);
  exception.exceptionRecord.exceptionFlags = static_cast<uint32_t>(crash.info->si_code);
  const bool faultAddressKnown = crash.signalNumber == SIGSEGV || crash.signalNumber == SIGBUS ||
                                 crash.signalNumber == SIGILL || crash.signalNumber == SIGFPE;
  exception.exceptionRecord.exceptionAddress =
      faultAddressKnown ? reinterpret_cast<uint64_t>(crash.info->si_addr) : state->context.rip;
  exception.threadContext = contextLocation;
  file.Put(exceptionRva, exception);

  // The failing thread and its stack, which is also the dump's one memory range.
  file.Put(stackRva, state->stack, stackLength);
  const MemoryDescriptor stack{stackStart, {static_cast<uint32_t>(stackLength), stackRva}};
  Thread thread{};
  thread.threadId = threadId;
  thread.stack = stack;
  thread.threadContext = contextLocation;
  file.Put(threadListRva, uint32_t{1});
  file.Put(threadListRva + 4, thread);
  file.Put(memoryListRva, uint32_t{1});
  file.Put(memoryListRva + 4, stack);

  // The raw texts debuggers use to rebuild the address space and the process facts.
  file.Put(mapsRva, state->maps, state->mapsLength);
  file.Put(statusRva, state->status, state->statusLength);

  // Modules, each with its name and its build id as a CodeView record.
  file.Put(moduleListRva, moduleCount);
  for (uint32_t i = 0; i < moduleCount; ++i) {
    const ModuleEntry& entry = state->modules[i];
    Module module{};
    module.baseOfImage = entry.base;
    module.sizeOfImage = static_cast<uint32_t>(entry.end - entry.base);
    module.moduleNameRva =
        PutString(file, layout, state->name, WidenName(entry.name, entry.nameLength));
    if (entry.buildIdLength > 0) {
      const uint32_t cvRva = layout.Take(4 + entry.buildIdLength);
      file.Put(cvRva, kCodeViewBuildId);
      file.Put(cvRva + 4, entry.buildId, entry.buildIdLength);
      module.cvRecord = {4 + entry.buildIdLength, cvRva};
    }
    file.Put(moduleListRva + 4 + i * static_cast<uint32_t>(sizeof(Module)), module);
  }
}

void ParseOsVersion(const char* release, uint32_t (&version)[3]) {
  const char* cursor = release;
  for (uint32_t& part : version) {
    part = 0;
    while (*cursor >= '0' && *cursor <= '9')
      part = part * 10 + static_cast<uint32_t>(*cursor++ - '0');
    if (*cursor == '.') ++cursor;
  }
}

}  // namespace

int32_t PrepareCrashDump(const std::string& dumpPath) {
  if (dumpPath.empty() || dumpPath.size() >= kPathCapacity) {
    return dumpPath.empty() ? ENOENT : ENAMETOOLONG;
  }
  if (state == nullptr) {
    // Touched now (MAP_POPULATE) so that the crash path never waits for memory.
    void* memory = mmap(nullptr, sizeof(WriterState), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (memory == MAP_FAILED) return errno;
    state = static_cast<WriterState*>(memory);
  }
  __builtin_memcpy(state->path, dumpPath.c_str(), dumpPath.size() + 1);
  const long processors = sysconf(_SC_NPROCESSORS_ONLN);
  state->processorCount =
      processors > 0 && processors < 256 ? static_cast<uint32_t>(processors) : 0;
  utsname names{};
  state->csdLength = 0;
  if (uname(&names) == 0) {
    ParseOsVersion(names.release, state->osVersion);
    const char* const parts[] = {names.release, " ", names.version};
    for (const char* part : parts) {
      for (const char* c = part; *c != 0 && state->csdLength + 1 < kCsdCapacity; ++c) {
        state->csdVersion[state->csdLength++] = static_cast<char16_t>(static_cast<uint8_t>(*c));
      }
    }
  }
  // Bind the lazily resolved entry of syscall() now, outside any signal handler.
  syscall(SYS_getpid);
  return 0;
}

void WriteMinidump(const CrashContext* context) noexcept {
  if (state == nullptr || context == nullptr || context->registers == nullptr) return;
  const long self = CurrentThreadId();
  long expected = 0;
  if (!writerThread.compare_exchange_strong(expected, self)) {
    // A fault inside the writer itself: give up on this dump.
    if (expected == self) return;
    // Another thread is writing the dump and will end the process; let it finish.
    for (;;) {
      timespec pause{1, 0};
      syscall(SYS_nanosleep, &pause, nullptr);
    }
  }
  long fd =
      syscall(SYS_openat, AT_FDCWD, state->path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return;
  WriteDump(fd, *context);
  syscall(SYS_close, fd);
}

}  // namespace zel::platform
