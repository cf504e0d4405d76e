// The developer tools as the shipped host runs them: "--convert" and "--bench-detect", their
// files, console reports and exit codes.
#include <gtest/gtest.h>

#include <Magick++.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "tests/e2e/e2e_support.h"
#include "tests/support/test_images.h"
#include "tests/support/test_pdfs.h"

namespace zel::e2e {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// Per-file lines of a benchmark report by file name, and the lines after them.
struct BenchReport {
  std::map<std::string, std::vector<std::string>> files;
  std::vector<std::string> totals;
};

BenchReport ParseBench(const std::string& out) {
  BenchReport report;
  for (const std::string& line : Lines(out)) {
    if (line.rfind("TOTAL\t", 0) == 0 || line.rfind("SURE FILES\t", 0) == 0) {
      report.totals.push_back(line);
    } else {
      std::vector<std::string> fields = Fields(line);
      report.files[fields[0]] = fields;
    }
  }
  return report;
}

// Through the bytes: the image library of this process runs under the host's policy, which lets
// it open no path.
std::pair<size_t, size_t> PngSize(const fs::path& path) {
  const std::string bytes = ReadText(path);
  Magick::Image image;
  image.ping(Magick::Blob(bytes.data(), bytes.size()));
  return {image.columns(), image.rows()};
}

class ToolsTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(work_.path() / "tmp");
    fs::create_directories(out());
  }

  fs::path in(const std::string& name) const { return work_.path() / name; }
  fs::path out() const { return work_.path() / "out"; }

  // Tools keep their temporary folders under TMPDIR: a private one keeps parallel runs apart.
  HostRun Run(const std::vector<std::string>& arguments) {
    return RunHost(arguments, work_, {"TMPDIR=" + (work_.path() / "tmp").string()});
  }

  WorkFolder work_;
};

TEST_F(ToolsTest, ConvertStillImage) {
  WriteBytes(in("still.png"), test::Encode(test::Filled(64, 48, "red"), "PNG"));
  const fs::path leftover = work_.path() / "tmp" / "zelHost_convert" / "old" / "leftover.tmp";
  fs::create_directories(leftover.parent_path());
  std::ofstream(leftover) << "x";

  const HostRun run = Run({"--convert", in("still.png").string(), out().string(), "--max-size",
                           "24x32", "--frames", "0", "--compare"});
  EXPECT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ("", run.err);
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(3u, lines.size()) << run.out;
  EXPECT_TRUE(
      std::regex_match(lines[0], std::regex("decode \\+ first frame \\d+ ms, peak \\d+ MB")))
      << lines[0];
  EXPECT_TRUE(
      std::regex_match(lines[1], std::regex("other frames \\d+ ms, total \\d+ ms, peak \\d+ MB")))
      << lines[1];
  EXPECT_EQ("canvas 32x24, 1 frame(s), sent 3072 bytes", lines[2]);
  EXPECT_EQ(
      "# canvas 32x24, frames 1, sent 3072 bytes, reserved 3072, limit 104857600\n"
      "index\twidth\theight\tx\ty\tdelay_ms\tbytes\n"
      "0\t32\t24\t0\t0\t0\t3072\n",
      ReadText(out() / "frames.tsv"));
  EXPECT_EQ(std::make_pair(size_t{32}, size_t{24}), PngSize(out() / "frame_000.png"));
  // A still image is never compared.
  EXPECT_FALSE(fs::exists(out() / "compare.tsv"));
  EXPECT_FALSE(fs::exists(leftover.parent_path()));
  EXPECT_TRUE(fs::is_directory(work_.path() / "tmp" / "zelHost_convert"));
}

