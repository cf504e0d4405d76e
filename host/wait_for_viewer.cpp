#include "host/wait_for_viewer.h"

#include "platform/descriptors.h"
#include "platform/process_wait.h"

namespace zel {

void WaitForViewer(uint64_t waitHandle, const ParentProcess& parent) {
  if (waitHandle == 0) {
    parent.WaitUntilGone();
    return;
  }
  // A number that cannot be a descriptor, or one that cannot be waited on, ends the wait at once,
  // like a handle that is not valid. The descriptor is closed when the wait ends.
  platform::DescriptorGuard viewer;
  platform::AdoptInheritedDescriptor(waitHandle, viewer);
  bool signalled = false;
  platform::WaitForDescriptor(viewer, -1, signalled);
}

}  // namespace zel
