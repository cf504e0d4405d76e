#include "tests/e2e/e2e_support.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace zel::e2e {

WorkFolder::WorkFolder() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("zel_e2e_" + std::to_string(std::random_device{}()) + "_" + std::to_string(++counter));
  std::filesystem::create_directories(path_);
}

WorkFolder::~WorkFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

client::HostOptions HostOptionsFor(const WorkFolder& work, bool testHooks) {
  client::HostOptions options;
  options.hostPath = testHooks ? ZEL_TESTHOOKS_HOST_PATH : ZEL_HOST_PATH;
  options.workFolder = work.str();
  options.bufferSize = 16 << 20;
  options.replyTimeoutMs = 30000;
  options.consoleOutputPath = (work.path() / "console.txt").string();
  return options;
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

HostRun RunHost(const std::vector<std::string>& arguments, const WorkFolder& work,
                const std::vector<std::string>& environment) {
  const std::filesystem::path out = work.path() / "run.out";
  const std::filesystem::path err = work.path() / "run.err";
  const std::filesystem::path code = work.path() / "run.code";
  std::string command = "cd '" + work.str() + "' && env";
  for (const std::string& entry : environment) command += " '" + entry + "'";
  command += " '" ZEL_HOST_PATH "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  command += " >'" + out.string() + "' 2>'" + err.string() + "'; echo $? >'" + code.string() + "'";
  HostRun run;
  if (std::system(command.c_str()) != 0) return run;
  run.exitCode = std::stoi(ReadText(code));
  run.out = ReadText(out);
  run.err = ReadText(err);
  return run;
}

client::FileRef FileOf(const std::vector<uint8_t>& bytes, const std::u16string& name,
                       const std::string& mimeType) {
  client::FileRef file;
  file.name = name;
  file.mimeType = mimeType;
  file.data = bytes.data();
  file.size = static_cast<int32_t>(bytes.size());
  return file;
}

}  // namespace zel::e2e