TEST_F(ToolsTest, ConvertAnimationListsAndComparesEveryFrame) {
  WriteBytes(in("anim.gif"),
             test::EncodeFrames({test::AnimationFrame(20, 20, "red", "20x20+0+0", 10, 1),
                                 test::AnimationFrame(10, 10, "blue", "10x10+5+5", 20, 2),
                                 test::AnimationFrame(8, 4, "lime", "8x4+12+16", 30, 1)},
                                "GIF"));
  const HostRun run =
      Run({"--convert", in("anim.gif").string(), out().string(), "--compare", "--frames", "1"});
  EXPECT_EQ(0, run.exitCode) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(4u, lines.size()) << run.out;
  EXPECT_TRUE(
      std::regex_match(lines[2], std::regex("canvas 20x20, 3 frame\\(s\\), sent \\d+ bytes")))
      << lines[2];
  EXPECT_EQ(
      "worst frame 0: mean diff 0, changed 0% (see compare.tsv; --frames 0 writes its "
      "client/reference PNGs)",
      lines[3]);

  const std::vector<std::string> table = Lines(ReadText(out() / "frames.tsv"));
  ASSERT_EQ(5u, table.size());
  EXPECT_EQ("index\twidth\theight\tx\ty\tdelay_ms\tbytes", table[1]);
  EXPECT_EQ("0\t20\t20\t0\t0\t100\t1600", table[2]);
  EXPECT_EQ("1\t10\t10\t5\t5\t200\t400", table[3]);
  // The encoder may widen the last frame to cover what the disposal cleared.
  const std::vector<std::string> last = Fields(table[4]);
  ASSERT_EQ(7u, last.size());
  EXPECT_EQ("300", last[5]);
  const int64_t lastBytes = std::stoll(last[1]) * std::stoll(last[2]) * 4;
  EXPECT_EQ(std::to_string(lastBytes), last[6]);
  const std::string sent = std::to_string(2000 + lastBytes);
  EXPECT_EQ(
      "# canvas 20x20, frames 3, sent " + sent + " bytes, reserved " + sent + ", limit 104857600",
      table[0]);
  EXPECT_EQ("canvas 20x20, 3 frame(s), sent " + sent + " bytes", lines[2]);

  EXPECT_EQ("index\tmean_diff\tchanged_pct\n0\t0\t0\n1\t0\t0\n2\t0\t0\n",
            ReadText(out() / "compare.tsv"));
  EXPECT_TRUE(fs::exists(out() / "frame_001.png"));
  EXPECT_FALSE(fs::exists(out() / "frame_000.png"));
  EXPECT_EQ(std::make_pair(size_t{20}, size_t{20}), PngSize(out() / "client_001.png"));
  EXPECT_EQ(std::make_pair(size_t{20}, size_t{20}), PngSize(out() / "reference_001.png"));
  EXPECT_FALSE(fs::exists(out() / "client_000.png"));

  // Under a byte limit the table shows the limit, and its rows add up to what was sent.
  const HostRun limited =
      Run({"--convert", in("anim.gif").string(), out().string(), "--max-bytes", "1000"});
  EXPECT_EQ(0, limited.exitCode) << limited.err;
  const std::vector<std::string> rows = Lines(ReadText(out() / "frames.tsv"));
  ASSERT_GE(rows.size(), 3u);
  int64_t sum = 0;
  for (size_t i = 2; i < rows.size(); ++i) sum += std::stoll(Fields(rows[i]).at(6));
  EXPECT_LE(sum, 1000);
  EXPECT_NE(std::string::npos, rows[0].find(", sent " + std::to_string(sum) + " bytes"));
  EXPECT_NE(std::string::npos, rows[0].find(", limit 1000"));
}

TEST_F(ToolsTest, ConvertPdfFirstPage) {
  test::TestPage page;
  page.width = 200;
  page.height = 100;
  WriteBytes(in("doc.pdf"), test::MakePdf({page, page}));
  const HostRun run = Run({"--convert", in("doc.pdf").string(), out().string(), "--frames", "all"});
  EXPECT_EQ(0, run.exitCode) << run.err;
  const std::vector<std::string> table = Lines(ReadText(out() / "frames.tsv"));
  ASSERT_EQ(3u, table.size());
  const std::vector<std::string> row = Fields(table[2]);
  ASSERT_EQ(7u, row.size());
  const size_t width = std::stoul(row[1]);
  const size_t height = std::stoul(row[2]);
  EXPECT_GT(width, height);  // a landscape page stays landscape
  EXPECT_EQ(std::to_string(width * height * 4), row[6]);
  EXPECT_EQ(std::make_pair(width, height), PngSize(out() / "frame_000.png"));
}

TEST_F(ToolsTest, ConvertRefusesBadCommandLines) {
  WriteBytes(in("still.png"), test::Encode(test::Filled(4, 4, "red"), "PNG"));
  std::ofstream(in("empty.png"));
  const std::string file = in("still.png").string();
  const std::string usage =
      "zelHost --convert <file> <outDir> [--max-bytes N] [--max-size WxH] [--frames all|i,j,...] "
      "[--compare] [--old-scaling]\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--convert"}, usage},
      {{"--convert", file}, usage},
      {{"--convert", file, out().string(), "--max-bytes"}, "Unknown argument: --max-bytes\n"},
      {{"--convert", file, out().string(), "--max-size", "600"}, "Unknown argument: --max-size\n"},
      {{"--convert", file, out().string(), "--compare", "--verbose"},
       "Unknown argument: --verbose\n"},
      {{"--convert", in("missing.png").string(), out().string()}, "Can't open file\n"},
      {{"--convert", work_.str(), out().string()}, "Can't open file\n"},
      {{"--convert", in("empty.png").string(), out().string()}, "Bad file size\n"},
  };
  for (const auto& [arguments, error] : cases) {
    const HostRun run = Run(arguments);
    EXPECT_EQ(1, run.exitCode) << arguments.back();
    EXPECT_EQ(error, run.err) << arguments.back();
    EXPECT_EQ("", run.out) << arguments.back();
  }
  EXPECT_TRUE(fs::is_empty(out()));

  // Width 0 means no size box: the picture keeps its size.
  const HostRun unboxed = Run({"--convert", file, out().string(), "--max-size", "0x600"});
  EXPECT_EQ(0, unboxed.exitCode) << unboxed.err;
  EXPECT_NE(std::string::npos, unboxed.out.find("canvas 4x4, 1 frame(s)"));
}

