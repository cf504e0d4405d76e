#include "platform/thread_fault.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace zel::platform {

int32_t FaultThread(uint32_t threadId) {
  if (syscall(SYS_tgkill, getpid(), static_cast<pid_t>(threadId), SIGABRT) != 0) return errno;
  return 0;
}

}  // namespace zel::platform
