#include "tests/e2e/e2e_support.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zel::e2e {

client::HostOptions HostOptionsFor(const WorkFolder& work, bool testHooks) {
  client::HostOptions options;
  options.hostPath = testHooks ? ZEL_TESTHOOKS_HOST_PATH : ZEL_HOST_PATH;
  options.workFolder = work.str();
  options.bufferSize = 16 << 20;
  options.replyTimeoutMs = 30000;
  options.consoleOutputPath = (work.path() / "console.txt").string();
  return options;
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void AwaitText(const std::filesystem::path& path, const std::string& text) {
  const int watch = inotify_init1(IN_CLOEXEC);
  if (watch < 0) throw std::runtime_error("inotify_init1");
  // Watched before the first look, so that no write between a look and the wait goes unseen.
  if (inotify_add_watch(watch, path.parent_path().c_str(), IN_CREATE | IN_MODIFY) < 0) {
    close(watch);
    throw std::runtime_error("inotify_add_watch " + path.parent_path().string());
  }
  char events[4096];
  while (ReadText(path).find(text) == std::string::npos) {
    if (read(watch, events, sizeof(events)) < 0) {
      close(watch);
      throw std::runtime_error("inotify read");
    }
  }
  close(watch);
}

void AwaitProcessEnd(int processId) {
  const int descriptor = static_cast<int>(syscall(SYS_pidfd_open, processId, 0));
  if (descriptor < 0) return;
  pollfd entry{descriptor, POLLIN, 0};
  while (poll(&entry, 1, -1) < 0 && errno == EINTR) {
  }
  close(descriptor);
}

HostRun RunCommand(const std::string& command, const std::filesystem::path& folder,
                   const std::string& name) {
  const std::filesystem::path out = folder / (name + ".out");
  const std::filesystem::path err = folder / (name + ".err");
  const std::filesystem::path code = folder / (name + ".code");
  const std::string line = command + " >'" + out.string() + "' 2>'" + err.string() +
                           "'; echo $? >'" + code.string() + "'";
  HostRun run;
  if (std::system(line.c_str()) != 0) return run;
  run.exitCode = std::stoi(ReadText(code));
  run.out = ReadText(out);
  run.err = ReadText(err);
  return run;
}

HostRun RunHost(const std::vector<std::string>& arguments, const WorkFolder& work,
                const std::vector<std::string>& environment) {
  std::string command = "cd '" + work.str() + "' && env";
  for (const std::string& entry : environment) command += " '" + entry + "'";
  command += " '" ZEL_HOST_PATH "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  return RunCommand(command, work.path(), "run");
}

client::FileRef FileOf(const std::vector<uint8_t>& bytes, const std::u16string& name,
                       const std::string& mimeType) {
  client::FileRef file;
  file.name = name;
  file.mimeType = mimeType;
  file.data = bytes.data();
  file.size = static_cast<int32_t>(bytes.size());
  return file;
}

}  // namespace zel::e2e
