#include "host/enter_sandbox.h"

#include <iostream>

#include "platform/sandbox.h"

namespace zel {

namespace {

void Report(const platform::ConfinementResult& result, const char* unavailable,
            const char* refused) {
  switch (result.outcome) {
    case platform::ConfinementOutcome::kApplied:
      break;
    case platform::ConfinementOutcome::kUnavailable:
      std::cerr << unavailable << std::endl;
      break;
    case platform::ConfinementOutcome::kRefused:
      std::cerr << refused << result.errorCode << std::endl;
      break;
  }
}

}  // namespace

void EnterServerSandbox(const std::u16string& tempFolder, const std::u16string& dumpsFolder) {
  const platform::SandboxResult result = platform::EnterSandbox({tempFolder, dumpsFolder});
  Report(result.systemCalls,
         "The system call filter is not available on this system; serving without it.",
         "Failed to install the system call filter; serving without it. Error: ");
  Report(result.fileAccess,
         "File access restriction is not available on this system; serving without it.",
         "Failed to restrict file access; serving without it. Error: ");
}

}  // namespace zel
