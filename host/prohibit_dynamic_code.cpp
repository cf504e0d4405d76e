#include "host/prohibit_dynamic_code.h"

#include <iostream>

#include "platform/error_codes.h"
#include "platform/process_hardening.h"

namespace zel {

void ProhibitDynamicCode() {
  const int32_t result = platform::ProhibitDynamicCodeExecution();
  if (result == 0) {
    std::cout << "Dynamic code execution prohibited successfully." << std::endl;
  } else if (result == platform::kErrorNotSupported) {
    std::cerr << "SetProcessMitigationPolicy is not available on this system." << std::endl;
  } else {
    std::cerr << "Failed to set dynamic code policy. Error: " << result << std::endl;
  }
}

}  // namespace zel
