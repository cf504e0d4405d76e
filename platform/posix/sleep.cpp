#include "platform/sleep.h"

#include <chrono>
#include <thread>

namespace zel::platform {

void SleepMilliseconds(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace zel::platform
