// zelClient's output when several threads finish files in any order: each file's report is
// printed whole, failures go to the error stream, and on a terminal a progress line at the
// bottom counts what is done.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

namespace zel::client {

class Console {
 public:
  // `showProgress`: keep a progress line for `total` files on the error stream.
  Console(size_t total, bool showProgress);
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // One file is done: its report (printed as is on the standard output), or its failure (one
  // line on the error stream, after what the file had reported so far).
  void Succeeded(const std::string& report);
  void Failed(const std::string& message, const std::string& report);

  size_t failures() const;

 private:
  void ClearProgress();
  void DrawProgress();

  mutable std::mutex mutex_;
  const size_t total_;
  const bool showProgress_;
  size_t done_ = 0;
  size_t failures_ = 0;
  bool progressShown_ = false;
};

}  // namespace zel::client
