// Files and folders by path. Every operation returns 0 on success or the system error code (errno
// on Linux) and never follows a symbolic link at the end of the path: links are handled as entries
// of their own, never through their targets. A path that holds a NUL character is refused with
// EINVAL rather than cut short.
#pragma once

#include <cstdint>
#include <string>

namespace zel::platform {

// Owner of an open file; closes it when destroyed.
class FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle();
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool valid() const { return descriptor_ >= 0; }
  void Close();

 private:
  friend int32_t CreateFileForWriting(const std::u16string& path, FileHandle& file);
  friend int32_t OpenExisting(const std::u16string& path, FileHandle& handle);
  friend int32_t OpenForReading(const std::u16string& path, FileHandle& file);
  friend int32_t GetFileSize(const FileHandle& file, int64_t& size);
  friend int32_t ReadFile(const FileHandle& file, void* data, uint32_t size, uint32_t& read);
  friend int32_t WriteFile(const FileHandle& file, const void* data, uint32_t size,
                           uint32_t& written);

  int descriptor_ = -1;
};

// Creates `path`, or empties it when it exists, for writing.
int32_t CreateFileForWriting(const std::u16string& path, FileHandle& file);

// Writes `size` bytes, continuing after partial writes until all are written or a call fails;
// `written` tells how many made it.
int32_t WriteFile(const FileHandle& file, const void* data, uint32_t size, uint32_t& written);

// Opens whatever is at `path` (file, folder or link) without reading it: success means the entry
// still exists.
int32_t OpenExisting(const std::u16string& path, FileHandle& handle);

// Opens an existing regular file for reading. Anything else is refused without waiting: a folder
// with EISDIR, a named pipe, socket or device with EINVAL.
int32_t OpenForReading(const std::u16string& path, FileHandle& file);

// The size in bytes of an open file.
int32_t GetFileSize(const FileHandle& file, int64_t& size);

// Reads up to `size` bytes, continuing after partial reads until all are read, the file ends or a
// call fails; `read` tells how many arrived.
int32_t ReadFile(const FileHandle& file, void* data, uint32_t size, uint32_t& read);

// Clears the read-only state of a file or folder (gives the owner write access). A symbolic link
// has no permissions of its own and is left as it is.
int32_t ResetAttributes(const std::u16string& path);

// Removes a file, or a symbolic link itself (never its target).
int32_t DeleteFile(const std::u16string& path);

// Removes an empty folder. A folder that still has entries reports kErrorDirNotEmpty.
int32_t RemoveFolder(const std::u16string& path);

}  // namespace zel::platform
