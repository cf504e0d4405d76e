// One command applied to one file: read it, send the request(s) to the host, write or describe
// what came back. Each job returns its report as text so that files finishing on several threads
// never mix their lines; a failure is an exception.
#pragma once

#include <stdexcept>
#include <string>

#include "client/command/command_line.h"
#include "client/command/output_names.h"
#include "client/host_client.h"

namespace zel::client {

struct JobContext {
  CHostClient& client;
  const CommandLine& line;
  OutputNames& names;  // where convert puts its files
  // One file alone gets the full report (every frame listed) and messages without its name; a
  // batch gets a line per file and every message names its file.
  bool detailed = true;
};

// A job that ran but did not get what it needed; what it had found out still goes out.
class JobFailed : public std::runtime_error {
 public:
  JobFailed(std::string report, const std::string& reason)
      : std::runtime_error(reason), report_(std::move(report)) {}
  const std::string& report() const { return report_; }

 private:
  std::string report_;
};

std::string RunFileJob(const JobContext& context, const std::string& path);

// What goes before a file's report so that the reports of several files are told apart.
std::string ReportHeading(const JobContext& context, const std::string& path);

}  // namespace zel::client
