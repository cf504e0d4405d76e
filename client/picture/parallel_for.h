// Running independent pieces of work on the machine's cores.
#pragma once

#include <cstddef>
#include <functional>

namespace zel::picture {

// Calls `body(i)` for every i below `count`, on as many threads as there are cores (the calling
// thread among them), and returns when all calls are done. Then the first exception a call
// threw, if any, is rethrown; the other calls run all the same.
void ParallelFor(size_t count, const std::function<void(size_t)>& body);

// How many threads ParallelFor would use at most.
size_t ParallelThreads();

}  // namespace zel::picture
