// Starting and watching a child process, for the viewer side that runs the host. The child gets
// exactly one extra descriptor besides the standard streams: the read end of a pipe whose write end
// the parent keeps, so that closing the write end (or the parent's death) ends the child.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::platform {

struct Pipe {
  int readEnd = -1;
  int writeEnd = -1;
};

// Both ends are created close-on-exec; `SpawnProcess` hands only the chosen end to the child.
// Returns 0 or the system error code.
int32_t CreatePipe(Pipe& pipe);

// Closes `fd` (when open) and sets it to -1.
void ClosePipeEnd(int& fd);

// Starts `path` with `arguments` (argument 0 included). `inheritedFd` (or -1) stays open under the
// same number in the child. With a non-empty `outputPath` the child's standard output and error
// are appended to that file instead of going where the parent's go. Returns 0 and the process id,
// or the system error code.
int32_t SpawnProcess(const std::string& path, const std::vector<std::string>& arguments,
                     int inheritedFd, const std::string& outputPath, int& processId);

enum class ProcessState { kRunning, kExited };

// Waits at most `timeoutMs` (negative: no limit) for the child to end and reaps it. The exit code
// is the process's own, or 128 + the signal number when a signal ended it.
ProcessState WaitForProcess(int processId, int32_t timeoutMs, int& exitCode);

// Ends the child at once (it cannot catch this).
void KillProcess(int processId);

}  // namespace zel::platform
