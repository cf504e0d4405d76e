#include "platform/sandbox.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fonts.h"
#include "platform/posix/file_access_rules.h"
#include "platform/posix/native_path.h"
#include "platform/posix/system_call_filter.h"

namespace zel::platform {

namespace {

// What the decoders read after start-up: their libraries (the image library loads its format
// modules, and they theirs, on first use), the shared data of those libraries (messages, colour
// names, time zones, colour profiles, fonts), the dynamic loader's cache, the number of
// processors (thread pools size themselves by it), the allocator's overcommit setting, and random
// bytes.
// clang-format off
constexpr const char* kSystemPaths[] = {
    "/lib", "/lib64", "/usr/lib", "/usr/lib64", "/usr/local/lib",
    "/usr/share", "/usr/local/share",
    "/etc/ld.so.cache", "/etc/localtime",
    "/sys/devices/system/cpu", "/proc/sys/vm/overcommit_memory",
    "/dev/urandom",
};
// clang-format on

}  // namespace

SandboxResult EnterSandbox(const std::vector<std::u16string>& writableFolders) {
  SandboxResult result;
  std::vector<std::string> readable = LoadFontConfiguration();
  readable.insert(readable.end(), std::begin(kSystemPaths), std::end(kSystemPaths));
  // The process's own entries, for the crash dump (its memory map and status) among others; no
  // other process's.
  readable.push_back("/proc/" + std::to_string(getpid()));
  std::vector<std::string> writable{"/dev/null"};
  for (const std::u16string& folder : writableFolders) {
    std::string native;
    if (ToNativePath(folder, native)) writable.push_back(native);
  }

  // Both mechanisms require that the process can never gain privileges again (through a
  // set-user-id program, for one), and it never needs to.
  if (prctl(PR_SET_NO_NEW_PRIVS, 1L, 0L, 0L, 0L) != 0) {
    result.systemCalls = result.fileAccess = errno;
    return result;
  }
  // The rules first: the filter refuses the calls that make them.
  result.fileAccess = RestrictFileAccess(readable, writable, result.fileAccessVersion);
  result.systemCalls = InstallSystemCallFilter();
  return result;
}

}  // namespace zel::platform
