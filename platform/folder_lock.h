// A folder marked as in use by the processes that hold it. Several processes may be handed one
// folder (two hosts started with one work folder, two runs of a tool at once); the mark tells a
// process whether what it finds there may still belong to another one. The system drops a
// process's hold when the process ends, however it ends, so a crashed holder leaves no stale mark.
#pragma once

#include <cstdint>
#include <string>

namespace zel::platform {

class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Holds the existing folder `path`: alone (`alone` true) when no other holder exists, else
  // shared with the others, waiting while one of them holds it alone. A hold already taken is
  // given up first. Returns 0 or the system error code.
  int32_t Take(const std::u16string& path, bool& alone);

  // Turns a hold alone into a shared one, so that the processes waiting in Take get their share.
  // Returns 0 or the system error code.
  int32_t Share();

  void Release();

 private:
  int descriptor_ = -1;
};

}  // namespace zel::platform
