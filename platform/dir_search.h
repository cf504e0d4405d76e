// Listing the entries of one folder. The listing stays open until it is closed or destroyed, so a
// walk over a tree can keep one listing per level.
#pragma once

#include <cstdint>
#include <string>

namespace zel::platform {

struct DirEntry {
  std::u16string name;
  // The entry is a folder, or a symbolic link whose target is a folder.
  bool isDirectory = false;
  // The entry is a symbolic link. Links are never followed: the target of a link to a folder must
  // not be walked into, and deleting a link removes only the link.
  bool isLink = false;
};

class DirSearch {
 public:
  DirSearch() = default;
  ~DirSearch();
  DirSearch(DirSearch&& other) noexcept;
  DirSearch& operator=(DirSearch&& other) noexcept;
  DirSearch(const DirSearch&) = delete;
  DirSearch& operator=(const DirSearch&) = delete;

  // Starts listing `folder`. Returns 0, kErrorPathNotFound when the folder does not exist, or the
  // system error code (a path that is not a folder, a folder that may not be read, ...).
  int32_t Open(const std::u16string& folder);

  // The next entry, "." and ".." included. Returns 0, kErrorNoMoreFiles at the end of the listing,
  // or the system error code.
  int32_t Next(DirEntry& entry);

  bool IsOpen() const { return handle_ != nullptr; }
  void Close();

 private:
  void* handle_ = nullptr;
};

}  // namespace zel::platform