TEST_F(ToolsTest, ConvertOutputFolderSpellingsAndAMissingFolder) {
  WriteBytes(in("still.png"), test::Encode(test::Filled(4, 4, "red"), "PNG"));
  for (const std::string& folder : {out().string(), out().string() + "/", out().string() + "\\"}) {
    fs::remove_all(out());
    fs::create_directories(out());
    const HostRun run = Run({"--convert", in("still.png").string(), folder, "--frames", "0"});
    EXPECT_EQ(0, run.exitCode) << folder;
    EXPECT_TRUE(fs::exists(out() / "frames.tsv")) << folder;
    EXPECT_TRUE(fs::exists(out() / "frame_000.png")) << folder;
  }

  // A folder that is not there is reported rather than skipped in silence.
  const HostRun missing =
      Run({"--convert", in("still.png").string(), (work_.path() / "nowhere").string()});
  EXPECT_EQ(0, missing.exitCode);
  EXPECT_EQ("veskFiles.CannotOpenFile\n", missing.err);
  EXPECT_FALSE(fs::exists(work_.path() / "nowhere"));
}

class BenchTest : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    folder_ = work_.path() / "pictures";
    fs::create_directories(folder_ / "sub");
    WriteBytes(folder_ / "photo.jpg",
               test::WithExif(test::Encode(test::Filled(64, 48, "blue"), "JPEG"), 6,
                              "2021:03:04 12:34:56", ""));
    WriteBytes(folder_ / "plain.png", test::Encode(test::Filled(30, 20, "red"), "PNG"));
    test::TestPage page;
    page.width = 200;
    page.height = 100;
    WriteBytes(folder_ / "doc.pdf", test::MakePdf({page}));
    WriteBytes(folder_ / "noise.bin", std::vector<uint8_t>(500, 0x5a));
    std::ofstream(folder_ / "empty.dat");
    WriteBytes(folder_ / "clip.mp4", test::Encode(test::Filled(8, 8, "red"), "PNG"));
    WriteBytes(folder_ / "sub" / "inner.png", test::Encode(test::Filled(8, 8, "red"), "PNG"));
    // A named pipe cannot be read as a file: it is passed over without a wait or a line.
    ASSERT_EQ(0, std::system(("mkfifo '" + (folder_ / "pipe").string() + "'").c_str()));
    for (const char* name : {"photo.jpg", "plain.png", "doc.pdf", "noise.bin", "empty.dat"}) {
      folderBytes_ += static_cast<int64_t>(fs::file_size(folder_ / name));
    }
  }

  fs::path folder_;
  int64_t folderBytes_ = 0;
};

TEST_F(BenchTest, PlainModeTimesTheInformationPath) {
  // Any third argument other than "--oracle" leaves the plain mode on.
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--bench-detect", folder_.string()},
        std::vector<std::string>{"--bench-detect", folder_.string() + "/", "--Oracle"}}) {
    const HostRun run = Run(arguments);
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ("", run.err);
    const BenchReport report = ParseBench(run.out);
    ASSERT_EQ(5u, report.files.size()) << run.out;
    const std::vector<std::string>& photo = report.files.at("photo.jpg");
    ASSERT_EQ(7u, photo.size());
    EXPECT_EQ(
        (std::vector<std::string>{"photo.jpg", "64", "48", "1", "90", "2021-03-04 12:34:56.000"}),
        std::vector<std::string>(photo.begin(), photo.begin() + 6));
    EXPECT_EQ("30", report.files.at("plain.png").at(1));
    EXPECT_NE("FAIL", report.files.at("doc.pdf").at(1));
    for (const char* failing : {"noise.bin", "empty.dat"}) {
      const std::vector<std::string>& line = report.files.at(failing);
      ASSERT_EQ(7u, line.size()) << failing;
      EXPECT_EQ("FAIL", line[1]);
      EXPECT_EQ("", line[2]);
    }
    ASSERT_EQ(1u, report.totals.size());
    EXPECT_TRUE(std::regex_match(report.totals[0],
                                 std::regex("TOTAL\t5 files\t3 detected\t[0-9.e+-]+ ms\tfull")))
        << report.totals[0];
  }
}

