// Knowing that another thread of the test has got as far as a blocking call, without guessing a
// time: the system shows under /proc which call a thread is blocked in.
#pragma once

#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace zel_test {

// The calling thread's id, as /proc names it.
inline pid_t ThisThreadId() { return static_cast<pid_t>(::syscall(SYS_gettid)); }

// Returns once thread `thread` of this process is blocked in the system call `number`
// (SYS_futex for a lock, SYS_clock_nanosleep for a sleep).
inline void AwaitBlockedIn(pid_t thread, long number) {
  const std::string path = "/proc/self/task/" + std::to_string(thread) + "/syscall";
  const std::string prefix = std::to_string(number) + " ";
  for (;;) {
    std::ifstream in(path);
    const std::string state((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (state.rfind(prefix, 0) == 0) return;
    std::this_thread::yield();
  }
}

}  // namespace zel_test
