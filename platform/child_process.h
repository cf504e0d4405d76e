// Starting and watching a child process, for the viewer side that runs the host. The child gets
// exactly one extra descriptor besides the standard streams: the read end of a pipe whose write end
// the parent keeps, so that closing the write end (or the parent's death) ends the child.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/descriptors.h"
#include "platform/guard.h"

namespace zel::platform {

struct Pipe {
  DescriptorGuard readEnd;
  DescriptorGuard writeEnd;
};

// Both ends are created close-on-exec; `SpawnProcess` hands only the chosen end to the child.
// Returns 0 or the system error code.
int32_t CreatePipe(Pipe& pipe);

struct ChildProcessTraits {
  using Resource = int;  // the process id
  // Kills the child and reaps it.
  static void Close(int processId) noexcept;
};
// Owner of a started child: a child whose owner goes without having seen it end is killed and
// reaped, never left running or left a zombie. Once a wait has seen it end, the owner releases it,
// since its id may then belong to another process.
using ChildProcess = Guard<ChildProcessTraits>;

// Starts `path` with `arguments` (argument 0 included). `inherited` (or an empty guard) stays open
// under the same number in the child. With a non-empty `outputPath` the child's standard output
// and error are appended to that file instead of going where the parent's go. Returns 0 or the
// system error code.
int32_t SpawnProcess(const std::string& path, const std::vector<std::string>& arguments,
                     const DescriptorGuard& inherited, const std::string& outputPath,
                     ChildProcess& process);

enum class ProcessState { kRunning, kExited };

// Waits at most `timeoutMs` (negative: no limit) for the process `processId` to end, and reaps it
// when it is a child of this one. The exit code is the process's own, or 128 + the signal number
// when a signal ended it. Returns 0 or the system error code (`state` is then kRunning).
int32_t WaitForProcess(int processId, int32_t timeoutMs, ProcessState& state, int& exitCode);

// Ends the process at once (it cannot catch this). Returns 0 or the system error code.
int32_t KillProcess(int processId);

}  // namespace zel::platform
