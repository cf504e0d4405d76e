#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace zel::platform {

int32_t CreatePipe(Pipe& pipe) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return errno;
  pipe.readEnd.Reset(ends[0]);
  pipe.writeEnd.Reset(ends[1]);
  return 0;
}

void ChildProcessTraits::Close(int processId) noexcept {
  ::kill(processId, SIGKILL);
  while (::waitpid(processId, nullptr, 0) < 0 && errno == EINTR) {
  }
}

int32_t SpawnProcess(const std::string& path, const std::vector<std::string>& arguments,
                     const DescriptorGuard& inherited, const std::string& outputPath,
                     ChildProcess& process) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return ENOMEM;
  // Duplicating a descriptor onto itself clears its close-on-exec flag in the child only.
  if (!inherited.Empty()) {
    posix_spawn_file_actions_adddup2(&actions, inherited.Get(), inherited.Get());
  }
  if (!outputPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  }
  pid_t pid = 0;
  const int result = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) return result;
  process.Reset(pid);
  return 0;
}

namespace {

int ExitCodeOf(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool Reap(int processId, int& exitCode) {
  int status = 0;
  pid_t done;
  do {
    done = ::waitpid(processId, &status, WNOHANG);
  } while (done < 0 && errno == EINTR);
  if (done != processId) return false;
  exitCode = ExitCodeOf(status);
  return true;
}

}  // namespace

int32_t WaitForProcess(int processId, int32_t timeoutMs, ProcessState& state, int& exitCode) {
  state = ProcessState::kRunning;
  if (Reap(processId, exitCode)) {
    state = ProcessState::kExited;
    return 0;
  }
  const DescriptorGuard process(static_cast<int>(::syscall(SYS_pidfd_open, processId, 0)));
  if (process.Empty()) return errno;
  pollfd entry{process.Get(), POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&entry, 1, timeoutMs < 0 ? -1 : timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return errno;
  if (ready == 0) return 0;
  // A process that is not a child of this one cannot be reaped here; its end is all there is.
  int status = 0;
  while (::waitpid(processId, &status, 0) < 0 && errno == EINTR) {
  }
  exitCode = ExitCodeOf(status);
  state = ProcessState::kExited;
  return 0;
}

int32_t KillProcess(int processId) {
  if (processId <= 0) return ESRCH;
  return ::kill(processId, SIGKILL) == 0 ? 0 : errno;
}

}  // namespace zel::platform
