// A fuzz target's own assertion: a broken promise of the code under test ends the run at once, as
// a crash the fuzzer keeps the input of, in every build (assert would vanish under NDEBUG).
#pragma once

#include <cstdlib>

namespace zel_fuzz {

inline void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace zel_fuzz
