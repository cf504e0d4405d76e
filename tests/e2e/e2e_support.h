// Shared pieces of the end-to-end suites: a private work folder per test, client options for the
// built hosts, running the host directly to look at its console output and exit code, and waits
// for what a host does.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "client/host_client.h"
#include "tests/support/temp_folder.h"

namespace zel::e2e {

using WorkFolder = zel_test::TempFolder;

// Options for the shipped host, or for the test build that carries the crash hook.
client::HostOptions HostOptionsFor(const WorkFolder& work, bool testHooks = false);

struct HostRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the shell command `command` with its output, errors and exit code going to files named
// `name` in `folder`.
HostRun RunCommand(const std::string& command, const std::filesystem::path& folder,
                   const std::string& name);

// Runs the shipped host with `arguments` to its end, in `work`, with `environment` ("NAME=value"
// entries) added to its environment.
HostRun RunHost(const std::vector<std::string>& arguments, const WorkFolder& work,
                const std::vector<std::string>& environment = {});

std::string ReadText(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// Returns once the file at `path` holds `text`, however long that takes.
void AwaitText(const std::filesystem::path& path, const std::string& text);

// Returns once the process `processId` has ended (or is gone already); it need not be a child.
void AwaitProcessEnd(int processId);

client::FileRef FileOf(const std::vector<uint8_t>& bytes, const std::u16string& name,
                       const std::string& mimeType);

}  // namespace zel::e2e
