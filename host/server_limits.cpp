#include "host/server_limits.h"

#include <iostream>

#include "imaging/resource_limits.h"
#include "pdf/page_geometry.h"
#include "platform/descriptors.h"
#include "platform/error_codes.h"
#include "platform/process_limits.h"

namespace zel {

void ApplyServerLimits(int32_t byteBudget) {
  // An allocation past the limit fails (a request then gets an error reply, or a library that
  // cannot report it ends in the crash path) instead of taking the machine's memory.
  const int32_t memory =
      platform::LimitDataMemory(ProcessDataLimitFor(platform::PhysicalMemoryBytes(), byteBudget));
  if (memory != 0 && memory != platform::kErrorNotSupported) {
    std::cerr << "zelHost: memory limit refused. Error: " << memory << "\n";
  }
  SetPageByteLimit(byteBudget);
  if (const int32_t code = platform::MarkDescriptorsCloseOnExec(); code != 0) {
    std::cerr << "zelHost: descriptors not all close-on-exec. Error: " << code << "\n";
  }
}

}  // namespace zel
