#include "client/host_location.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/system_library.h"

namespace zel::client {
namespace {

// The folder of the library or program that holds this code, with links resolved, so that a link
// to the program in another folder still leads to the real install.
std::filesystem::path OwnFolder() {
  std::string file;
  const platform::ModuleHandle module =
      platform::ModuleContaining(reinterpret_cast<const void*>(&DefaultHostPath));
  if (module == nullptr || platform::ModuleFileName(module, file) != 0) return {};
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(file, error);
  return (error ? std::filesystem::path(file) : resolved).parent_path();
}

// `folder` with the install sub-folder `subFolder` ("lib", "lib/x86_64-linux-gnu", "bin") taken
// off its end; empty when it does not end in it.
std::filesystem::path PrefixAbove(const std::filesystem::path& folder,
                                  const std::filesystem::path& subFolder) {
  std::filesystem::path prefix = folder;
  const std::filesystem::path sub = subFolder.lexically_normal();
  for (auto part = sub.end(); part != sub.begin();) {
    --part;
    if (part->empty()) continue;
    if (prefix.filename() != *part) return {};
    prefix = prefix.parent_path();
  }
  return prefix;
}

}  // namespace

std::string DefaultHostPath() {
  if (const char* named = std::getenv(kHostPathVariable); named != nullptr && *named != 0) {
    return named;
  }
  const std::filesystem::path folder = OwnFolder();
  // Without its own location the client would have to guess, and a guess means the current folder.
  if (folder.empty()) throw std::runtime_error("Cannot tell where zelHost is installed");
  for (const char* subFolder : {ZEL_INSTALL_LIBDIR, ZEL_INSTALL_BINDIR}) {
    const std::filesystem::path prefix = PrefixAbove(folder, subFolder);
    if (!prefix.empty()) {
      return (prefix / ZEL_INSTALL_HOSTDIR / "zelHost").string();
    }
  }
  return (folder.parent_path() / "host" / "zelHost").string();
}

}  // namespace zel::client
