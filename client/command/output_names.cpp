#include "client/command/output_names.h"

#include <system_error>

namespace zel::client {

OutputNames::OutputNames(std::filesystem::path folder) : folder_(std::move(folder)) {}

bool OutputNames::Taken(const std::string& name) const {
  if (handedOut_.count(name) != 0) return true;
  std::error_code error;
  // A dangling link is an entry too: writing through it could land anywhere.
  const auto status = std::filesystem::symlink_status(folder_ / name, error);
  return status.type() != std::filesystem::file_type::not_found;
}

std::vector<std::string> OutputNames::Reserve(const std::string& stem,
                                              const std::vector<std::string>& endings) {
  std::lock_guard lock(mutex_);
  for (int number = 0;; ++number) {
    const std::string candidate = number == 0 ? stem : stem + "-" + std::to_string(number);
    bool free = true;
    for (const std::string& ending : endings) {
      if (Taken(candidate + ending)) {
        free = false;
        break;
      }
    }
    if (!free) continue;
    std::vector<std::string> paths;
    for (const std::string& ending : endings) {
      handedOut_.insert(candidate + ending);
      paths.push_back((folder_ / (candidate + ending)).string());
    }
    return paths;
  }
}

}  // namespace zel::client
