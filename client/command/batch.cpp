#include "client/command/batch.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <shared_mutex>
#include <system_error>
#include <thread>

namespace zel::client {

namespace {

class BatchRun {
 public:
  BatchRun(const JobContext& context, const std::vector<std::string>& files, Console& console,
           bool concurrent)
      : context_(context), files_(files), console_(console), concurrent_(concurrent) {}

  void Work() {
    for (size_t i = next_++; i < files_.size(); i = next_++) Run(files_[i]);
  }

 private:
  std::string RunIsolatingHostDeaths(const std::string& path) {
    if (!concurrent_) return RunFileJob(context_, path);
    try {
      std::shared_lock shared(hostUse_);
      return RunFileJob(context_, path);
    } catch (const HostDied&) {
      // A host that dies takes every request in flight with it, and only one of them may have
      // caused it. Tried again with nothing else in flight, a file that fails is the culprit.
    }
    std::unique_lock alone(hostUse_);
    return RunFileJob(context_, path);
  }

  void Run(const std::string& path) {
    const std::string heading = ReportHeading(context_, path);
    // One file alone needs no name in its message; in a batch every failure names its file.
    const std::string prefix = context_.detailed ? "zelClient: " : "zelClient: " + path + ": ";
    try {
      console_.Succeeded(heading + RunIsolatingHostDeaths(path));
    } catch (const JobFailed& failure) {
      console_.Failed(prefix + failure.what(), heading + failure.report());
    } catch (const std::exception& failure) {
      console_.Failed(prefix + failure.what(), std::string());
    }
  }

  const JobContext& context_;
  const std::vector<std::string>& files_;
  Console& console_;
  const bool concurrent_;
  std::atomic<size_t> next_{0};
  std::shared_mutex hostUse_;
};

}  // namespace

size_t RunBatch(const JobContext& context, const std::vector<std::string>& files, size_t threads,
                Console& console) {
  const size_t count = std::max<size_t>(1, std::min(threads, files.size()));
  BatchRun run(context, files, console, count > 1);
  std::vector<std::thread> helpers;
  for (size_t i = 1; i < count; ++i) {
    try {
      helpers.emplace_back(&BatchRun::Work, &run);
    } catch (const std::system_error&) {
      break;  // fewer threads only means fewer files at once
    }
  }
  // The calling thread works too.
  run.Work();
  for (std::thread& helper : helpers) helper.join();
  return console.failures();
}

}  // namespace zel::client
