// Small pieces of the tools: the summary text, file names, whole-file reads and the text tables.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/temp_folder.h"
#include "tools/image_summary_text.h"
#include "tools/tool_files.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

TEST(ImageSummaryText, FormatsEveryField) {
  ImageSummary summary;
  summary.width = 640;
  summary.height = 480;
  EXPECT_EQ("640x480 f0 a0 []", FormatImageSummary(summary));
  summary.flags = 3;
  summary.rotation = 270;
  summary.dateTaken = "2021-03-04 12:34:56.000";
  EXPECT_EQ("640x480 f3 a270 [2021-03-04 12:34:56.000]", FormatImageSummary(summary));
}

TEST(ImageSummaryText, SameMeansEveryFieldEqual) {
  ImageSummary a;
  a.width = 10;
  a.height = 20;
  a.dateTaken = "2021-03-04 12:34:56.000";
  ImageSummary b = a;
  EXPECT_TRUE(SameImageSummary(a, b));
  for (auto change : std::vector<void (*)(ImageSummary&)>{
           [](ImageSummary& s) { s.width = 11; }, [](ImageSummary& s) { s.height = 21; },
           [](ImageSummary& s) { s.flags = 1; }, [](ImageSummary& s) { s.rotation = 90; },
           [](ImageSummary& s) { s.dateTaken = "2021-03-04 12:34:56.001"; },
           [](ImageSummary& s) { s.dateTaken.clear(); }}) {
    ImageSummary changed = a;
    change(changed);
    EXPECT_FALSE(SameImageSummary(a, changed)) << FormatImageSummary(changed);
    EXPECT_FALSE(SameImageSummary(changed, a));
  }
}

TEST(ToolFiles, NamesAndFramePictures) {
  EXPECT_EQ(u"a.gif", FileNamePart(u"/x/y/a.gif"));
  EXPECT_EQ(u"a.gif", FileNamePart(u"C:\\x/y\\a.gif"));
  EXPECT_EQ(u"a.gif", FileNamePart(u"a.gif"));
  EXPECT_EQ(u"", FileNamePart(u"/x/y\\"));
  EXPECT_EQ(u"frame_000.png", NumberedPngName(u"frame", 0));
  EXPECT_EQ(u"client_042.png", NumberedPngName(u"client", 42));
  EXPECT_EQ(u"reference_1000.png", NumberedPngName(u"reference", 1000));
}

class ToolFilesOnDisk : public testing::Test {
 protected:
  std::u16string Path(const std::string& name) const {
    return vesku::ToWide((root_ / name).string());
  }

  zel_test::TempFolder folder_;
  const fs::path& root_ = folder_.path();
};

TEST_F(ToolFilesOnDisk, ReadsWholeFilesAndRefusesFolders) {
  std::ofstream(root_ / "data.bin", std::ios::binary) << "hello";
  std::ofstream(root_ / "empty.bin", std::ios::binary);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(ReadStatus::kRead, ReadWholeFile(Path("data.bin"), bytes));
  EXPECT_EQ((std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}), bytes);
  EXPECT_EQ(ReadStatus::kRead, ReadWholeFile(Path("empty.bin"), bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(ReadStatus::kCannotOpen, ReadWholeFile(Path("missing.bin"), bytes));
  EXPECT_EQ(ReadStatus::kCannotOpen, ReadWholeFile(vesku::ToWide(root_.string()), bytes));
  // A named pipe in a scanned folder must not hang the run waiting for a writer.
  ASSERT_EQ(0, std::system(("mkfifo '" + (root_ / "pipe").string() + "'").c_str()));
  EXPECT_EQ(ReadStatus::kCannotOpen, ReadWholeFile(Path("pipe"), bytes));
}

TEST_F(ToolFilesOnDisk, TextFilesReplaceAndReportFailures) {
  std::ofstream(root_ / "table.tsv") << "an older and longer table\n";
  {
    TextFile table(Path("table.tsv"));
    table.Write("a\tb\n");
    table.Write("1\t2\n");
  }
  std::ifstream in(root_ / "table.tsv", std::ios::binary);
  EXPECT_EQ("a\tb\n1\t2\n", std::string(std::istreambuf_iterator<char>(in), {}));

  try {
    TextFile missing(Path("no_such_folder/table.tsv"));
    FAIL() << "a table in a missing folder was accepted";
  } catch (const vesku::CWinException& error) {
    EXPECT_STREQ("veskFiles.CannotOpenFile", error.what());
    EXPECT_NE(0, error.code());
  }
}

}  // namespace
}  // namespace zel
