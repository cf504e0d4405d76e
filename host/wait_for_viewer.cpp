#include "host/wait_for_viewer.h"

#include <limits>

#include "platform/process_wait.h"

namespace zel {

namespace {

void WaitAndClose(int descriptor) {
  // A descriptor that cannot be waited on ends the wait at once, like a handle that is not valid.
  platform::WaitForDescriptor(descriptor, -1);
  platform::CloseDescriptor(descriptor);
}

}  // namespace

void WaitForViewer(uint64_t waitHandle, const ParentProcess& parent) {
  if (waitHandle != 0) {
    WaitAndClose(waitHandle > static_cast<uint64_t>(std::numeric_limits<int>::max())
                     ? -1
                     : static_cast<int>(waitHandle));
    return;
  }
  parent.WaitUntilGone();
}

}  // namespace zel
