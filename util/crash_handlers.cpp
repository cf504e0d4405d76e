// WriteCrashDumpAndExit runs inside the fatal-signal handler, so it only calls the platform's
// async-signal-safe writer and exit: no malloc, no locks, no stdio. ForceCrashDump runs as the
// terminate or pure-call handler, in whatever state the program was, and does nothing but fault.
#include "util/crash_handlers.h"

#include <exception>

#include "util/strings.h"

namespace vesku {

void InstallCrashHandlers(const std::u16string& dumpPath) {
  zel::platform::PrepareCrashDump(ToUtf8(dumpPath));
  std::set_terminate(ForceCrashDump);
  zel::platform::InstallFatalFaultHandler(WriteCrashDumpAndExit);
}

void WriteCrashDumpAndExit(const zel::platform::CrashContext* exceptionPointers) {
  zel::platform::WriteMinidump(exceptionPointers);
  zel::platform::ExitProcessNow(kCrashExitCode);
}

void ForceCrashDump() {
  // Through a volatile pointer, so the compiler can neither prove the store undefined and drop
  // it nor replace it with a trap instruction.
  volatile int* volatile nowhere = nullptr;
  *nowhere = 0;
  // Address 0 is never mapped; should it ever be, end the process all the same.
  zel::platform::ExitProcessNow(kCrashExitCode);
}

}  // namespace vesku

// A pure virtual call anywhere in the program ends in the crash path. Defined here, in the
// program, it takes the place of the C++ runtime's own handler.
extern "C" [[noreturn]] void __cxa_pure_virtual() { vesku::ForceCrashDump(); }
