#include "util/crash_handlers.h"

#include <exception>

#include "util/utf_text.h"

namespace vesku {

void InstallCrashHandlers(const std::u16string& dumpPath) {
  zel::platform::PrepareCrashDump(NarrowText(dumpPath));
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
  int* volatile nowhere = nullptr;
  *nowhere = 0;
  // Address 0 is never mapped; should it ever be, end the process all the same.
  zel::platform::ExitProcessNow(kCrashExitCode);
}

}  // namespace vesku

// A pure virtual call anywhere in the program ends in the crash path. Defined here, in the
// program, it takes the place of the C++ runtime's own handler.
extern "C" [[noreturn]] void __cxa_pure_virtual() { vesku::ForceCrashDump(); }
