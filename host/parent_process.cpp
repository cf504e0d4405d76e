#include "host/parent_process.h"

#include <utility>

#include "platform/process_wait.h"
#include "util/libc_process_queries.h"

namespace zel {

ParentProcess::~ParentProcess() { platform::CloseDescriptor(descriptor_); }

ParentProcess::ParentProcess(ParentProcess&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)) {}

ParentProcess& ParentProcess::operator=(ParentProcess&& other) noexcept {
  if (this != &other) {
    platform::CloseDescriptor(descriptor_);
    descriptor_ = std::exchange(other.descriptor_, -1);
  }
  return *this;
}

ParentProcess ParentProcess::Record() {
  const vesku::CLibcProcessQueries queries;
  // 0 names a parent outside the host's process namespace, which cannot be waited for from here.
  const int parent = queries.getppid();
  if (parent <= 0) return ParentProcess();
  const int descriptor = queries.pidfd_open(parent, 0);
  if (descriptor < 0) return ParentProcess();
  // Had the parent ended between the two calls, its number could already belong to another
  // process; the host would then have been handed to a new parent, which is what tells.
  if (queries.getppid() != parent) {
    platform::CloseDescriptor(descriptor);
    return ParentProcess();
  }
  return ParentProcess(descriptor);
}

void ParentProcess::WaitUntilGone() const {
  // A descriptor of -1 fails the wait at once, which is what a parent already gone needs.
  platform::WaitForDescriptor(descriptor_, -1);
}

}  // namespace zel
