// A host that crashes: the viewer learns of it, finds the dump, and the next request gets a new
// host. Driven through the test build of the host, whose extra opcode crashes a listener.
#include <gtest/gtest.h>
#include <sys/syscall.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/child_process.h"
#include "rpc/archive_values.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/hooks/test_opcodes.h"
#include "tests/support/blocked_thread.h"
#include "tests/support/test_images.h"

namespace zel::e2e {
namespace {

TEST(HostCrash, IsReportedWithItsDumpAndTheClientRecovers) {
  WorkFolder work;
  client::CHostClient client(HostOptionsFor(work, true));
  client.Start();
  const int firstHost = client.hostProcessId();
  try {
    client.Call(8,
                [](vesk::CArchiveOverBuffer& archive) { vesk::WriteInt(archive, kCrashOpcode); });
    FAIL() << "the crash request was answered";
  } catch (const client::HostDied& died) {
    EXPECT_TRUE(died.exit().crashed());
    EXPECT_EQ(2, died.exit().exitCode);
    EXPECT_EQ(client.dumpPath(), died.dumpPath());
  }
  const std::string dump = ReadText(client.dumpPath());
  ASSERT_GE(dump.size(), 4u);
  EXPECT_EQ("MDMP", dump.substr(0, 4));

  const test::Bytes png = test::Encode(test::Filled(5, 4, "red"), "PNG");
  const client::BitmapReply reply = client.ConvertToBitmap(FileOf(png, u"a.png", "image/png"), {});
  EXPECT_EQ(5, reply.width);
  EXPECT_NE(firstHost, client.hostProcessId());
  ASSERT_TRUE(client.lastExit().has_value());
  EXPECT_TRUE(client.lastExit()->crashed());
}

// Spends no time on the waits before restarts: it records each one and moves on by it.
class RecordingClock : public client::RestartClock {
 public:
  TimePoint Now() override {
    std::lock_guard lock(mutex_);
    return now_;
  }
  void Sleep(Duration duration) override {
    std::lock_guard lock(mutex_);
    waits_.push_back(duration);
    now_ += duration;
  }
  void Advance(Duration duration) {
    std::lock_guard lock(mutex_);
    now_ += duration;
  }
  std::vector<Duration> waits() {
    std::lock_guard lock(mutex_);
    return waits_;
  }

 private:
  std::mutex mutex_;
  TimePoint now_{std::chrono::hours(1)};
  std::vector<Duration> waits_;
};

TEST(HostCrash, HostsThatKeepCrashingAreRestartedAfterGrowingWaits) {
  using namespace std::chrono_literals;
  WorkFolder work;
  RecordingClock clock;
  client::CHostClient client(HostOptionsFor(work, true), clock);
  const auto crash = [](vesk::CArchiveOverBuffer& archive) {
    vesk::WriteInt(archive, kCrashOpcode);
  };
  std::set<int> hosts;
  for (int i = 0; i < 4; ++i) {
    client.Start();
    hosts.insert(client.hostProcessId());
    EXPECT_THROW(client.Call(8, crash), client::HostDied);
    // The request is reported, not sent to a new host: none is started until the next request.
    EXPECT_EQ(0, client.hostProcessId());
  }
  EXPECT_EQ(4u, hosts.size());
  // The first crash costs nothing; each further one in a row doubles the wait.
  using Waits = std::vector<client::RestartClock::Duration>;
  EXPECT_EQ((Waits{250ms, 500ms}), clock.waits());

  // After a quiet minute the next host starts at once.
  clock.Advance(61s);
  const test::Bytes png = test::Encode(test::Filled(2, 2, "red"), "PNG");
  EXPECT_EQ(2, client.ConvertToBitmap(FileOf(png, u"a.png", "image/png"), {}).width);
  EXPECT_EQ((Waits{250ms, 500ms}), clock.waits());
}

TEST(HostStall, ClientTimesOutAndDropsTheLateReply) {
  WorkFolder work;
  client::HostOptions options = HostOptionsFor(work, true);
  // One listener: the next request is taken only once the stalled one is answered, so the late
  // reply always reaches the client before the next one.
  options.listenerCount = 1;
  client::CHostClient client(options);
  EXPECT_THROW(
      client.Call(
          8, [](vesk::CArchiveOverBuffer& archive) { vesk::WriteInt(archive, kStallOpcode); }, 400),
      client::ReplyTimeout);
  // The stalled reply arrives later and is matched to nobody; the next call gets its own reply.
  const test::Bytes png = test::Encode(test::Filled(6, 2, "red"), "PNG");
  EXPECT_EQ(6, client.ConvertToBitmap(FileOf(png, u"a.png", "image/png"), {}).width);
}

TEST(HostCrash, CallersWaitingForRoomLearnOfTheEndOfTheHost) {
  WorkFolder work;
  client::HostOptions options = HostOptionsFor(work, true);
  options.bufferSize = 8192;
  options.replyTimeoutMs = 20000;
  client::CHostClient client(options);
  client.Start();
  // Requests that hold their listener until the host ends.
  const auto hang = [](vesk::CArchiveOverBuffer& archive) { vesk::WriteInt(archive, kHangOpcode); };
  // The first request fills most of the ring, so the second finds no room until it is freed.
  std::thread first([&] { EXPECT_THROW(client.Call(5000, hang), client::HostDied); });
  AwaitText(work.path() / "console.txt", kHangingText);
  // The host is ended once the second caller waits for room: a sleep is the one way it blocks.
  std::atomic<pid_t> second{0};
  std::thread killer([&] {
    second.wait(0);
    zel_test::AwaitBlockedIn(second, SYS_clock_nanosleep);
    platform::KillProcess(client.hostProcessId());
  });
  second = zel_test::ThisThreadId();
  second.notify_all();
  EXPECT_THROW(client.Call(5000, hang), client::HostDied);
  killer.join();
  first.join();
}

TEST(HostStall, RequestLargerThanTheChannelIsRefusedAndTheHostStaysUsable) {
  WorkFolder work;
  client::HostOptions options = HostOptionsFor(work);
  options.bufferSize = 1 << 16;
  client::CHostClient client(options);
  // The ring can never hold it, so waiting for room would only run into the time-out.
  EXPECT_THROW(client.Call(options.bufferSize, [](vesk::CArchiveOverBuffer&) {}),
               std::length_error);
  // The largest request that fits still goes through (and fails as an unknown opcode).
  const int32_t largest = options.bufferSize - 24 - 36;
  EXPECT_EQ(1, client.Call(largest, [](vesk::CArchiveOverBuffer&) {}).status);
}

}  // namespace
}  // namespace zel::e2e
