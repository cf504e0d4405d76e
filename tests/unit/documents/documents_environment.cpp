#include "tests/unit/documents/documents_environment.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "pdfium/fpdfview.h"
#include "util/strings.h"

namespace zel::test {
namespace {

class DocumentsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::filesystem::create_directories(DocumentTempFolder());
    FPDF_InitLibrary();
  }
  void TearDown() override { std::filesystem::remove_all(DocumentTempFolder()); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new DocumentsEnvironment);

}  // namespace

const std::string& DocumentTempFolder() {
  static const std::string folder = (std::filesystem::temp_directory_path() /
                                     ("zel_documents_" + std::to_string(::getpid()) + "_temp"))
                                        .string();
  return folder;
}

const std::u16string& ConverterTempFolder() {
  static const std::u16string folder = vesku::ToWide(DocumentTempFolder());
  return folder;
}

}  // namespace zel::test
