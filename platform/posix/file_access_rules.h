// The host's Landlock rule set: the listed folders and files readable, others writable too, and
// nothing else of the file system reachable. Where the kernel's version has them, TCP ports,
// abstract sockets and signals to processes outside the sandbox are closed as well.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sandbox.h"

namespace zel::platform {

// Restricts the calling thread and the threads it starts later. Paths that do not exist are left
// out. Returns a result as SandboxResult::fileAccess does. `version` receives the rule set version
// the kernel offers (0 without one). The caller must have set no-new-privileges.
int32_t RestrictFileAccess(const std::vector<std::string>& readable,
                           const std::vector<std::string>& writable, int32_t& version);

}  // namespace zel::platform
