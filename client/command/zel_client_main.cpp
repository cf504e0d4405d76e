// zelClient: a command-line stand-in for the viewer. It starts one zelHost over shared memory,
// sends it the requests for one or many files (several in flight at once) and shows or writes what
// came back. Run without arguments for the usage.
//
// Options valid for every command: --host PATH (the zelHost executable; default: the one installed
// with this program, or host/zelHost in a build tree) and --work DIR (the host's work folder, which
// also receives the host's console output in zelHost-console.txt; default: a folder of this run's
// own, removed at its end unless a host crashed in it).
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "client/command/batch.h"
#include "client/command/command_line.h"
#include "client/command/console.h"
#include "client/command/file_jobs.h"
#include "client/command/output_names.h"
#include "client/host_client.h"
#include "client/host_location.h"
#include "client/private_work_folder.h"
#include "platform/memory_reuse.h"
#include "platform/terminal.h"

namespace {

// Requests in flight: one per core keeps the host busy, one more covers the time each thread
// spends reading its file and writing its pictures.
size_t DefaultJobs() {
  const size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return std::min<size_t>(cores + 1, 8);
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<zel::client::CommandLine> line =
      zel::client::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!line) {
    std::cerr << zel::client::kUsage;
    return 2;
  }
  // Every reply and its pictures are large blocks, one file after another.
  zel::platform::KeepFreedMemoryForReuse();
  try {
    const bool batch = line->files.size() > 1;
    const size_t jobs = std::min(line->files.size(),
                                 line->jobs > 0 ? static_cast<size_t>(line->jobs) : DefaultJobs());

    // Without a folder given, each run has one of its own: two runs at once would otherwise start
    // two hosts on one folder. Declared before the client, so the host has ended when it goes.
    std::optional<zel::client::CPrivateWorkFolder> ownWork;
    if (line->workFolder.empty()) ownWork.emplace("zelClient");
    zel::client::HostOptions options;
    options.hostPath = line->hostPath.empty() ? zel::client::DefaultHostPath() : line->hostPath;
    options.workFolder = ownWork ? ownWork->path() : line->workFolder;
    options.listenerCount = static_cast<int32_t>(jobs);
    // The channel size a viewer gets by default: its half-size picture budget holds a 24-megapixel
    // photo or a long animation at full size.
    options.bufferSize = -1;
    std::filesystem::create_directories(options.workFolder);
    // The host's own console lines (start-up reports, failed conversions) go to a log file so that
    // they do not mix with this program's output.
    options.consoleOutputPath = options.workFolder + "/zelHost-console.txt";
    if (line->command == "convert") std::filesystem::create_directories(line->outputFolder);

    zel::client::CHostClient client(options);
    zel::client::OutputNames names(line->outputFolder);
    const zel::client::JobContext context{client, *line, names, !batch};
    zel::client::Console console(
        line->files.size(),
        batch && zel::platform::IsTerminal(zel::platform::StandardStream::kError));
    const size_t failures = zel::client::RunBatch(context, line->files, jobs, console);
    // A crash was reported with the path of its dump.
    if (ownWork && std::filesystem::exists(client.dumpPath())) ownWork->Keep();
    return failures == 0 ? 0 : 1;
  } catch (const std::exception& error) {
    std::cerr << "zelClient: " << error.what() << "\n";
    return 1;
  }
}
