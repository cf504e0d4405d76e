// zelClient as a person runs it on many files at once: one host, every good file written, each
// failure named, nothing overwritten.
#include <gtest/gtest.h>

#include <Magick++.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/support/test_images.h"

namespace zel::e2e {
namespace {

namespace fs = std::filesystem;

// Runs zelClient with the shipped host; its output goes to files, so it is never a terminal. The
// host's work folder is named in `work`, or without `namedWork` left to zelClient, with `work`/tmp
// as the system's temporary folder.
HostRun RunClient(const std::vector<std::string>& arguments, const WorkFolder& work,
                  bool namedWork = true) {
  std::string command = namedWork ? "'" ZEL_CLIENT_PATH "' --host '" ZEL_HOST_PATH "' --work '" +
                                        (work.path() / "host").string() + "'"
                                  : "TMPDIR='" + (work.path() / "tmp").string() +
                                        "' '" ZEL_CLIENT_PATH "' --host '" ZEL_HOST_PATH "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  return RunCommand(command, work.path(), "client");
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class ClientCommand : public ::testing::Test {
 protected:
  void SetUp() override { Magick::InitializeMagick(nullptr); }

  std::string Input(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = work_.path() / "in" / name;
    fs::create_directories(path.parent_path());
    WriteBytes(path, bytes);
    return path.string();
  }

  WorkFolder work_;
};

TEST_F(ClientCommand, BatchWritesEveryGoodFileAndNamesEachFailure) {
  std::vector<Magick::Image> frames = {
      test::AnimationFrame(8, 6, "red", Magick::Geometry(8, 6, 0, 0), 10, 1),
      test::AnimationFrame(8, 6, "blue", Magick::Geometry(8, 6, 0, 0), 10, 1)};
  const std::vector<std::string> files = {
      Input("still.png", test::Encode(test::Filled(30, 20, "#00FF0080"), "PNG")),
      Input("broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3}),
      Input("photo.jpg", test::Encode(test::Filled(40, 30, "orange"), "JPEG")),
      (work_.path() / "in" / "missing.png").string(),
      Input("moving.gif", test::EncodeFrames(frames, "GIF")),
  };
  const fs::path out = work_.path() / "out";
  std::vector<std::string> arguments = {"convert"};
  arguments.insert(arguments.end(), files.begin(), files.end());
  arguments.push_back(out.string());

  const HostRun run = RunClient(arguments, work_);
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(
      (std::set<std::string>{"still.png", "photo.png", "moving_frame0.png", "moving_frame1.png"}),
      Names(out));
  // One line per failure, naming the file; the good files are reported on the standard output.
  EXPECT_EQ(2u, Count(run.err, "\n")) << run.err;
  EXPECT_EQ(1u, Count(run.err, files[1] + ": ")) << run.err;
  EXPECT_EQ(1u, Count(run.err, files[3] + ": ")) << run.err;
  EXPECT_EQ(3u, Count(run.out, " -> ")) << run.out;
  // No progress line when nobody watches a terminal.
  EXPECT_EQ(std::string::npos, (run.out + run.err).find('\r'));

  // Opaque frames are stored as RGB (PNG colour type 2), the see-through still keeps its alpha.
  EXPECT_EQ(2, ReadText(out / "moving_frame1.png").at(25));
  EXPECT_EQ(6, ReadText(out / "still.png").at(25));

  // Facts of several files: each report under its file's heading, the failure named.
  const HostRun info = RunClient({"info", files[0], files[1], files[2]}, work_);
  EXPECT_EQ(1, info.exitCode);
  EXPECT_NE(std::string::npos, info.out.find("==> " + files[0] + " <==\nsize 30x20\n"));
  EXPECT_NE(std::string::npos, info.out.find("==> " + files[2] + " <==\nsize 40x30\n"));
  EXPECT_EQ(1u, Count(info.err, files[1] + ": ")) << info.err;

  fs::remove_all(out);
  EXPECT_EQ(0, RunClient({"convert", files[0], files[2], out.string()}, work_).exitCode);
}

TEST_F(ClientCommand, CollidingNamesGetANumberInsteadOfOverwriting) {
  const std::string first = Input("a/x.png", test::Encode(test::Filled(5, 4, "red"), "PNG"));
  const std::string second = Input("b/x.jpg", test::Encode(test::Filled(6, 4, "blue"), "JPEG"));
  const fs::path out = work_.path() / "out";
  fs::create_directories(out);
  std::ofstream(out / "x.png") << "written before";

  ASSERT_EQ(0, RunClient({"convert", first, second, out.string(), "--jobs", "2"}, work_).exitCode);
  EXPECT_EQ((std::set<std::string>{"x.png", "x-1.png", "x-2.png"}), Names(out));
  EXPECT_EQ("written before", ReadText(out / "x.png"));
  std::set<size_t> widths;
  for (const char* name : {"x-1.png", "x-2.png"}) {
    // From bytes: the test process runs under the host's image policy, which reads no path.
    const std::string png = ReadText(out / name);
    widths.insert(Magick::Image(Magick::Blob(png.data(), png.size())).columns());
  }
  EXPECT_EQ((std::set<size_t>{5, 6}), widths);

  // Another format's names are taken apart from these; run again, the taken one gets a number.
  ASSERT_EQ(0, RunClient({"convert", first, out.string(), "--format", "bmp"}, work_).exitCode);
  EXPECT_EQ(1u, Names(out).count("x.bmp"));
  ASSERT_EQ(0, RunClient({"convert", first, out.string(), "--format", "bmp"}, work_).exitCode);
  EXPECT_EQ(1u, Names(out).count("x-1.bmp"));

  // The frames of an animation keep one stem: one taken frame name moves them all.
  std::vector<Magick::Image> frames = {
      test::AnimationFrame(4, 4, "red", Magick::Geometry(4, 4, 0, 0), 10, 1),
      test::AnimationFrame(4, 4, "blue", Magick::Geometry(4, 4, 0, 0), 10, 1)};
  const std::string animation = Input("m.gif", test::EncodeFrames(frames, "GIF"));
  std::ofstream(out / "m_frame1.png") << "written before";
  ASSERT_EQ(0, RunClient({"convert", animation, out.string()}, work_).exitCode);
  EXPECT_EQ(1u, Names(out).count("m-1_frame0.png"));
  EXPECT_EQ(1u, Names(out).count("m-1_frame1.png"));
  EXPECT_EQ(0u, Names(out).count("m_frame0.png"));
}

// Two runs at once must not start two hosts on one folder, where the second clears what the first
// is working with: without --work each run has a folder of its own, gone at its end.
TEST_F(ClientCommand, ARunWithoutAWorkFolderHasItsOwnAndLeavesNothing) {
  const std::string png = Input("a.png", test::Encode(test::Filled(5, 4, "red"), "PNG"));
  const fs::path tmp = work_.path() / "tmp";
  const fs::path otherRun = tmp / "zelClient.work";
  fs::create_directories(otherRun / "temp");
  std::ofstream(otherRun / "temp" / "in-use.tmp") << "x";

  const HostRun run = RunClient({"info", png}, work_, false);
  EXPECT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ(std::set<std::string>{"zelClient.work"}, Names(tmp));
  EXPECT_TRUE(fs::exists(otherRun / "temp" / "in-use.tmp"));
}

}  // namespace
}  // namespace zel::e2e
