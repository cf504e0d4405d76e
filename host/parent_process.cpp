#include "host/parent_process.h"

#include "platform/process_wait.h"

namespace zel {

ParentProcess ParentProcess::Record() {
  ParentProcess parent;
  // A parent that cannot be held cannot be waited for either: it counts as gone.
  platform::OpenParentProcess(parent.process_);
  return parent;
}

void ParentProcess::WaitUntilGone() const {
  // An empty descriptor fails the wait at once, which is what a parent already gone needs.
  bool signalled = false;
  platform::WaitForDescriptor(process_, -1, signalled);
}

}  // namespace zel
