#include "tests/e2e/hooks/sandbox_probe.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>

#include "imaging/image_library.h"
#include "rpc/archive_values.h"
#include "tests/e2e/hooks/test_opcodes.h"
#include "util/strings.h"

extern char** environ;

namespace zel {

namespace {

int32_t OpenAndClose(const std::string& path, int flags) {
  const int descriptor = open(path.c_str(), flags | O_CLOEXEC, 0600);
  if (descriptor < 0) return errno;
  close(descriptor);
  return 0;
}

int32_t StartProgram() {
  char name[] = "true";
  char* const arguments[] = {name, nullptr};
  execve("/bin/true", arguments, environ);
  // Only a failed execve returns.
  return errno;
}

int32_t StartProcess() {
  const pid_t child = fork();
  if (child < 0) return errno;
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return 0;
}

int32_t OpenSocket() {
  const int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return errno;
  close(descriptor);
  return 0;
}

}  // namespace

void AnswerSandboxProbe(vesk::CArchiveOverBuffer& request, vesku_rpc::IServerResponder& responder) {
  const std::string outsideFile = vesku::ToUtf8(vesk::ReadWideString(request));
  const std::string outsideNewFile = vesku::ToUtf8(vesk::ReadWideString(request));
  const std::string ownNewFile = vesku::ToUtf8(ImageTempFolder()) + "/sandbox_probe";

  std::array<int32_t, kSandboxProbeAttempts> results{};
  results[kReadOutside] = OpenAndClose(outsideFile, O_RDONLY);
  results[kCreateOutside] = OpenAndClose(outsideNewFile, O_WRONLY | O_CREAT | O_EXCL);
  results[kCreateInTemp] = OpenAndClose(ownNewFile, O_WRONLY | O_CREAT | O_EXCL);
  unlink(ownNewFile.c_str());
  results[kStartProgram] = StartProgram();
  results[kStartProcess] = StartProcess();
  results[kOpenSocket] = OpenSocket();

  vesk::CArchiveOverBuffer reply;
  responder.GetReplyBuffer(reply, kSandboxProbeAttempts * vesk::kIntValueSize);
  for (const int32_t result : results) vesk::WriteInt(reply, result);
}

}  // namespace zel
