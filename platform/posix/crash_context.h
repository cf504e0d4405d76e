// The POSIX form of a crash context: the signal and the registers of the failing thread as the
// kernel handed them to the signal handler. Shared by the fault handlers and the minidump writer.
#pragma once

#include <signal.h>
#include <ucontext.h>

namespace zel::platform {

struct CrashContext {
  int signalNumber;
  const siginfo_t* info;
  const ucontext_t* registers;
};

}  // namespace zel::platform
