// Decodes one animation the way a ConvertToBitmap request does — load, then every frame written
// into a reply-sized buffer — and reports the wall time and the process's peak resident memory,
// one mode per run so that every peak is its own.
//   fast    the decoder as in server mode: a GIF goes through the GIF fast path
//   plain   the decoder zooming every frame alike: every frame read, then zoomed
//   canvas  the decoder on a MIFF copy of the same frames, which the fast path does not take:
//           frames read, then composed and scaled by the library in canvas mode
// Usage: bench_gif_fast_path MODE FILE BUDGET_BYTES, or bench_gif_fast_path modes for the list.
// Output (tab-separated): mode, milliseconds, peak resident KiB, frames, canvas size, bytes.
#include <Magick++.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/image_decoder.h"

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
  int frames = 0;
  int width = 0;
  int height = 0;
  long long bytes = 0;
};

Outcome Decode(const std::string& data, const zel::DecodeOptions& options,
               const std::u16string& name) {
  zel::ImageDecoder decoder(options);
  decoder.Load(data.data(), static_cast<int>(data.size()), 0, false, name);
  Outcome outcome;
  std::tie(outcome.width, outcome.height) = decoder.CanvasSize();
  std::vector<unsigned char> reply;
  do {
    reply.resize(static_cast<size_t>(decoder.frameBytes()));
    decoder.WritePixels(reply.data(), decoder.frameBytes());
    outcome.bytes += decoder.frameBytes();
    ++outcome.frames;
  } while (decoder.NextFrame(0, false));
  return outcome;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "modes") {
    std::printf("fast\nplain\ncanvas\n");
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

  if (mode != "fast" && mode != "plain" && mode != "canvas") {
    std::fprintf(stderr, "unknown mode: %s\n", mode.c_str());
    return 2;
  }
  const zel::DecodeOptions options{
      budget, 0, 0,
      mode == "plain" ? zel::AnimationScaling::kZoomEveryFrame : zel::AnimationScaling::kComposed};
  const auto start = std::chrono::steady_clock::now();
  Outcome outcome;
  try {
    outcome = Decode(data, options, mode == "canvas" ? u"anim.miff" : u"anim.gif");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", mode.c_str(), e.what());
    return 1;
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  std::printf("%s\t%lld\t%ld\t%d\t%dx%d\t%lld\n", mode.c_str(),
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()),
              PeakResidentKiB(), outcome.frames, outcome.width, outcome.height, outcome.bytes);
  return 0;
}
