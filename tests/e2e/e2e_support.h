// Shared pieces of the end-to-end suites: a private work folder per test, client options for the
// built hosts, and running the host directly to look at its console output and exit code.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "client/host_client.h"

namespace zel::e2e {

// A fresh folder under the system's temporary folder, removed with the object.
class WorkFolder {
 public:
  WorkFolder();
  ~WorkFolder();
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// Options for the shipped host, or for the test build that carries the crash hook.
client::HostOptions HostOptionsFor(const WorkFolder& work, bool testHooks = false);

struct HostRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the shipped host with `arguments` to its end, in `work`, with `environment` ("NAME=value"
// entries) added to its environment.
HostRun RunHost(const std::vector<std::string>& arguments, const WorkFolder& work,
                const std::vector<std::string>& environment = {});

std::string ReadText(const std::filesystem::path& path);

client::FileRef FileOf(const std::vector<uint8_t>& bytes, const std::u16string& name,
                       const std::string& mimeType);

}  // namespace zel::e2e