TEST_F(BenchTest, OracleModeChecksTheProbeAgainstTheFullPath) {
  const HostRun run = Run({"--bench-detect", folder_.string(), "--oracle"});
  EXPECT_EQ(0, run.exitCode) << run.err;
  const BenchReport report = ParseBench(run.out);
  ASSERT_EQ(5u, report.files.size()) << run.out;

  const std::vector<std::string>& photo = report.files.at("photo.jpg");
  ASSERT_EQ(7u, photo.size());
  EXPECT_EQ("SURE", photo[1]);
  EXPECT_EQ(std::to_string(fs::file_size(folder_ / "photo.jpg")), photo[2]);
  EXPECT_EQ("64x48 f1 a90 [2021-03-04 12:34:56.000]", photo[3]);
  EXPECT_EQ(photo[3], photo[4]);
  EXPECT_EQ("SURE", report.files.at("plain.png").at(1));
  EXPECT_EQ("30x20 f0 a0 []", report.files.at("plain.png").at(4));

  // Documents and unknown data are beyond the probe; an empty file is never offered.
  EXPECT_EQ("UNSURE", report.files.at("doc.pdf").at(1));
  EXPECT_EQ((std::vector<std::string>{"noise.bin", "UNSURE", "500", "", "FAIL"}),
            report.files.at("noise.bin"));
  EXPECT_EQ((std::vector<std::string>{"empty.dat", "UNSURE", "0", "", "FAIL"}),
            report.files.at("empty.dat"));

  ASSERT_EQ(2u, report.totals.size());
  EXPECT_EQ("TOTAL\t5 files\t2 sure (0 after NeedMore)\t3 unsure\t0 MISMATCHES", report.totals[0]);
  const int64_t sureBytes = static_cast<int64_t>(fs::file_size(folder_ / "photo.jpg") +
                                                 fs::file_size(folder_ / "plain.png"));
  EXPECT_TRUE(std::regex_match(
      report.totals[1],
      std::regex("SURE FILES\toracle [0-9.e+-]+ ms, full [0-9.e+-]+ ms; bytes sent " +
                 std::to_string(sureBytes) + " of " + std::to_string(folderBytes_) +
                 " in the folder")))
      << report.totals[1];
}

TEST_F(BenchTest, ASureAnswerThatTheFullPathCannotConfirmIsAMismatch) {
  // The header is intact, so the probe is sure; the image data is damaged, so decoding fails.
  std::vector<uint8_t> png = test::Encode(test::Filled(64, 48, "red"), "PNG");
  const std::string text(png.begin(), png.end());
  const size_t idat = text.find("IDAT");
  ASSERT_NE(std::string::npos, idat);
  png[idat + 6] ^= 0xff;
  const fs::path damaged = work_.path() / "damaged";
  fs::create_directories(damaged);
  WriteBytes(damaged / "broken.png", png);
  WriteBytes(damaged / "good.png", test::Encode(test::Filled(8, 8, "red"), "PNG"));

  const HostRun run = Run({"--bench-detect", damaged.string(), "--oracle"});
  EXPECT_EQ(2, run.exitCode) << run.err;
  const BenchReport report = ParseBench(run.out);
  const std::vector<std::string>& broken = report.files.at("broken.png");
  ASSERT_EQ(7u, broken.size()) << run.out;
  EXPECT_EQ("MISMATCH", broken[1]);
  EXPECT_EQ("64x48 f0 a0 []", broken[3]);
  EXPECT_EQ("FAIL", broken[4]);
  EXPECT_EQ("SURE", report.files.at("good.png").at(1));
  ASSERT_FALSE(report.totals.empty());
  EXPECT_EQ("TOTAL\t2 files\t2 sure (0 after NeedMore)\t0 unsure\t1 MISMATCHES", report.totals[0]);
}

TEST_F(BenchTest, FoldersThatHoldNothingOrAreMissing) {
  const fs::path onlyFolders = work_.path() / "only_folders";
  fs::create_directories(onlyFolders / "a" / "b");
  HostRun run = Run({"--bench-detect", onlyFolders.string()});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("TOTAL\t0 files\t0 detected\t0 ms\tfull\n", run.out);

  run = Run({"--bench-detect", onlyFolders.string(), "--oracle"});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(
      "TOTAL\t0 files\t0 sure (0 after NeedMore)\t0 unsure\t0 MISMATCHES\n"
      "SURE FILES\toracle 0 ms, full 0 ms; bytes sent 0 of 0 in the folder\n",
      run.out);

  run = Run({"--bench-detect", (work_.path() / "missing").string(), "--oracle"});
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ("Can't open folder\n", run.err);
  EXPECT_EQ("", run.out);

  run = Run({"--bench-detect"});
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ("Invalid arguments\n", run.err);
}

}  // namespace
}  // namespace zel::e2e
