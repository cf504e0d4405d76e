// The host as a process: modes, exit codes and console texts, start-up work, and how it ends.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/child_process.h"
#include "rpc/archive_values.h"
#include "rpc/rpc_channel.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/hooks/test_opcodes.h"
#include "tests/unit/imaging/test_images.h"
#include "util/strings.h"

namespace zel::e2e {
namespace {

namespace fs = std::filesystem;

constexpr char kProhibited[] = "Dynamic code execution prohibited successfully.\n";

TEST(HostLifecycle, ModesAndExitCodes) {
  WorkFolder work;
  HostRun run = RunHost({}, work);
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(kProhibited, run.out);

  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"a"}, {"a", "b", "c"}, {"a", "b", "c", "d", "e", "f"}, {"--bench-detect"}}) {
    run = RunHost(arguments, work);
    EXPECT_EQ(1, run.exitCode) << arguments[0];
    EXPECT_EQ("Invalid arguments\n", run.err) << arguments[0];
  }

  run = RunHost({"channel", "abc", "1000", work.str()}, work);
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("Invalid param\n", run.err);

  // No viewer created these channels.
  run = RunHost({"missing_channel", "2", "1000", work.str()}, work);
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("API error: 2\n", run.err);
  // The same text as a channel name, with five arguments, is server mode.
  run = RunHost({"--bench-detect", "2", "1000", work.str(), "0"}, work);
  EXPECT_EQ("API error: 2\n", run.err);
  EXPECT_TRUE(fs::is_directory(work.path() / "dumps"));
  EXPECT_TRUE(fs::is_directory(work.path() / "temp"));
}

TEST(HostLifecycle, StartClearsTheTempFolderAndRestrictsTheChannels) {
  WorkFolder work;
  fs::create_directories(work.path() / "temp" / "old");
  std::ofstream(work.path() / "temp" / "old" / "leftover.tmp") << "x";
  std::ofstream(work.path() / "temp" / "leftover.tmp") << "x";

  client::HostOptions options = HostOptionsFor(work);
  client::CHostClient client(options);
  client.Start();
  // Once a request is answered, start-up is complete.
  EXPECT_EQ(1, client.Call(0, [](vesk::CArchiveOverBuffer&) {}).status);
  EXPECT_TRUE(fs::is_empty(work.path() / "temp"));

  for (const char* suffix : {"_in_", "_out_"}) {
    for (const char* prefix : {"s_", "ml_", "dre_"}) {
      const fs::path object = fs::path("/dev/shm") / (prefix + client.channelName() + suffix +
                                                      std::to_string(options.bufferSize));
      EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
                fs::status(object).permissions() & fs::perms::all)
          << object;
    }
  }
  EXPECT_EQ(kProhibited, ReadText(options.consoleOutputPath));
}

TEST(HostLifecycle, EndsWhenTheWaitDescriptorHangsUp) {
  WorkFolder work;
  const client::HostOptions options = HostOptionsFor(work);
  client::CHostClient client(options);
  client.Start();
  const fs::path mapping = fs::path("/dev/shm") / ("s_" + client.channelName() + "_in_" +
                                                   std::to_string(options.bufferSize));
  EXPECT_TRUE(fs::exists(mapping));
  const std::optional<client::HostExit> exit = client.Stop();
  ASSERT_TRUE(exit.has_value());
  EXPECT_EQ(0, exit->exitCode);
  // The client, which created the channels, leaves no names behind.
  EXPECT_FALSE(fs::exists(mapping));
}

TEST(HostLifecycle, DefaultBufferSizeOpensFullSizeChannelsWithHalfAsBudget) {
  WorkFolder work;
  client::HostOptions options = HostOptionsFor(work);
  options.bufferSize = -1;
  client::CHostClient client(options);
  // The host found channels whose names carry 209715200: it answers.
  EXPECT_EQ(1, client.Call(0, [](vesk::CArchiveOverBuffer&) {}).status);
  EXPECT_TRUE(fs::exists("/dev/shm/s_" + client.channelName() + "_in_209715200"));
  const std::vector<uint8_t> png = test::Encode(test::Filled(30, 20, "red"), "PNG");
  const client::BitmapReply reply = client.ConvertToBitmap(FileOf(png, u"a.png", "image/png"), {});
  // The pixel budget is half of the channel really opened, not half of -1.
  EXPECT_EQ(30, reply.width);
  EXPECT_EQ(20, reply.height);
}

