// The process that started the host, taken at the start of server mode. Asking for the parent
// only once start-up is done would find whoever inherited the host if the viewer ended meanwhile
// (the init process, or a subreaper that may live for good), and would take a viewer that is
// itself process 1 (a container's main process) for one that is gone.
#pragma once

namespace zel {

class ParentProcess {
 public:
  // A parent that is already gone: waiting for it returns at once.
  ParentProcess() = default;
  ~ParentProcess();
  ParentProcess(ParentProcess&& other) noexcept;
  ParentProcess& operator=(ParentProcess&& other) noexcept;
  ParentProcess(const ParentProcess&) = delete;
  ParentProcess& operator=(const ParentProcess&) = delete;

  // Takes hold of the current parent process. A parent that has already gone, or that cannot be
  // named from the host's process namespace, is recorded as gone. Throws CWinException when the
  // C library's process queries are missing.
  static ParentProcess Record();

  // Returns when the recorded process has ended; at once when it was gone when recorded.
  void WaitUntilGone() const;

 private:
  explicit ParentProcess(int descriptor) : descriptor_(descriptor) {}

  int descriptor_ = -1;  // a process descriptor of the parent, -1 when it is gone
};

}  // namespace zel
