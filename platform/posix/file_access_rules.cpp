#include "platform/posix/file_access_rules.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

#include "platform/error_codes.h"

namespace zel::platform {

namespace {

// The rights of each version, spelt out because the kernel headers of the build machine may
// predate the later ones.
constexpr uint64_t kExecute = 1ULL << 0;
constexpr uint64_t kWriteFile = 1ULL << 1;
constexpr uint64_t kReadFile = 1ULL << 2;
constexpr uint64_t kReadDir = 1ULL << 3;
constexpr uint64_t kRemoveDir = 1ULL << 4;
constexpr uint64_t kRemoveFile = 1ULL << 5;
constexpr uint64_t kMakeDir = 1ULL << 7;
constexpr uint64_t kMakeReg = 1ULL << 8;
constexpr uint64_t kFirstVersionRights = (1ULL << 13) - 1;
constexpr uint64_t kRefer = 1ULL << 13;             // version 2: moving and linking between folders
constexpr uint64_t kTruncate = 1ULL << 14;          // version 3
constexpr uint64_t kIoctlDev = 1ULL << 15;          // version 5: device controls
constexpr uint64_t kNetBindTcp = 1ULL << 0;         // version 4
constexpr uint64_t kNetConnectTcp = 1ULL << 1;      // version 4
constexpr uint64_t kScopeAbstractUnix = 1ULL << 0;  // version 6
constexpr uint64_t kScopeSignal = 1ULL << 1;        // version 6

// Rights that mean something for a file rather than a folder.
constexpr uint64_t kFileRights = kExecute | kWriteFile | kReadFile | kTruncate | kIoctlDev;

// The rule set attributes as the newest kernels read them; older ones take a shorter prefix.
struct RulesetAttributes {
  uint64_t handledAccessFs;
  uint64_t handledAccessNet;
  uint64_t scoped;
};

uint64_t HandledFileRights(int32_t version) {
  uint64_t rights = kFirstVersionRights;
  if (version >= 2) rights |= kRefer;
  if (version >= 3) rights |= kTruncate;
  if (version >= 5) rights |= kIoctlDev;
  return rights;
}

// Descriptors of the paths that rules were made on, kept open for the life of the process once the
// rules are in force: a rule holds for the file system object it was made on, and procfs makes a
// new object whenever it looks a path up again after letting the old one go.
std::vector<int>& HeldPaths() {
  static std::vector<int> held;
  return held;
}

void CloseAll(const std::vector<int>& descriptors) {
  for (const int descriptor : descriptors) close(descriptor);
}

// Leaves out a path that does not exist or that the kernel takes no rule for.
void AddRule(int ruleset, const std::string& path, uint64_t rights, std::vector<int>& held) {
  const int descriptor = open(path.c_str(), O_PATH | O_CLOEXEC);
  if (descriptor < 0) return;
  struct stat status {};
  if (fstat(descriptor, &status) != 0) {
    close(descriptor);
    return;
  }
  if (!S_ISDIR(status.st_mode)) rights &= kFileRights;
  landlock_path_beneath_attr rule{};
  rule.allowed_access = rights;
  rule.parent_fd = descriptor;
  if (syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0) != 0) {
    close(descriptor);
    return;
  }
  held.push_back(descriptor);
}

}  // namespace

int32_t RestrictFileAccess(const std::vector<std::string>& readable,
                           const std::vector<std::string>& writable, int32_t& version) {
  version = 0;
  const long offered =
      syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
  if (offered <= 0) {
    const int code = offered == 0 ? ENOSYS : errno;
    // Not built into the kernel, or built in but not enabled at boot.
    return code == ENOSYS || code == EOPNOTSUPP ? kErrorNotSupported : code;
  }
  version = static_cast<int32_t>(offered);

  const uint64_t handled = HandledFileRights(version);
  RulesetAttributes attributes{handled, 0, 0};
  size_t size = sizeof(attributes.handledAccessFs);
  if (version >= 4) {
    // No port is ever allowed; the system-call filter already refuses sockets.
    attributes.handledAccessNet = kNetBindTcp | kNetConnectTcp;
    size += sizeof(attributes.handledAccessNet);
  }
  if (version >= 6) {
    attributes.scoped = kScopeAbstractUnix | kScopeSignal;
    size += sizeof(attributes.scoped);
  }
  const long ruleset = syscall(SYS_landlock_create_ruleset, &attributes, size, 0);
  if (ruleset < 0) return errno;
  const int rulesetDescriptor = static_cast<int>(ruleset);

  const uint64_t reading = kReadFile | kReadDir;
  const uint64_t writing =
      (reading | kWriteFile | kRemoveDir | kRemoveFile | kMakeDir | kMakeReg | kRefer | kTruncate) &
      handled;
  std::vector<int> held;
  for (const std::string& path : readable) AddRule(rulesetDescriptor, path, reading, held);
  for (const std::string& path : writable) AddRule(rulesetDescriptor, path, writing, held);

  const long restricted = syscall(SYS_landlock_restrict_self, rulesetDescriptor, 0);
  const int code = errno;
  close(rulesetDescriptor);
  if (restricted != 0) {
    CloseAll(held);
    return code;
  }
  HeldPaths().insert(HeldPaths().end(), held.begin(), held.end());
  return 0;
}

}  // namespace zel::platform