TEST(HostLifecycle, EndsWhenItsParentProcessEnds) {
  WorkFolder work;
  const std::string name = "zel_e2e_parent_" + fs::path(work.path()).filename().string();
  constexpr int32_t kSize = 1 << 20;
  const platform::SecurityAttributes ownerOnly{0600};
  vesku_rpc::CRpcChannel replies;
  vesku_rpc::CRpcChannel requests;
  ASSERT_EQ(0, replies.Open(vesku::ToWide(name + "_in"), kSize, true, &ownerOnly, u""));
  ASSERT_EQ(0, requests.Open(vesku::ToWide(name + "_out"), kSize, true, &ownerOnly, u""));

  // An intermediate shell starts the host without a wait descriptor and then ends.
  const std::string command = "sh -c \"'" ZEL_HOST_PATH "' " + name + " 1 " +
                              std::to_string(kSize) + " '" + work.str() +
                              "' >/dev/null 2>&1 & sleep 1\"";
  ASSERT_EQ(0, std::system(command.c_str()));

  // The host marks its reply channel closed when it stops.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (replies.Header()->closed == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_NE(0, replies.Header()->closed);
  vesku_rpc::CRpcChannel::Remove(vesku::ToWide(name + "_in"), kSize, u"");
  vesku_rpc::CRpcChannel::Remove(vesku::ToWide(name + "_out"), kSize, u"");
}

TEST(HostLifecycle, EndsWithItsParentEvenWhileARequestRuns) {
  WorkFolder work;
  const std::string name = "zel_e2e_orphan_" + fs::path(work.path()).filename().string();
  constexpr int32_t kSize = 1 << 20;
  const platform::SecurityAttributes ownerOnly{0600};
  vesku_rpc::CRpcChannel replies;
  vesku_rpc::CRpcChannel requests;
  ASSERT_EQ(0, replies.Open(vesku::ToWide(name + "_in"), kSize, true, &ownerOnly, u""));
  ASSERT_EQ(0, requests.Open(vesku::ToWide(name + "_out"), kSize, true, &ownerOnly, u""));
  // A request that holds its listener until the host is ended, waiting for the host.
  const std::optional<vesku_rpc::RpcSlot> hang = requests.Allocate(8);
  ASSERT_TRUE(hang.has_value());
  vesk::CArchiveOverBuffer archive;
  archive.BindForWriting(hang->payload, 8);
  vesk::WriteInt(archive, kHangOpcode);
  requests.Post(hang->message);

  // An intermediate shell starts the host and ends once the host is inside the request.
  const fs::path pid = work.path() / "host.pid";
  const fs::path out = work.path() / "host.out";
  const fs::path release = work.path() / "release";
  const std::string command = "sh -c \"'" ZEL_TESTHOOKS_HOST_PATH "' " + name + " 1 " +
                              std::to_string(kSize) + " '" + work.str() + "' >'" + out.string() +
                              "' 2>&1 & echo \\$! >'" + pid.string() + "'; until [ -e '" +
                              release.string() + "' ]; do sleep 0.05; done\" &";
  ASSERT_EQ(0, std::system(command.c_str()));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (ReadText(out).find(kHangingText) == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::ofstream(release.string()).close();
  const int host = std::atoi(ReadText(pid).c_str());
  ASSERT_GT(host, 0);

  // The host ends soon after the shell, and not through its watchdog, which would leave a dump.
  int exitCode = 0;
  EXPECT_EQ(platform::ProcessState::kExited, platform::WaitForProcess(host, 20000, exitCode));
  EXPECT_FALSE(fs::exists(work.path() / "dumps" / "zelHost.dmp"));
  platform::KillProcess(host);
  vesku_rpc::CRpcChannel::Remove(vesku::ToWide(name + "_in"), kSize, u"");
  vesku_rpc::CRpcChannel::Remove(vesku::ToWide(name + "_out"), kSize, u"");
}

}  // namespace
}  // namespace zel::e2e
