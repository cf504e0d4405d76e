// The host's seccomp filter: an allow-list of the system calls that decoding, answering requests,
// waiting for the viewer and writing a crash dump use. Everything else fails.
#pragma once

#include "platform/sandbox.h"

namespace zel::platform {

// Installs the filter on every thread of the process; returns a result as
// SandboxResult::systemCalls does. The caller must have set no-new-privileges.
int32_t InstallSystemCallFilter();

}  // namespace zel::platform
