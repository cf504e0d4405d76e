// The platform half of the crash path: fatal-fault handlers, the minidump writer and immediate
// process termination. The utility layer decides what happens on a crash; this layer catches the
// fault and writes the file.
//
// Threads: the fault handlers run on an alternate signal stack so that a stack overflow is still
// caught. InstallFatalFaultHandler gives the calling thread one; every other thread that runs
// code which may crash (in practice every thread of the server) must hold a CrashSignalStack for
// its whole life, created first thing in its start routine. A thread without one that overflows
// its stack is killed by the system without a dump.
#pragma once

#include <string>

namespace zel::platform {

// What the fault handler saw: the fault's kind and address and the failing thread's registers.
struct CrashContext;

using CrashHandler = void (*)(const CrashContext* context);

// Remembers the dump path (UTF-8) and reserves everything the writer needs later, so that the
// writer itself allocates nothing. Returns 0 or the system error code.
int32_t PrepareCrashDump(const std::string& dumpPath);

// Routes every fatal fault of any thread to `handler`, which must not return. Returns 0 or the
// system error code.
int32_t InstallFatalFaultHandler(CrashHandler handler);

// Writes a minidump of the current process for `context` to the prepared path, but only when no
// file exists there yet. Silent on every failure. Safe inside a fault handler.
void WriteMinidump(const CrashContext* context) noexcept;

// Ends the whole process at once with `exitCode`: no destructors, no exit functions.
[[noreturn]] void ExitProcessNow(int exitCode) noexcept;

// An alternate signal stack for the calling thread, released with the object.
class CrashSignalStack {
 public:
  CrashSignalStack();
  ~CrashSignalStack();
  CrashSignalStack(const CrashSignalStack&) = delete;
  CrashSignalStack& operator=(const CrashSignalStack&) = delete;

 private:
  void* memory_ = nullptr;
};

}  // namespace zel::platform
