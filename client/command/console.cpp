#include "client/command/console.h"

#include <cstdio>
#include <string>

namespace zel::client {

Console::Console(size_t total, bool showProgress) : total_(total), showProgress_(showProgress) {
  std::lock_guard lock(mutex_);
  DrawProgress();
}

Console::~Console() {
  std::lock_guard lock(mutex_);
  ClearProgress();
}

void Console::ClearProgress() {
  if (!progressShown_) return;
  // Back to the start of the line and erase it, so the next text starts on a clean line.
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  progressShown_ = false;
}

void Console::DrawProgress() {
  if (!showProgress_) return;
  std::string line = std::to_string(done_) + "/" + std::to_string(total_) + " files";
  if (failures_ != 0) line += ", " + std::to_string(failures_) + " failed";
  std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
  std::fflush(stderr);
  progressShown_ = true;
}

void Console::Succeeded(const std::string& report) {
  std::lock_guard lock(mutex_);
  ClearProgress();
  std::fwrite(report.data(), 1, report.size(), stdout);
  std::fflush(stdout);
  ++done_;
  DrawProgress();
}

void Console::Failed(const std::string& message, const std::string& report) {
  std::lock_guard lock(mutex_);
  ClearProgress();
  std::fwrite(report.data(), 1, report.size(), stdout);
  // What the standard output holds comes before the failure that follows it.
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(stderr);
  ++done_;
  ++failures_;
  DrawProgress();
}

size_t Console::failures() const {
  std::lock_guard lock(mutex_);
  return failures_;
}

}  // namespace zel::client
