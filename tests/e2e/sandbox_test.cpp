// The host serves from inside its sandbox: every thread is filtered and may never gain
// privileges, and a request cannot start anything, reach the network, or touch files outside the
// host's own folders. Driven through the test build of the host, whose extra opcode makes those
// attempts from inside a request.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <vector>

#include "client/replies.h"
#include "rpc/archive_values.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/hooks/test_opcodes.h"
#include "tests/support/test_images.h"

namespace zel::e2e {
namespace {

namespace fs = std::filesystem;

bool HasLine(const std::string& text, const std::string& line) {
  return text.find("\n" + line + "\n") != std::string::npos;
}

TEST(HostSandbox, EveryThreadIsFilteredAndRequestsCannotReachOutside) {
  WorkFolder work;
  const fs::path secret = work.path() / "secret.txt";
  std::ofstream(secret) << "the viewer's own file";
  const fs::path escape = work.path() / "escape.txt";

  const client::HostOptions options = HostOptionsFor(work, true);
  client::CHostClient client(options);
  const test::Bytes png = test::Encode(test::Filled(3, 2, "red"), "PNG");
  // Once a request is answered, the main thread and a listener run at least.
  EXPECT_EQ(3, client.ConvertToBitmap(FileOf(png, u"a.png", "image/png"), {}).width);

  const fs::path tasks = fs::path("/proc") / std::to_string(client.hostProcessId()) / "task";
  int threads = 0;
  for (const fs::directory_entry& task : fs::directory_iterator(tasks)) {
    const std::string status = "\n" + ReadText(task.path() / "status");
    // A pool thread of a decoder may end while the list is read.
    if (status.size() == 1) continue;
    EXPECT_TRUE(HasLine(status, "Seccomp:\t2")) << task.path();
    EXPECT_TRUE(HasLine(status, "NoNewPrivs:\t1")) << task.path();
    ++threads;
  }
  EXPECT_GE(threads, 2);

  const std::u16string secretName = secret.u16string();
  const std::u16string escapeName = escape.u16string();
  const auto size =
      static_cast<int32_t>(vesk::kIntValueSize + vesk::BlockValueSize(2 * secretName.size()) +
                           vesk::BlockValueSize(2 * escapeName.size()));
  const client::RawReply reply = client.Call(size, [&](vesk::CArchiveOverBuffer& archive) {
    vesk::WriteInt(archive, kSandboxProbeOpcode);
    client::WriteWideString(archive, secretName);
    client::WriteWideString(archive, escapeName);
  });
  ASSERT_EQ(0, reply.status);
  vesk::CArchiveOverBuffer results(reply.payload.data(),
                                   static_cast<int32_t>(reply.payload.size()));
  std::vector<int32_t> codes;
  for (int i = 0; i < kSandboxProbeAttempts; ++i) codes.push_back(vesk::ReadInt(results));

  EXPECT_EQ(EPERM, codes[kStartProgram]);
  EXPECT_EQ(EPERM, codes[kStartProcess]);
  EXPECT_EQ(EPERM, codes[kOpenSocket]);
  // A kernel without file-access rules says so at start-up, and the host serves without them.
  if (ReadText(options.consoleOutputPath).find("File access restriction is not available") ==
      std::string::npos) {
    EXPECT_EQ(EACCES, codes[kReadOutside]);
    EXPECT_EQ(EACCES, codes[kCreateOutside]);
    EXPECT_FALSE(fs::exists(escape));
  }
  EXPECT_EQ(0, codes[kCreateInTemp]);

  // The refusals cost the host nothing.
  EXPECT_EQ(3, client.ConvertToBitmap(FileOf(png, u"a.png", "image/png"), {}).width);
  EXPECT_FALSE(client.lastExit().has_value());
}

}  // namespace
}  // namespace zel::e2e
