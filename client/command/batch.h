// Files through one host, several requests in flight: each thread takes the next file, runs the
// command on it and reports it as soon as it is done.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "client/command/console.h"
#include "client/command/file_jobs.h"

namespace zel::client {

// Runs the command on every file with `threads` threads; a failing file is reported and the
// others go on. Returns the number of files that failed.
size_t RunBatch(const JobContext& context, const std::vector<std::string>& files, size_t threads,
                Console& console);

}  // namespace zel::client
