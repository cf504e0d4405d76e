// Names for the files a run writes into its output folder. A name that a file in the folder
// already has, or that this run already handed out, is never used again: the result gets a
// numbered stem instead ("photo-1.png"), so nothing is overwritten.
#pragma once

#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace zel::client {

class OutputNames {
 public:
  explicit OutputNames(std::filesystem::path folder);

  // The paths of one result's files: `stem` followed by each of `endings` ("_frame0.png", ...),
  // all with the same stem — `stem`, else `stem`-1, `stem`-2 ... — the first for which none of
  // the names is taken. Safe to call from several threads.
  std::vector<std::string> Reserve(const std::string& stem,
                                   const std::vector<std::string>& endings);

 private:
  bool Taken(const std::string& name) const;

  const std::filesystem::path folder_;
  std::mutex mutex_;
  std::set<std::string> handedOut_;
};

}  // namespace zel::client
