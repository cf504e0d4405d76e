#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/native_path.h"

namespace zel::platform {

namespace {

int32_t Lock(int descriptor, int operation) {
  while (::flock(descriptor, operation) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

}  // namespace

FolderLock::~FolderLock() { Release(); }

void FolderLock::Release() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);
    descriptor_ = -1;
  }
}

int32_t FolderLock::Take(const std::u16string& path, bool& alone) {
  Release();
  alone = false;
  std::string native;
  if (!ToNativePath(path, native)) return errno;
  // The folder itself carries the lock, so nothing is added to it and a lock cannot outlive it.
  const int descriptor = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return errno;
  descriptor_ = descriptor;
  if (::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) {
    alone = true;
    return 0;
  }
  if (errno != EWOULDBLOCK) {
    const int32_t error = errno;
    Release();
    return error;
  }
  if (const int32_t error = Lock(descriptor_, LOCK_SH); error != 0) {
    Release();
    return error;
  }
  return 0;
}

int32_t FolderLock::Share() {
  if (descriptor_ < 0) return EBADF;
  // flock converts a lock by dropping it and taking the new one, so for a moment nobody holds
  // the folder and a newcomer may take it alone and clear it. The caller shares before it has put
  // anything there, so such a clearing finds nothing of the caller's.
  return Lock(descriptor_, LOCK_SH);
}

}  // namespace zel::platform
