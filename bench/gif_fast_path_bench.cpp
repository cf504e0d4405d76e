// Decodes one GIF animation the way a ConvertToBitmap request does and reports the wall time and
// the process's peak resident memory, one mode per run so that every peak is its own.
// Usage: bench_gif_fast_path MODE FILE BUDGET_BYTES, or bench_gif_fast_path modes for the list.
// Output (tab-separated): mode, milliseconds, peak resident KiB, frames, canvas size, bytes.
#include <Magick++.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "imaging/gif_fast_path.h"

namespace {

long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

struct Outcome {
  size_t frames = 0;
  int width = 0;
  int height = 0;
  long long bytes = 0;
};

// Walks the frames as the request does: each frame is handed on, then its pixels are released.
bool RunFastPath(const std::string& data, int budget, Outcome& outcome) {
  std::optional<zel::GifAnimation> animation = zel::DecodeGifFast(data.data(), data.size(), budget);
  if (!animation) return false;
  outcome.width = animation->canvasWidth;
  outcome.height = animation->canvasHeight;
  outcome.bytes = animation->totalBytes;
  for (zel::GifFrame& frame : animation->frames) {
    ++outcome.frames;
    frame.ReleasePixels();
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "modes") {
    std::printf("fast\n");
    return 0;
  }
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_gif_fast_path MODE FILE BUDGET_BYTES\n");
    return 2;
  }
  const std::string mode = argv[1];
  std::ifstream file(argv[2], std::ios::binary);
  const std::string data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const int budget = std::atoi(argv[3]);
  Magick::InitializeMagick(nullptr);

  Outcome outcome;
  const auto start = std::chrono::steady_clock::now();
  bool done = false;
  if (mode == "fast") {
    done = RunFastPath(data, budget, outcome);
  } else {
    std::fprintf(stderr, "unknown mode: %s\n", mode.c_str());
    return 2;
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  if (!done) {
    std::fprintf(stderr, "%s: declined or failed\n", mode.c_str());
    return 1;
  }
  std::printf("%s\t%lld\t%ld\t%zu\t%dx%d\t%lld\n", mode.c_str(),
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()),
              PeakResidentKiB(), outcome.frames, outcome.width, outcome.height, outcome.bytes);
  return 0;
}
