// A work folder of the host's own for one client: created fresh under the system's temporary
// folder and removed with everything in it when the client is done, so that a short-lived caller
// (a thumbnailer, a viewer that names no folder) leaves nothing behind.
#pragma once

#include <string>

namespace zel::client {

class CPrivateWorkFolder {
 public:
  // Creates "<temporary folder>/<prefix>-<random id>", readable by the current user only. Throws
  // CWinException when it cannot be created.
  explicit CPrivateWorkFolder(const std::string& prefix);
  ~CPrivateWorkFolder();
  CPrivateWorkFolder(const CPrivateWorkFolder&) = delete;
  CPrivateWorkFolder& operator=(const CPrivateWorkFolder&) = delete;

  const std::string& path() const { return path_; }

  // Leaves the folder and everything in it in place when the object goes: what a message names
  // (a host's crash dump) must still be there to be read.
  void Keep() { keep_ = true; }

 private:
  std::u16string widePath_;
  std::string path_;
  bool keep_ = false;
};

}  // namespace zel::client
