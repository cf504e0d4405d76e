// Futex operations on 32-bit words. The words of the channel events live in memory shared with
// another process, so no operation uses FUTEX_PRIVATE_FLAG; the kernel then keys a word by its
// backing object, which also works for words in private memory.
#pragma once

#include <cstdint>
#include <ctime>

namespace zel::platform::futex {

// Blocks while *word == expected, at most `timeout` (null: no limit). Returns 0 when woken (or
// when the word already differed) and the errno of the call otherwise (ETIMEDOUT, EINTR, ...).
int Wait(uint32_t* word, uint32_t expected, const timespec* timeout);

// Wakes up to `count` waiters of the word.
void Wake(uint32_t* word, int count);

// Blocks while both words hold their expected values, until an absolute CLOCK_MONOTONIC
// deadline (null: no limit). Returns 0 when woken or a word differed, else the errno.
int WaitEither(uint32_t* first, uint32_t expectedFirst, uint32_t* second, uint32_t expectedSecond,
               const timespec* deadline);

}  // namespace zel::platform::futex
