#include "platform/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/shared_object.h"

namespace zel::platform {

namespace {

struct SharedMemory : SharedObject {
  using SharedObject::SharedObject;
};

}  // namespace

int32_t CreateSharedMemory(const std::u16string& name, int64_t size,
                           const SecurityAttributes* attributes, HandleGuard& sharedMemory) {
  if (size < 0) return EINVAL;
  const int fd = OpenOrCreate(name, size, attributes);
  if (fd < 0) return errno;
  sharedMemory.Reset(new SharedMemory(fd));
  return 0;
}

int32_t OpenSharedMemory(const std::u16string& name, HandleGuard& sharedMemory) {
  const int fd = shm_open(SharedObjectName(name).c_str(), O_RDWR | O_CLOEXEC, 0);
  if (fd < 0) return errno;
  sharedMemory.Reset(new SharedMemory(fd));
  return 0;
}

int32_t MapView(Handle sharedMemory, int64_t size, MappedView& view) {
  auto* object = As<SharedMemory>(sharedMemory);
  if (object == nullptr) return EINVAL;
  struct stat info {};
  if (fstat(object->fd, &info) != 0) return errno;
  if (size <= 0 || info.st_size < size) return EINVAL;
  void* address =
      mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED, object->fd, 0);
  if (address == MAP_FAILED) return errno;
  view.Reset({address, size});
  return 0;
}

void ViewTraits::Close(View view) noexcept { munmap(view.address, static_cast<size_t>(view.size)); }

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
