// The crash path of the server: any fatal fault, a call of the terminate handler (an exception
// nobody catches) or a pure virtual call leaves a minidump at the crash dump path and ends the
// process at once with exit code 2. No destructors and no exit functions run.
//
// Threads other than the one that installs the handlers must hold a
// zel::platform::CrashSignalStack for their whole life (see platform/crash_dump.h), or a stack
// overflow on them ends the process without a dump.
#pragma once

#include <string>

#include "platform/crash_dump.h"

namespace vesku {

// The exit code of a process that ended in the crash path.
constexpr int kCrashExitCode = 2;

// Sets the crash dump path (written once, before any other thread exists) and installs the
// terminate handler, the pure-call handler and the fatal-fault handler. If the writer cannot be
// prepared the handlers are still installed and a crash ends the process without a dump.
void InstallCrashHandlers(const std::u16string& dumpPath);

// The fatal-fault handler: writes the dump unless a file is already there, then ends the process
// with exit code 2. Every failure on the way is silent.
[[noreturn]] void WriteCrashDumpAndExit(const zel::platform::CrashContext* exceptionPointers);

// The terminate and pure-call handler: faults on purpose so that the dump shows this handler's
// stack, with the terminate or pure call below it.
[[noreturn]] void ForceCrashDump();

}  // namespace vesku
