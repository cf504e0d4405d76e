// A program that installs the crash handlers and then fails in the way its command line names:
//   crash_victim DUMP_PATH null|abort|heap|throw|purecall|overflow|thread|race|exit
// The crash tests run it and inspect its exit code and the dump it leaves.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/crash_dump.h"
#include "util/crash_handlers.h"
#include "util/utf_text.h"

// The functions below have external linkage and are never inlined so that a debugger reading the
// dump names them in the backtrace.

extern "C" __attribute__((noinline)) void CrashVictimStoreToNull() {
  int* volatile nowhere = nullptr;
  *nowhere = 42;
}

extern "C" __attribute__((noinline)) void CrashVictimAbort() { std::abort(); }

// glibc notices the second free and aborts: the crash path must cope with a broken heap.
extern "C" __attribute__((noinline)) void CrashVictimDoubleFree() {
  void* volatile block = std::malloc(64);
  std::free(block);
  std::free(block);
}

extern "C" __attribute__((noinline)) void CrashVictimThrow() {
  throw std::runtime_error("nobody catches this");
}

struct CrashVictimBase;
extern "C" __attribute__((noinline)) void CrashVictimCallHook(CrashVictimBase* object);

struct CrashVictimBase {
  CrashVictimBase() { CrashVictimCallHook(this); }
  virtual ~CrashVictimBase() = default;
  virtual void Hook() = 0;
};

struct CrashVictimDerived : CrashVictimBase {
  void Hook() override {}
};

// Called from the base constructor, the hook still dispatches to the pure virtual slot.
extern "C" void CrashVictimCallHook(CrashVictimBase* object) { object->Hook(); }

volatile long recursionLimit = 1L << 40;

extern "C" __attribute__((noinline)) long CrashVictimRecurse(volatile char* caller) {
  volatile char frame[512];
  frame[0] = static_cast<char>(caller == nullptr ? 0 : caller[0] + 1);
  recursionLimit = recursionLimit - 1;
  if (recursionLimit == 0) return 0;
  return CrashVictimRecurse(frame) + frame[0];
}

extern "C" __attribute__((noinline)) void CrashVictimOnSecondThread() {
  zel::platform::CrashSignalStack signalStack;
  CrashVictimStoreToNull();
}

// Several threads fault at the same moment; only one of them may write the dump, completely.
void CrashVictimRace() {
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&ready] {
      zel::platform::CrashSignalStack signalStack;
      ready.fetch_add(1);
      while (ready.load() < 4) {
      }
      CrashVictimStoreToNull();
    });
  }
  for (std::thread& thread : threads) thread.join();
}

int main(int argc, char** argv) {
  if (argc != 3) return 64;
  vesku::InstallCrashHandlers(vesku::WideText(argv[1]));
  const char* mode = argv[2];
  if (std::strcmp(mode, "null") == 0) CrashVictimStoreToNull();
  if (std::strcmp(mode, "abort") == 0) CrashVictimAbort();
  if (std::strcmp(mode, "heap") == 0) CrashVictimDoubleFree();
  if (std::strcmp(mode, "throw") == 0) CrashVictimThrow();
  if (std::strcmp(mode, "purecall") == 0) CrashVictimDerived derived;
  if (std::strcmp(mode, "overflow") == 0) return static_cast<int>(CrashVictimRecurse(nullptr));
  if (std::strcmp(mode, "thread") == 0) std::thread(CrashVictimOnSecondThread).join();
  if (std::strcmp(mode, "race") == 0) CrashVictimRace();
  return std::strcmp(mode, "exit") == 0 ? 0 : 65;
}
