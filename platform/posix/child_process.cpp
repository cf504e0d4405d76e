#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace zel::platform {

int32_t CreatePipe(Pipe& pipe) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return errno;
  pipe.readEnd = ends[0];
  pipe.writeEnd = ends[1];
  return 0;
}

void ClosePipeEnd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

int32_t SpawnProcess(const std::string& path, const std::vector<std::string>& arguments,
                     int inheritedFd, const std::string& outputPath, int& processId) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return ENOMEM;
  // Duplicating a descriptor onto itself clears its close-on-exec flag in the child only.
  if (inheritedFd >= 0) posix_spawn_file_actions_adddup2(&actions, inheritedFd, inheritedFd);
  if (!outputPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  }
  pid_t pid = 0;
  const int result = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) return result;
  processId = pid;
  return 0;
}

namespace {

bool Reap(int processId, int& exitCode) {
  int status = 0;
  pid_t done;
  do {
    done = ::waitpid(processId, &status, WNOHANG);
  } while (done < 0 && errno == EINTR);
  if (done != processId) return false;
  exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

}  // namespace

ProcessState WaitForProcess(int processId, int32_t timeoutMs, int& exitCode) {
  if (Reap(processId, exitCode)) return ProcessState::kExited;
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, processId, 0));
  if (pidfd >= 0) {
    pollfd entry{pidfd, POLLIN, 0};
    int ready;
    do {
      ready = ::poll(&entry, 1, timeoutMs < 0 ? -1 : timeoutMs);
    } while (ready < 0 && errno == EINTR);
    ::close(pidfd);
    if (ready <= 0) return ProcessState::kRunning;
    int status = 0;
    while (::waitpid(processId, &status, 0) < 0 && errno == EINTR) {
    }
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return ProcessState::kExited;
  }
  return ProcessState::kRunning;
}

void KillProcess(int processId) {
  if (processId > 0) ::kill(processId, SIGKILL);
}

}  // namespace zel::platform
