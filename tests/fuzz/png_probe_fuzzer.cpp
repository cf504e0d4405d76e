// The PNG probe over arbitrary files, fed the way a viewer feeds it: a short head first, then
// whatever the probe asks for from either end.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_libraries.h"
#include "tests/fuzz/probe_exchange.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zel_fuzz::SetUpDecodingLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zel_fuzz::RunProbeExchange(data, size, "image/png", u"picture.png", 64);
  return 0;
}
