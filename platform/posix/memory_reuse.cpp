#include "platform/memory_reuse.h"

#include <malloc.h>

namespace zel::platform {

namespace {

// glibc's own ceiling for the mapping threshold it raises by itself; fixing it there keeps the
// first requests from paying for fresh mappings while the threshold would still be low.
constexpr int kLargestHeapBlock = 32 << 20;
// Free memory at the top of a heap is given back only beyond this much.
constexpr int kKeptFreeMemory = 512 << 20;

}  // namespace

void KeepFreedMemoryForReuse() {
  mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
  mallopt(M_TRIM_THRESHOLD, kKeptFreeMemory);
}

}  // namespace zel::platform
