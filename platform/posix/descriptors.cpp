#include "platform/descriptors.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace zel::platform {
namespace {

constexpr int kFirstDescriptor = 3;

// Kernels before 5.11 have no close_range flag for this; their descriptor list is walked.
int32_t MarkListedDescriptors() {
  DIR* listing = opendir("/proc/self/fd");
  if (listing == nullptr) return errno;
  const int own = dirfd(listing);
  int32_t result = 0;
  while (const dirent* entry = readdir(listing)) {
    char* end = nullptr;
    const long descriptor = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || end == entry->d_name || descriptor < kFirstDescriptor ||
        descriptor == own) {
      continue;
    }
    const int flags = fcntl(static_cast<int>(descriptor), F_GETFD);
    if (flags < 0 || fcntl(static_cast<int>(descriptor), F_SETFD, flags | FD_CLOEXEC) != 0) {
      result = errno;
    }
  }
  closedir(listing);
  return result;
}

}  // namespace

void DescriptorTraits::Close(int descriptor) noexcept { ::close(descriptor); }

int32_t AdoptInheritedDescriptor(uint64_t number, DescriptorGuard& descriptor) {
  descriptor.Reset();
  if (number > static_cast<uint64_t>(std::numeric_limits<int>::max())) return EBADF;
  descriptor.Reset(static_cast<int>(number));
  return 0;
}

int32_t MarkDescriptorsCloseOnExec() {
  if (syscall(SYS_close_range, kFirstDescriptor, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return 0;
  return MarkListedDescriptors();
}

}  // namespace zel::platform
