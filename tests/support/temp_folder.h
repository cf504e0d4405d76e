// A fresh folder (with a random suffix, so that concurrent runs do not meet) under the system's
// temporary folder, removed with everything in it at the end of the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

namespace zel_test {

class TempFolder {
 public:
  TempFolder() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            (std::string("zel_") + test->test_suite_name() + "_" + test->name() + "_" +
             std::to_string(std::random_device()()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::u16string wide() const { return path_.u16string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace zel_test
