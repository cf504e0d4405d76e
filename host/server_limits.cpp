#include "host/server_limits.h"

#include <iostream>

#include "imaging/resource_limits.h"
#include "pdf/page_geometry.h"
#include "platform/descriptors.h"
#include "platform/process_limits.h"

namespace zel {

void ApplyServerLimits(int32_t byteBudget) {
  // An allocation past the limit fails (a request then gets an error reply, or a library that
  // cannot report it ends in the crash path) instead of taking the machine's memory.
  const platform::LimitResult memory =
      platform::LimitDataMemory(ProcessDataLimitFor(platform::PhysicalMemoryBytes(), byteBudget));
  if (memory.outcome == platform::LimitOutcome::kRefused) {
    std::cerr << "zelHost: memory limit refused. Error: " << memory.errorCode << "\n";
  }
  SetPageByteLimit(byteBudget);
  if (const int32_t code = platform::MarkDescriptorsCloseOnExec(); code != 0) {
    std::cerr << "zelHost: descriptors not all close-on-exec. Error: " << code << "\n";
  }
}

}  // namespace zel
