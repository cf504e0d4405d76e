// Channels for tests: a name unique to this process and test, and a creating-side channel whose
// named objects are removed again when the test ends, so suites can run in parallel.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/thread.h"
#include "rpc/rpc_channel.h"

namespace wire_test {

inline std::u16string ToU16(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

// Unique per process and per call.
inline std::u16string UniqueName(const char* what) {
  static std::atomic<int> counter{0};
  return ToU16("zelt_" + std::string(what) + "_" +
               std::to_string(zel::platform::CurrentProcessId()) + "_" + std::to_string(counter++));
}

struct CreatedChannel {
  CreatedChannel(const std::u16string& base, int32_t bytes,
                 const std::u16string& objectPrefix = u"",
                 const zel::platform::SecurityAttributes* attributes = nullptr)
      : name(base), size(bytes), prefix(objectPrefix) {
    openResult = channel.Open(name, size, true, attributes, prefix);
  }
  ~CreatedChannel() { vesku_rpc::CRpcChannel::Remove(name, size, prefix); }

  std::u16string name;
  int32_t size;
  std::u16string prefix;
  vesku_rpc::CRpcChannel channel;
  int32_t openResult = -1;
};

}  // namespace wire_test
