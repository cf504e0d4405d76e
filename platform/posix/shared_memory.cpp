#include "platform/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/last_error.h"
#include "platform/posix/shared_object.h"

namespace zel::platform {

namespace {

struct SharedMemory : SharedObject {
  using SharedObject::SharedObject;
};

}  // namespace

Handle CreateSharedMemory(const std::u16string& name, int64_t size,
                          const SecurityAttributes* attributes) {
  if (size < 0) {
    SetLastError(EINVAL);
    return nullptr;
  }
  const int fd = OpenOrCreate(name, size, attributes);
  return fd < 0 ? nullptr : new SharedMemory(fd);
}

Handle OpenSharedMemory(const std::u16string& name) {
  const int fd = shm_open(SharedObjectName(name).c_str(), O_RDWR | O_CLOEXEC, 0);
  return fd < 0 ? nullptr : new SharedMemory(fd);
}

void* MapView(Handle sharedMemory, int64_t size) {
  auto* object = As<SharedMemory>(sharedMemory);
  if (object == nullptr) return nullptr;
  struct stat info {};
  if (fstat(object->fd, &info) != 0) return nullptr;
  if (size <= 0 || info.st_size < size) {
    SetLastError(EINVAL);
    return nullptr;
  }
  void* view =
      mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED, object->fd, 0);
  return view == MAP_FAILED ? nullptr : view;
}

void UnmapView(void* view, int64_t size) noexcept {
  if (view != nullptr) munmap(view, static_cast<size_t>(size));
}

int32_t RestrictToOwner(Handle object) {
  auto* shared = As<SharedObject>(object);
  if (shared == nullptr) return EINVAL;
  if (fchown(shared->fd, geteuid(), getegid()) != 0) return errno;
  if (fchmod(shared->fd, 0600) != 0) return errno;
  return 0;
}

int32_t RemoveSharedObject(const std::u16string& name) {
  return shm_unlink(SharedObjectName(name).c_str()) == 0 ? 0 : errno;
}

}  // namespace zel::platform
