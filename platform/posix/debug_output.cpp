#include "platform/debug_output.h"

#include <unistd.h>

namespace zel::platform {

void OutputDebugText(const std::string& text) {
  // One write call per line keeps lines of concurrent listener threads from interleaving.
  const char* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t written = ::write(STDERR_FILENO, data, left);
    if (written <= 0) return;
    data += written;
    left -= static_cast<size_t>(written);
  }
}

}  // namespace zel::platform
