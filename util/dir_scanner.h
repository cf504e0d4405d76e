// A depth-first walk over a folder tree without recursion: one open listing per level, kept on a
// stack whose newest entry is always worked on next, so a folder is finished only after all of its
// children and deep trees cost heap memory rather than call stack. What happens to each file and
// to each finished folder is up to the strategy the scanner derives from.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/dir_search.h"
#include "platform/error_codes.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/sleep.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace vesku {

class IDirScanner {
 public:
  virtual ~IDirScanner() = default;
  // The root folder's path, ending in a separator.
  virtual const std::u16string& RootPath() const = 0;
};

// Base of the walk's strategies. `kReservedDepth` is the number of folder levels the scanner makes
// room for up front; deeper trees still work, at the cost of growing the stack.
template <int kReservedDepth>
class DirScannerStategy_t {
 public:
  static constexpr int kStackReserve = kReservedDepth;

  // Called for every folder below the root before it is listed; a strategy that needs to change
  // the folder before its entries are handled does it here.
  void EnterFolder(const std::u16string&) {}
};

// Options of the folder-deleting strategy.
inline constexpr int kWaitUntilGone = 8;  // after each deletion, wait until the entry is gone

// Removes every file and every finished folder below the root, keeping the root itself. Failures
// are not reported: what cannot be removed stays.
template <int kOptions>
class CFolderDeleterStategy : public DirScannerStategy_t<13> {
 public:
  void RemoveFile(const std::u16string& path) {
    namespace platform = zel::platform;
    // A read-only file is removed all the same.
    platform::ResetAttributes(path);
    if (platform::DeleteFile(path) == 0) WaitUntilGone(path);
  }

  // A folder's own permissions decide whether its entries can be listed and removed, so a
  // read-only folder is opened up before its files are tried, not after.
  void EnterFolder(const std::u16string& path) { zel::platform::ResetAttributes(path); }

  void RemoveFolder(const std::u16string& path, bool isRoot) {
    namespace platform = zel::platform;
    if (isRoot) return;
    // Something else (a virus scanner, an indexer) may still hold an entry that was deleted just
    // now, keeping the folder non-empty for a moment.
    for (int retry = 0;; ++retry) {
      const int32_t error = platform::RemoveFolder(path);
      if (error == 0) {
        WaitUntilGone(path);
        return;
      }
      if (error != platform::kErrorDirNotEmpty || retry >= kNotEmptyRetries) return;
      platform::SleepMilliseconds(kWaitStepMs);
    }
  }

 private:
  static constexpr int kNotEmptyRetries = 100;
  static constexpr int kGoneChecks = 100;
  static constexpr uint32_t kWaitStepMs = 100;

  // A deleted entry can stay visible while others still have it open; a new file of the same name
  // cannot be created until it is gone.
  static void WaitUntilGone(const std::u16string& path) {
    if constexpr ((kOptions & kWaitUntilGone) != 0) {
      namespace platform = zel::platform;
      for (int check = 0; check < kGoneChecks; ++check) {
        platform::FileHandle handle;
        if (platform::OpenExisting(path, handle) != 0) return;
        platform::SleepMilliseconds(kWaitStepMs);
      }
    }
  }
};

template <class Strategy>
class CDirScanner : public IDirScanner, public Strategy {
 public:
  // `depthLimit` 0 walks the whole tree; otherwise folders at that depth are not entered.
  explicit CDirScanner(const std::u16string& root, int32_t depthLimit = 0)
      : depthLimit_(depthLimit) {
    stack_.reserve(Strategy::kStackReserve);
    rootPath_ = root;
    if (rootPath_.empty() || (rootPath_.back() != u'\\' && rootPath_.back() != u'/')) {
      rootPath_.push_back(zel::platform::kPathSeparator);
    }
    stack_.push_back(Folder{{}, rootPath_});
  }

  const std::u16string& RootPath() const override { return rootPath_; }

  // Throws CWinException "Can't access: " with the root path when the root exists but cannot be
  // listed; a missing root ends the walk quietly.
  void Scan() {
    namespace platform = zel::platform;
    while (!stack_.empty()) {
      Folder& folder = stack_.back();
      const bool isRoot = stack_.size() == 1;
      if (!folder.search.IsOpen()) {
        if (!isRoot) this->EnterFolder(folder.path);
        const int32_t error = folder.search.Open(folder.path);
        if (error != 0) {
          stack_.pop_back();
          // An unreadable subfolder is skipped.
          if (!isRoot) continue;
          if (error == platform::kErrorPathNotFound) return;
          throw CWinException("Can't access: " + ToAnsi(rootPath_), error);
        }
      }

      platform::DirEntry entry;
      if (folder.search.Next(entry) != 0) {
        folder.search.Close();
        const std::u16string path = std::move(folder.path);
        stack_.pop_back();
        this->RemoveFolder(path, isRoot);
        continue;
      }
      if (entry.isDirectory) {
        if (entry.name == u"." || entry.name == u".." || entry.isLink) continue;
        if (depthLimit_ == 0 || static_cast<int64_t>(stack_.size()) < depthLimit_) {
          std::u16string path = folder.path + entry.name;
          path.push_back(platform::kPathSeparator);
          stack_.push_back(Folder{{}, std::move(path)});
        }
        continue;
      }
      this->RemoveFile(folder.path + entry.name);
    }
  }

 private:
  struct Folder {
    zel::platform::DirSearch search;  // not open until the folder is first listed
    std::u16string path;              // ends in a separator
  };

  std::vector<Folder> stack_;  // newest last; its length is the current depth
  int32_t depthLimit_;
  std::u16string rootPath_;
};

}  // namespace vesku
