#include "host/enter_sandbox.h"

#include <iostream>

#include "platform/error_codes.h"
#include "platform/sandbox.h"

namespace zel {

namespace {

void Report(int32_t result, const char* unavailable, const char* refused) {
  if (result == platform::kErrorNotSupported) {
    std::cerr << unavailable << std::endl;
  } else if (result != 0) {
    std::cerr << refused << result << std::endl;
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
