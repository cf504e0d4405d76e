#include "platform/posix/shared_object.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/utf8.h"

namespace zel::platform {

SharedObject::~SharedObject() {
  if (fd >= 0) close(fd);
}

std::string SharedObjectName(const std::u16string& name) {
  std::string out = "/";
  for (size_t i = 0; i < name.size(); ++i) {
    char32_t c = name[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
        name[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (name[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacementCharacter;
    }
    char bytes[4];
    out.append(bytes, static_cast<size_t>(EncodeUtf8Sequence(c, bytes)));
  }
  return out;
}

int OpenOrCreate(const std::u16string& name, int64_t size, const SecurityAttributes* attributes) {
  const SecurityAttributes defaults;
  const mode_t mode = (attributes != nullptr ? attributes : &defaults)->mode;
  const std::string path = SharedObjectName(name);
  int fd = -1;
  bool created = false;
  // Exclusive creation first, so that only the creator applies its mode; when the object exists,
  // open it (and start over should it vanish in between).
  while (fd < 0) {
    fd = shm_open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    created = fd >= 0;
    if (fd < 0 && errno != EEXIST) return -1;
    if (fd < 0) fd = shm_open(path.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0 && errno != ENOENT) return -1;
  }
  struct stat info {};
  // shm_open applies the umask, but the creator's mode must hold as given. The object only ever
  // grows: another process may already use it at its present size.
  if ((created && fchmod(fd, mode) != 0) || fstat(fd, &info) != 0 ||
      (info.st_size < size && ftruncate(fd, size) != 0)) {
    const int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

int OpenSmallObject(const std::u16string& name, int64_t size, const SecurityAttributes* attributes,
                    void*& view) {
  const int fd = OpenOrCreate(name, size, attributes);
  if (fd < 0) return -1;
  view = mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (view == MAP_FAILED) {
    const int error = errno;
    close(fd);
    errno = error;
    view = nullptr;
    return -1;
  }
  return fd;
}

}  // namespace zel::platform
