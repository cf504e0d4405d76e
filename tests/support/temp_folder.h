// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes. The system makes the name unique, so runs and suites at the same time never meet.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace zel_test {

class TempFolder {
 public:
  // The folder's name starts with the running test's name, or with `purpose` outside a test.
  explicit TempFolder(const std::string& purpose = "suite") {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name =
        test != nullptr ? std::string(test->test_suite_name()) + "_" + test->name() : purpose;
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("zel_" + name + "_XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp " + pattern);
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::u16string wide() const { return path_.u16string(); }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace zel_test
