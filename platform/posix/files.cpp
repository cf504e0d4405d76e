#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/error_codes.h"
#include "platform/posix/native_path.h"

namespace zel::platform {

FileHandle::~FileHandle() { Close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept : descriptor_(other.descriptor_) {
  other.descriptor_ = -1;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    descriptor_ = other.descriptor_;
    other.descriptor_ = -1;
  }
  return *this;
}

void FileHandle::Close() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);
    descriptor_ = -1;
  }
}

int32_t CreateFileForWriting(const std::u16string& path, FileHandle& file) {
  file.Close();
  std::string native;
  if (!ToNativePath(path, native)) return errno;
  const int descriptor = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (descriptor < 0) return errno;
  file.descriptor_ = descriptor;
  return 0;
}

int32_t WriteFile(const FileHandle& file, const void* data, uint32_t size, uint32_t& written) {
  written = 0;
  const auto* bytes = static_cast<const char*>(data);
  while (written < size) {
    const ssize_t count = ::write(file.descriptor_, bytes + written, size - written);
    if (count < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (count == 0) break;
    written += static_cast<uint32_t>(count);
  }
  return 0;
}

int32_t OpenExisting(const std::u16string& path, FileHandle& handle) {
  handle.Close();
  std::string native;
  if (!ToNativePath(path, native)) return errno;
  DropTrailingSlashes(native);
  // O_PATH opens folders and links as well as files, and needs no read permission.
  const int descriptor = ::open(native.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0) return errno;
  handle.descriptor_ = descriptor;
  return 0;
}

int32_t OpenForReading(const std::u16string& path, FileHandle& file) {
  file.Close();
  std::string native;
  if (!ToNativePath(path, native)) return errno;
  // Without O_NONBLOCK, opening a named pipe would wait for a writer that may never come.
  const int descriptor = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return errno;
  struct stat status {};
  int error = 0;
  if (::fstat(descriptor, &status) != 0) {
    error = errno;
  } else if (!S_ISREG(status.st_mode)) {
    error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
  } else if (::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0) {
    error = errno;
  }
  if (error != 0) {
    ::close(descriptor);
    return error;
  }
  file.descriptor_ = descriptor;
  return 0;
}

int32_t GetFileSize(const FileHandle& file, int64_t& size) {
  struct stat status {};
  if (::fstat(file.descriptor_, &status) != 0) return errno;
  size = static_cast<int64_t>(status.st_size);
  return 0;
}

int32_t ReadFile(const FileHandle& file, void* data, uint32_t size, uint32_t& read) {
  read = 0;
  auto* bytes = static_cast<char*>(data);
  while (read < size) {
    const ssize_t count = ::read(file.descriptor_, bytes + read, size - read);
    if (count < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (count == 0) break;
    read += static_cast<uint32_t>(count);
  }
  return 0;
}

int32_t ResetAttributes(const std::u16string& path) {
  std::string native;
  if (!ToNativePath(path, native)) return errno;
  DropTrailingSlashes(native);
  struct stat status {};
  if (::lstat(native.c_str(), &status) != 0) return errno;
  if (S_ISLNK(status.st_mode)) return 0;
  const mode_t owner = S_ISDIR(status.st_mode) ? (S_IRWXU) : (S_IRUSR | S_IWUSR);
  // AT_SYMLINK_NOFOLLOW keeps a link that replaced the entry meanwhile from passing the change on
  // to its target.
  if (::fchmodat(AT_FDCWD, native.c_str(), (status.st_mode & 07777) | owner, AT_SYMLINK_NOFOLLOW) !=
      0) {
    return errno;
  }
  return 0;
}

int32_t DeleteFile(const std::u16string& path) {
  std::string native;
  if (!ToNativePath(path, native)) return errno;
  return ::unlink(native.c_str()) == 0 ? 0 : errno;
}

int32_t RemoveFolder(const std::u16string& path) {
  std::string native;
  if (!ToNativePath(path, native)) return errno;
  DropTrailingSlashes(native);
  if (::rmdir(native.c_str()) == 0) return 0;
  // POSIX allows either code for a folder that still has entries.
  return errno == ENOTEMPTY || errno == EEXIST ? kErrorDirNotEmpty : errno;
}

}  // namespace zel::platform
