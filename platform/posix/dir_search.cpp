#include "platform/dir_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/error_codes.h"
#include "platform/posix/native_path.h"

namespace zel::platform {
namespace {

DIR* AsDir(void* handle) { return static_cast<DIR*>(handle); }

}  // namespace

DirSearch::~DirSearch() { Close(); }

DirSearch::DirSearch(DirSearch&& other) noexcept : handle_(other.handle_) {
  other.handle_ = nullptr;
}

DirSearch& DirSearch::operator=(DirSearch&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

void DirSearch::Close() {
  if (handle_ != nullptr) {
    ::closedir(AsDir(handle_));
    handle_ = nullptr;
  }
}

int32_t DirSearch::Open(const std::u16string& folder) {
  Close();
  std::string native;
  if (!ToNativePath(folder, native)) return errno;
  DropTrailingSlashes(native);
  // O_NOFOLLOW: a folder given by a path that ends in a symbolic link is not listed through it.
  const int descriptor = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0) return errno == ENOENT ? kErrorPathNotFound : errno;
  DIR* dir = ::fdopendir(descriptor);
  if (dir == nullptr) {
    const int error = errno;
    ::close(descriptor);
    return error;
  }
  handle_ = dir;
  return 0;
}

int32_t DirSearch::Next(DirEntry& entry) {
  if (handle_ == nullptr) return EBADF;
  DIR* dir = AsDir(handle_);
  // readdir tells the end from a failure only through errno.
  errno = 0;
  const dirent* record = ::readdir(dir);
  if (record == nullptr) return errno != 0 ? errno : kErrorNoMoreFiles;

  entry.name = FromNativeName(record->d_name);
  unsigned char type = record->d_type;
  if (type == DT_UNKNOWN) {
    struct stat status {};
    if (::fstatat(::dirfd(dir), record->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
      type = S_ISLNK(status.st_mode) ? DT_LNK : S_ISDIR(status.st_mode) ? DT_DIR : DT_REG;
    }
  }
  entry.isLink = type == DT_LNK;
  entry.isDirectory = type == DT_DIR;
  if (entry.isLink) {
    // Only the kind of the target is looked at, to tell links to folders from links to files;
    // a dangling link counts as a link to a file.
    struct stat target {};
    entry.isDirectory =
        ::fstatat(::dirfd(dir), record->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
  }
  return 0;
}

}  // namespace zel::platform
