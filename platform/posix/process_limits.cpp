#include "platform/process_limits.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error_codes.h"

namespace zel::platform {
namespace {

// Reserved for the notice that the parent thread or process ended.
constexpr int kParentDeathSignal = SIGUSR2;

volatile sig_atomic_t g_parent = 0;

// How long the host has, once its parent is gone, to stop in order (the waiting main thread has
// noticed too); a listener stuck in a request would hold that up for good.
constexpr unsigned kStopGraceSeconds = 2;

void OnParentDeath(int) {
  // Async-signal-safe: getppid and alarm only. The alarm's default action ends the process.
  if (getppid() != g_parent) alarm(kStopGraceSeconds);
}

constexpr bool IsSanitizerBuild() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

}  // namespace

uint64_t PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

int32_t LimitDataMemory(uint64_t bytes) {
  if (IsSanitizerBuild()) return kErrorNotSupported;
  // Soft and hard limit alike, so nothing in the process can raise it again.
  const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
  return setrlimit(RLIMIT_DATA, &limit) == 0 ? 0 : errno;
}

int32_t EndWithParentProcess() {
  const pid_t parent = getppid();
  g_parent = parent;
  struct sigaction action = {};
  action.sa_handler = OnParentDeath;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (sigaction(kParentDeathSignal, &action, nullptr) != 0) return errno;
  if (prctl(PR_SET_PDEATHSIG, kParentDeathSignal, 0L, 0L, 0L) != 0) return errno;
  // A parent that ended before the request was made sends no notice.
  if (getppid() != parent) alarm(kStopGraceSeconds);
  return 0;
}

}  // namespace zel::platform
