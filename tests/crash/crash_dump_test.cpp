// Runs the crash victim in every failure mode and checks what the crash path leaves behind: exit
// code 2, and a minidump that parses back with the right exception, thread, stack and modules,
// and that a debugger can read. Not a unit test: the victim really crashes, and sanitizers would
// take its faults first.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/crash/minidump_reader.h"

namespace {

namespace fs = std::filesystem;
using crash_test::Minidump;

const std::string kVictim = fs::canonical(CRASH_VICTIM).string();

struct RunResult {
  int exitCode = -1;  // the exit status, or -signal when the child was killed
  pid_t pid = 0;
  std::string output;  // standard output and error together
};

RunResult RunProgram(const std::vector<std::string>& arguments) {
  int pipeEnds[2];
  EXPECT_EQ(pipe(pipeEnds), 0);
  RunResult result;
  result.pid = fork();
  if (result.pid == 0) {
    dup2(pipeEnds[1], 1);
    dup2(pipeEnds[1], 2);
    close(pipeEnds[0]);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  char buffer[4096];
  for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    result.output.append(buffer, got);
  close(pipeEnds[0]);
  int status = 0;
  waitpid(result.pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  return result;
}

class CrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("zel_crash_test_" + std::to_string(getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    dumpPath_ = (folder_ / "zelHost.dmp").string();
  }
  void TearDown() override { fs::remove_all(folder_); }

  RunResult Crash(const std::string& mode) { return RunProgram({kVictim, dumpPath_, mode}); }

  Minidump ReadDump() {
    std::string error;
    auto dump = crash_test::ParseMinidump(crash_test::ReadFileBytes(dumpPath_), error);
    EXPECT_TRUE(dump.has_value()) << error;
    return dump.value_or(Minidump{});
  }

  fs::path folder_;
  std::string dumpPath_;
};

const crash_test::DumpModule* FindModule(const Minidump& dump, const std::string& suffix) {
  for (const auto& module : dump.modules) {
    if (module.name.size() >= suffix.size() &&
        module.name.compare(module.name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      return &module;
    }
  }
  return nullptr;
}

// True when `file` holds `buildId` as the descriptor of a GNU note.
bool FileHasBuildId(const std::string& file, const std::vector<uint8_t>& buildId) {
  std::vector<uint8_t> bytes = crash_test::ReadFileBytes(file);
  std::vector<uint8_t> note = {'G', 'N', 'U', 0};
  note.insert(note.end(), buildId.begin(), buildId.end());
  return !buildId.empty() &&
         std::search(bytes.begin(), bytes.end(), note.begin(), note.end()) != bytes.end();
}

struct Mode {
  const char* name;
  int signal;
  bool onMainThread;
};

class EveryFailure : public CrashTest, public ::testing::WithParamInterface<Mode> {};

TEST_P(EveryFailure, EndsWithExitCode2AndAReadableDump) {
  const Mode mode = GetParam();
  const RunResult run = Crash(mode.name);
  ASSERT_EQ(run.exitCode, 2) << run.output;
  ASSERT_TRUE(fs::exists(dumpPath_));
  const Minidump dump = ReadDump();

  EXPECT_EQ(dump.processorArchitecture, 9);
  EXPECT_EQ(dump.platformId, 0x8201u);
  EXPECT_EQ(dump.exceptionCode, static_cast<uint32_t>(mode.signal));
  EXPECT_EQ(dump.contextFlags & 0x0010000Fu, 0x0010000Fu);
  EXPECT_EQ(dump.exceptionThreadId == static_cast<uint32_t>(run.pid), mode.onMainThread);

  // The failing thread, with the exception's registers and the stack above its stack pointer.
  ASSERT_EQ(dump.threads.size(), 1u);
  const crash_test::DumpThread& thread = dump.threads[0];
  EXPECT_EQ(thread.id, dump.exceptionThreadId);
  EXPECT_EQ(thread.stackPointer, dump.contextStackPointer);
  ASSERT_FALSE(thread.stack.bytes.empty());
  // After an overflow the stack pointer may already sit below the stack's mapping.
  EXPECT_LE(thread.stack.start, thread.stackPointer + 1024 * 1024);
  EXPECT_GT(thread.stack.start + thread.stack.bytes.size(), thread.stackPointer);
  ASSERT_EQ(dump.memory.size(), 1u);
  EXPECT_EQ(dump.memory[0].start, thread.stack.start);
  EXPECT_EQ(dump.memory[0].bytes, thread.stack.bytes);

  // The program and the C library, each with its own build id, the program around the fault.
  const crash_test::DumpModule* victim = FindModule(dump, kVictim);
  ASSERT_NE(victim, nullptr);
  EXPECT_EQ(victim->name, kVictim);
  EXPECT_EQ(victim->codeViewSignature, "BpEL");
  EXPECT_TRUE(FileHasBuildId(kVictim, victim->buildId));
  const crash_test::DumpModule* libc = FindModule(dump, "/libc.so.6");
  ASSERT_NE(libc, nullptr);
  EXPECT_EQ(libc->codeViewSignature, "BpEL");
  EXPECT_TRUE(FileHasBuildId(libc->name, libc->buildId));
  const crash_test::DumpModule* faulting = mode.signal == SIGABRT ? libc : victim;
  EXPECT_GE(dump.contextInstructionPointer, faulting->base);
  EXPECT_LT(dump.contextInstructionPointer, faulting->base + faulting->size);
  if (std::string(mode.name) == "overflow") {
    // The fault is the store just below the stack pointer.
    EXPECT_LT(dump.exceptionAddress - (thread.stackPointer - 4096), 8192u);
  } else if (mode.signal == SIGSEGV) {
    EXPECT_EQ(dump.exceptionAddress, 0u);
  }
  EXPECT_NE(dump.linuxMaps.find(kVictim), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    CrashDump, EveryFailure,
    ::testing::Values(Mode{"null", SIGSEGV, true}, Mode{"abort", SIGABRT, true},
                      Mode{"heap", SIGABRT, true}, Mode{"throw", SIGSEGV, true},
                      Mode{"purecall", SIGSEGV, true}, Mode{"overflow", SIGSEGV, true},
                      Mode{"thread", SIGSEGV, false}, Mode{"race", SIGSEGV, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CrashTest, SecondCrashLeavesTheFirstDumpUntouched) {
  ASSERT_EQ(Crash("null").exitCode, 2);
  const std::vector<uint8_t> first = crash_test::ReadFileBytes(dumpPath_);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(Crash("abort").exitCode, 2);
  EXPECT_EQ(crash_test::ReadFileBytes(dumpPath_), first);
}

TEST_F(CrashTest, MissingDumpFolderGivesNoFileButStillExitCode2) {
  dumpPath_ = (folder_ / "missing" / "zelHost.dmp").string();
  EXPECT_EQ(Crash("null").exitCode, 2);
  EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

TEST_F(CrashTest, NormalEndWritesNoDump) {
  EXPECT_EQ(Crash("exit").exitCode, 0);
  EXPECT_FALSE(fs::exists(dumpPath_));
}

// The proof that the dump is a real minidump: a debugger loads it with the program and unwinds
// the failing thread through the program's own functions.
class DebuggerReadsDump : public CrashTest,
                          public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(DebuggerReadsDump, BacktraceNamesTheCrashingFunctions) {
  const std::string lldb = "/usr/bin/lldb";
  if (!fs::exists(lldb)) GTEST_SKIP() << "lldb is not installed";
  const std::vector<std::string>& expected = GetParam();
  ASSERT_EQ(Crash(expected[0]).exitCode, 2);
  const RunResult debugger =
      RunProgram({"/usr/bin/timeout", "120", lldb, "--batch", "--no-lldbinit", "-o",
                  "target create " + kVictim + " --core " + dumpPath_, "-o", "bt"});
  EXPECT_NE(debugger.output.find("Core file"), std::string::npos) << debugger.output;
  size_t position = 0;
  for (size_t i = 1; i < expected.size(); ++i) {
    // Frames are printed innermost first, so each expected name must come after the previous.
    position = debugger.output.find("crash_victim`" + expected[i], position);
    EXPECT_NE(position, std::string::npos) << expected[i] << " missing in\n" << debugger.output;
    if (position == std::string::npos) break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    CrashDump, DebuggerReadsDump,
    ::testing::Values(
        std::vector<std::string>{"null", "CrashVictimStoreToNull", "main"},
        std::vector<std::string>{"thread", "CrashVictimStoreToNull", "CrashVictimOnSecondThread"},
        std::vector<std::string>{"purecall", "vesku::ForceCrashDump", "__cxa_pure_virtual",
                                 "CrashVictimCallHook", "main"},
        std::vector<std::string>{"overflow", "CrashVictimRecurse", "CrashVictimRecurse"}),
    [](const auto& info) { return info.param[0]; });

}  // namespace
