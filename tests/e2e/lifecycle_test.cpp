// The host as a process: modes, exit codes and console texts, start-up work, and how it ends.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <optional>

#include "platform/child_process.h"
#include "rpc/archive_values.h"
#include "rpc/rpc_channel.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/hooks/test_opcodes.h"
#include "tests/support/test_images.h"
#include "util/strings.h"

namespace zel::e2e {
namespace {

namespace fs = std::filesystem;

constexpr char kProhibited[] = "Dynamic code execution prohibited successfully.\n";
constexpr char kUnavailable[] = "SetProcessMitigationPolicy is not available on this system.\n";
constexpr char kRefused[] = "Failed to set dynamic code policy. Error: ";

// Kernels before 6.3 (Debian 12 has 6.1) have no control that forbids dynamic code; the host then
// says so and carries on. Either report is right.
bool IsDynamicCodeReport(const std::string& out, const std::string& err) {
  if (out == kProhibited) return err.empty();
  return out.empty() &&
         (err == kUnavailable || (err.rfind(kRefused, 0) == 0 && err.back() == '\n'));
}

TEST(HostLifecycle, ModesAndExitCodes) {
  WorkFolder work;
  HostRun run = RunHost({}, work);
  EXPECT_EQ(0, run.exitCode);
  EXPECT_TRUE(IsDynamicCodeReport(run.out, run.err)) << run.out << run.err;

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
  // Both console streams go to the one file.
  const std::string console = ReadText(options.consoleOutputPath);
  EXPECT_TRUE(IsDynamicCodeReport(console, "") || IsDynamicCodeReport("", console)) << console;
}

// Two hosts given one work folder: the second one's start-up leaves alone what the first one has
// in its temp folder, and only a host that finds nobody else using the folder clears it.
TEST(HostLifecycle, ATempFolderInUseIsNotClearedByAnotherHost) {
  WorkFolder work;
  const fs::path inUse = work.path() / "temp" / "in-use.tmp";
  const auto started = [](client::CHostClient& client) {
    return client.Call(0, [](vesk::CArchiveOverBuffer&) {}).status == 1;
  };
  {
    client::CHostClient first(HostOptionsFor(work));
    ASSERT_TRUE(started(first));
    std::ofstream(inUse) << "x";
    client::CHostClient second(HostOptionsFor(work));
    ASSERT_TRUE(started(second));
    EXPECT_NE(first.channelName(), second.channelName());
    EXPECT_TRUE(fs::exists(inUse));
  }
  client::CHostClient third(HostOptionsFor(work));
  ASSERT_TRUE(started(third));
  EXPECT_FALSE(fs::exists(inUse));
}

TEST(HostLifecycle, ARefusedDynamicCodeProhibitionIsReportedAndStartUpGoesOn) {
  WorkFolder work;
  // The shim answers the kernel's control with the error given, as kernels without it do.
  const auto refusing = [](const std::string& error) {
    return std::vector<std::string>{"LD_PRELOAD=" ZEL_PRCTL_SHIM_PATH,
                                    "ZEL_TEST_MDWE_ERROR=" + error,
                                    "ASAN_OPTIONS=verify_asan_link_order=0"};
  };
  HostRun run = RunHost({}, work, refusing("22"));
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("", run.out);
  EXPECT_EQ(kUnavailable, run.err);

  run = RunHost({"missing_channel", "2", "1000", work.str()}, work, refusing("1"));
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("", run.out);
  EXPECT_EQ(std::string(kRefused) + "1\nAPI error: 2\n", run.err);
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

// The two channels of a viewer that starts its host by hand, owner-only, removed with the
// object. `opened` tells whether both opened.
struct ViewerChannels {
  static constexpr int32_t kSize = 1 << 20;

  explicit ViewerChannels(std::string channelName) : name(std::move(channelName)) {
    const platform::SecurityAttributes ownerOnly{0600};
    opened = replies.Open(vesku::ToWide(name + "_in"), kSize, true, &ownerOnly, u"") == 0 &&
             requests.Open(vesku::ToWide(name + "_out"), kSize, true, &ownerOnly, u"") == 0;
  }
  ~ViewerChannels() {
    vesku_rpc::CRpcChannel::Remove(vesku::ToWide(name + "_in"), kSize, u"");
    vesku_rpc::CRpcChannel::Remove(vesku::ToWide(name + "_out"), kSize, u"");
  }

  const std::string name;
  vesku_rpc::CRpcChannel replies;
  vesku_rpc::CRpcChannel requests;
  bool opened = false;
};

// Waits until `path` exists, using only system calls: it also runs in children forked from the
// test. A negative `timeoutMs` waits as long as it takes.
bool AwaitCreation(int watch, const char* path, int timeoutMs) {
  struct stat status {};
  pollfd entry{watch, POLLIN, 0};
  while (stat(path, &status) != 0) {
    if (poll(&entry, 1, timeoutMs) <= 0) return false;
    char events[4096];
    if (read(watch, events, sizeof(events)) < 0) return false;
  }
  return true;
}

// A viewer process of its own that starts the host with `arguments` (its console going to
// `console`) and lives until End(). The host's parent is then gone, as when a viewer exits.
class ViewerProcess {
 public:
  ViewerProcess(const std::vector<std::string>& arguments, const fs::path& console) {
    // Everything the forked process uses is made before the fork.
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const std::string consolePath = console.string();
    int hostPid[2];
    if (pipe2(hostPid, O_CLOEXEC) != 0 || pipe2(release_, O_CLOEXEC) != 0)
      throw std::runtime_error("pipe");
    viewer_ = fork();
    if (viewer_ < 0) throw std::runtime_error("fork");
    if (viewer_ == 0) {
      const pid_t host = fork();
      if (host == 0) {
        const int output = open(consolePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(output, 1);
        dup2(output, 2);
        execv(argv[0], argv.data());
        _exit(127);
      }
      if (write(hostPid[1], &host, sizeof(host)) != sizeof(host)) _exit(1);
      // Lives until the test closes its end of the pipe.
      close(release_[1]);
      char byte = 0;
      while (read(release_[0], &byte, 1) > 0) {
      }
      _exit(0);
    }
    close(hostPid[1]);
    close(release_[0]);
    if (read(hostPid[0], &host_, sizeof(host_)) != static_cast<ssize_t>(sizeof(host_))) host_ = 0;
    close(hostPid[0]);
  }
  // A host left behind by a failed test ends with its viewer.
  ~ViewerProcess() { End(); }

  pid_t host() const { return host_; }

  void End() {
    if (viewer_ <= 0) return;
    close(release_[1]);
    int status = 0;
    waitpid(viewer_, &status, 0);
    viewer_ = 0;
  }

 private:
  pid_t viewer_ = 0;
  pid_t host_ = 0;
  int release_[2] = {-1, -1};
};

TEST(HostLifecycle, EndsWhenItsParentProcessEnds) {
  WorkFolder work;
  ViewerChannels channels("zel_e2e_parent_" + fs::path(work.path()).filename().string());
  ASSERT_TRUE(channels.opened);
  const std::string& name = channels.name;
  vesku_rpc::CRpcChannel& replies = channels.replies;

  // The viewer starts the host without a wait descriptor and ends once the host has taken note
  // of it: the dumps folder is made after that.
  const int watch = inotify_init1(IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  inotify_add_watch(watch, work.path().c_str(), IN_CREATE);
  ViewerProcess viewer(
      {ZEL_HOST_PATH, name, "1", std::to_string(ViewerChannels::kSize), work.str()}, "/dev/null");
  ASSERT_GT(viewer.host(), 0);
  EXPECT_TRUE(AwaitCreation(watch, (work.path() / "dumps").c_str(), -1));
  close(watch);
  viewer.End();

  // The host marks its reply channel closed when it stops.
  AwaitProcessEnd(viewer.host());
  EXPECT_NE(0, replies.Header()->closed);
}

// The flags that let `unshare` make a PID namespace here: none as root, a user namespace
// otherwise. Empty when neither works, with the reason in `why`.
std::optional<std::string> PidNamespaceFlags(std::string& why) {
  for (const char* flags : {"--pid --fork", "--user --map-root-user --pid --fork"}) {
    const std::string command = std::string("unshare ") + flags + " true 2>/dev/null";
    if (std::system(command.c_str()) == 0) return std::string(flags);
  }
  why =
      "unshare cannot make a PID namespace on this machine (neither as root nor in a user "
      "namespace), so a viewer that is process 1 cannot be staged";
  return std::nullopt;
}

TEST(HostLifecycle, ServesAViewerThatIsProcessOne) {
  std::string why;
  const std::optional<std::string> flags = PidNamespaceFlags(why);
  if (!flags) GTEST_SKIP() << why;
  WorkFolder work;
  // The viewer is process 1 of a new PID namespace, as a container's main process is: it starts
  // the host with four arguments (no wait descriptor) and lives until the client's wait
  // descriptor, the fifth argument, hangs up.
  const fs::path viewer = work.path() / "viewer.sh";
  // bash, since dash cannot redirect from a descriptor above 9.
  std::ofstream(viewer) << "#!/bin/sh\nexec unshare " << *flags
                        << R"( bash -c '"$0" "$1" "$2" "$3" "$4" & exec cat <&"$5" >/dev/null' ')"
                        << ZEL_TESTHOOKS_HOST_PATH << "' \"$@\"\n";
  fs::permissions(viewer, fs::perms::owner_all);
  client::HostOptions options = HostOptionsFor(work, true);
  options.hostPath = viewer.string();
  client::CHostClient client(options);
  // A host that took process 1 for a viewer already gone stops serving as soon as it has
  // started, and marks its reply channel closed while this request still holds a listener.
  EXPECT_EQ(
      1,
      client
          .Call(8, [](vesk::CArchiveOverBuffer& archive) { vesk::WriteInt(archive, kStallOpcode); })
          .status);
  vesku_rpc::CRpcChannel replies;
  ASSERT_EQ(0, replies.Open(vesku::ToWide(client.channelName() + "_in"), options.bufferSize, false,
                            nullptr, u""));
  EXPECT_EQ(0, replies.Header()->closed);
}

TEST(HostLifecycle, EndsWhenItsViewerEndsDuringStartUpUnderASubreaper) {
  WorkFolder work;
  ViewerChannels channels("zel_e2e_reaper_" + fs::path(work.path()).filename().string());
  ASSERT_TRUE(channels.opened);
  const std::string& name = channels.name;
  vesku_rpc::CRpcChannel& replies = channels.replies;

  // Everything the forked processes use is made before the fork.
  const std::string size = std::to_string(ViewerChannels::kSize);
  const std::string folder = work.str();
  const std::string dumps = (work.path() / "dumps").string();
  const char* const argv[] = {ZEL_HOST_PATH, name.c_str(),   "1",
                              size.c_str(),  folder.c_str(), nullptr};
  int hostPid[2];
  ASSERT_EQ(0, pipe(hostPid));
  // A subreaper (a session manager, a service supervisor) inherits the orphans below it; the
  // viewer starts the host and ends as soon as the host has begun its start-up.
  const pid_t reaper = fork();
  ASSERT_GE(reaper, 0);
  if (reaper == 0) {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    const pid_t viewer = fork();
    if (viewer == 0) {
      const int watch = inotify_init1(IN_CLOEXEC);
      inotify_add_watch(watch, folder.c_str(), IN_CREATE);
      const pid_t host = fork();
      if (host == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(argv[0], const_cast<char* const*>(argv));
        _exit(127);
      }
      if (write(hostPid[1], &host, sizeof(host)) != sizeof(host)) _exit(1);
      // The dumps folder is made after the host has taken note of its parent.
      // At most 30 seconds: a viewer left waiting would keep the test from reaping it.
      _exit(AwaitCreation(watch, dumps.c_str(), 30000) ? 0 : 1);
    }
    int status = 0;
    while (wait(&status) > 0) {
    }
    _exit(0);
  }
  close(hostPid[1]);
  pid_t host = 0;
  ASSERT_EQ(static_cast<ssize_t>(sizeof(host)), read(hostPid[0], &host, sizeof(host)));
  close(hostPid[0]);

  // The host marks its reply channel closed when it stops; one that waited for the subreaper
  // would never get here.
  AwaitProcessEnd(host);
  EXPECT_NE(0, replies.Header()->closed);
  int status = 0;
  waitpid(reaper, &status, 0);
}

TEST(HostLifecycle, EndsWithItsParentEvenWhileARequestRuns) {
  WorkFolder work;
  ViewerChannels channels("zel_e2e_orphan_" + fs::path(work.path()).filename().string());
  ASSERT_TRUE(channels.opened);
  const std::string& name = channels.name;
  vesku_rpc::CRpcChannel& requests = channels.requests;
  // A request that holds its listener until the host is ended, waiting for the host.
  const std::optional<vesku_rpc::RpcSlot> hang = requests.Allocate(8);
  ASSERT_TRUE(hang.has_value());
  vesk::CArchiveOverBuffer archive;
  archive.BindForWriting(hang->payload, 8);
  vesk::WriteInt(archive, kHangOpcode);
  requests.Post(hang->message);

  // The viewer starts the host and ends once the host is inside the request.
  const fs::path out = work.path() / "host.out";
  ViewerProcess viewer(
      {ZEL_TESTHOOKS_HOST_PATH, name, "1", std::to_string(ViewerChannels::kSize), work.str()}, out);
  ASSERT_GT(viewer.host(), 0);
  AwaitText(out, kHangingText);
  viewer.End();

  // The host ends with the viewer, and not through its watchdog, which would leave a dump.
  AwaitProcessEnd(viewer.host());
  EXPECT_FALSE(fs::exists(work.path() / "dumps" / "zelHost.dmp"));
}

}  // namespace
}  // namespace zel::e2e
