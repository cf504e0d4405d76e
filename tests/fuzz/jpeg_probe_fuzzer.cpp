// The JPEG header probe over arbitrary files, fed the way a viewer feeds it: a short head first,
// then whatever the probe asks for.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_libraries.h"
#include "tests/fuzz/probe_exchange.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zel_fuzz::SetUpDecodingLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zel_fuzz::RunProbeExchange(data, size, "image/jpeg", u"photo.jpg", 256);
  return 0;
}
