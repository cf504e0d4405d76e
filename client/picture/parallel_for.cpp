#include "client/picture/parallel_for.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace zel::picture {

size_t ParallelThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

void ParallelFor(size_t count, const std::function<void(size_t)>& body) {
  std::atomic<size_t> next{0};
  std::mutex failureMutex;
  std::exception_ptr failure;
  auto work = [&] {
    for (size_t i = next++; i < count; i = next++) {
      try {
        body(i);
      } catch (...) {
        std::lock_guard lock(failureMutex);
        if (!failure) failure = std::current_exception();
      }
    }
  };
  std::vector<std::thread> helpers;
  const size_t threads = std::min(count, ParallelThreads());
  for (size_t i = 1; i < threads; ++i) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // fewer threads only means slower
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace zel::picture
