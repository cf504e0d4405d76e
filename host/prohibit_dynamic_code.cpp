#include "host/prohibit_dynamic_code.h"

#include <iostream>

#include "platform/process_hardening.h"

namespace zel {

void ProhibitDynamicCode() {
  const platform::DynamicCodeResult result = platform::ProhibitDynamicCodeExecution();
  switch (result.outcome) {
    case platform::DynamicCodeOutcome::kProhibited:
      std::cout << "Dynamic code execution prohibited successfully." << std::endl;
      break;
    case platform::DynamicCodeOutcome::kUnavailable:
      std::cerr << "SetProcessMitigationPolicy is not available on this system." << std::endl;
      break;
    case platform::DynamicCodeOutcome::kRefused:
      std::cerr << "Failed to set dynamic code policy. Error: " << result.errorCode << std::endl;
      break;
  }
}

}  // namespace zel
