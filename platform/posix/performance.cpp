#include "platform/performance.h"

#include <sys/resource.h>
#include <time.h>

namespace zel::platform {

int64_t MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

uint64_t PeakWorkingSetBytes() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  // Linux reports the peak resident size in KiB.
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;
}

}  // namespace zel::platform
