// The host's seccomp filter: an allow-list of the system calls that decoding, answering requests,
// waiting for the viewer and writing a crash dump use. Everything else fails.
#pragma once

#include "platform/sandbox.h"

namespace zel::platform {

// Installs the filter on every thread of the process. The caller must have set no-new-privileges.
ConfinementResult InstallSystemCallFilter();

}  // namespace zel::platform
