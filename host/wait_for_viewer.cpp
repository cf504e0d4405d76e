#include "host/wait_for_viewer.h"

#include <limits>

#include "platform/process_wait.h"
#include "util/libc_process_queries.h"

namespace zel {

namespace {

void WaitAndClose(int descriptor) {
  // A descriptor that cannot be waited on ends the wait at once, like a handle that is not valid.
  platform::WaitForDescriptor(descriptor, -1);
  platform::CloseDescriptor(descriptor);
}

}  // namespace

void WaitForViewer(uint64_t waitHandle) {
  if (waitHandle != 0) {
    WaitAndClose(waitHandle > static_cast<uint64_t>(std::numeric_limits<int>::max())
                     ? -1
                     : static_cast<int>(waitHandle));
    return;
  }
  const vesku::CLibcProcessQueries queries;
  const int parent = queries.getppid();
  // A host whose viewer is already gone has been handed to the init process; waiting for that
  // would keep it alive for good.
  if (parent <= 1) return;
  const int parentDescriptor = queries.pidfd_open(parent, 0);
  if (parentDescriptor < 0) return;
  WaitAndClose(parentDescriptor);
}

}  // namespace zel
