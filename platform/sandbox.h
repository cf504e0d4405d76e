// Confinement of a process that is about to handle hostile input: a system-call filter that keeps
// only what decoding and answering need (no new programs or processes, no network, no debugging of
// other processes, no mounts, namespaces or keyrings), and file-access rules that leave the
// system's libraries and shared read-only data readable and only the process's own folders
// writable. Both last for the life of the process and cover every thread started afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/error_codes.h"

namespace zel::platform {

// What became of each part: 0 applied, kErrorNotSupported when the system has no such mechanism
// or it is switched off, otherwise the system error code of the refusal.
struct SandboxResult {
  int32_t systemCalls = 0;
  int32_t fileAccess = 0;
  // The version of the file-access mechanism that was used (0 when it is unavailable): later
  // versions also govern truncation, device controls, network ports and signals to other
  // processes.
  int32_t fileAccessVersion = 0;
};

// Confines the calling process for good; whatever part the system refuses is reported and left
// out. `writableFolders` are the only places where files may then be created, written or deleted.
// The file-access rules bind the calling thread and the threads it starts later, so this must run
// while the calling thread is the only one that will ever touch untrusted data. Loads the font
// configuration first, since its files become readable only through the rules.
SandboxResult EnterSandbox(const std::vector<std::u16string>& writableFolders);

}  // namespace zel::platform
