// Fatal-signal handlers of the crash path, the alternate signal stacks they run on, and immediate
// process termination.
//
// OnFatalSignal runs inside a signal handler, possibly with a corrupt heap and with any libc lock
// held by the thread that failed, so everything it reaches keeps to async-signal-safe code: no
// malloc or new, no locks, no stdio, no exceptions; only an atomic load, the crash handler (which
// keeps to the same rules) and raw system calls. Everything that allocates (the signal stacks, the
// installation) happens beforehand, outside any handler.
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <new>

#include "platform/crash_dump.h"
#include "platform/posix/crash_context.h"

namespace zel::platform {

namespace {

// The faults a decoder can provoke: bad memory access, bad instruction, arithmetic trap, abort
// (which glibc also raises when it finds the heap corrupt), a forbidden system call and a trap.
constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS, SIGTRAP};

// Large enough for the kernel's signal frame (with the widest vector state) and the writer.
constexpr size_t kSignalStackSize = 128 * 1024;
constexpr size_t kGuardSize = 4096;

std::atomic<CrashHandler> crashHandler{nullptr};

void OnFatalSignal(int signalNumber, siginfo_t* info, void* registers) {
  const CrashContext context{signalNumber, info, static_cast<const ucontext_t*>(registers)};
  CrashHandler handler = crashHandler.load();
  if (handler != nullptr) handler(&context);
  ExitProcessNow(128 + signalNumber);
}

}  // namespace

CrashSignalStack::CrashSignalStack() {
  void* memory = mmap(nullptr, kGuardSize + kSignalStackSize, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  // A guard page below the stack turns an overflow of the handler itself into a fault that
  // ends the process instead of silently overwriting memory.
  mprotect(memory, kGuardSize, PROT_NONE);
  stack_t stack{};
  stack.ss_sp = static_cast<char*>(memory) + kGuardSize;
  stack.ss_size = kSignalStackSize;
  if (sigaltstack(&stack, nullptr) != 0) {
    munmap(memory, kGuardSize + kSignalStackSize);
    throw std::bad_alloc();
  }
  memory_ = memory;
}

CrashSignalStack::~CrashSignalStack() {
  stack_t disable{};
  disable.ss_flags = SS_DISABLE;
  sigaltstack(&disable, nullptr);
  munmap(memory_, kGuardSize + kSignalStackSize);
}

int32_t InstallFatalFaultHandler(CrashHandler handler) {
  crashHandler.store(handler);
  // The installing thread (the main thread) keeps its stack until the process ends.
  static CrashSignalStack* const mainStack = new CrashSignalStack();
  (void)mainStack;
  struct sigaction action {};
  action.sa_sigaction = OnFatalSignal;
  // SA_NODEFER: a fault inside the crash path re-enters the handler, which then ends the
  // process, instead of the kernel killing it while the signal is blocked.
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int signalNumber : kFatalSignals) {
    if (sigaction(signalNumber, &action, nullptr) != 0) return errno;
  }
  return 0;
}

void ExitProcessNow(int exitCode) noexcept {
  for (;;) syscall(SYS_exit_group, exitCode);
}

}  // namespace zel::platform
