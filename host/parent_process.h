// The process that started the host, taken at the start of server mode. Asking for the parent
// only once start-up is done would find whoever inherited the host if the viewer ended meanwhile
// (the init process, or a subreaper that may live for good), and would take a viewer that is
// itself process 1 (a container's main process) for one that is gone.
#pragma once

#include "platform/descriptors.h"

namespace zel {

class ParentProcess {
 public:
  // A parent that is already gone: waiting for it returns at once.
  ParentProcess() = default;

  // Takes hold of the current parent process. A parent that has already gone, that cannot be
  // named from the host's process namespace, or that cannot be held is recorded as gone.
  static ParentProcess Record();

  // Returns when the recorded process has ended; at once when it was gone when recorded.
  void WaitUntilGone() const;

 private:
  platform::DescriptorGuard process_;  // signalled when the parent ends; empty when it is gone
};

}  // namespace zel
