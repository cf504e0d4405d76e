// Times the image decoder on the two paths that dominate real use — a large camera JPEG fitted into
// a screen-sized box (reduced JPEG decode, then Lanczos), and a large PNG shrunk to a byte budget —
// side by side with ImageMagick's own command line and libvips doing the same job.
//
// Usage: bench_imaging [work folder] [repetitions]
// Inputs are generated into the work folder on the first run and reused afterwards.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/image_decoder.h"
#include "imaging/image_library.h"
#include "util/strings.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

void MakeInput(const fs::path& path, const std::string& command) {
  if (fs::exists(path)) return;
  std::printf("generating %s\n", path.c_str());
  Run(command + " '" + path.string() + "'");
}

// Median wall time of `repetitions` runs, in milliseconds.
double Time(int repetitions, const std::function<void()>& job) {
  std::vector<double> times;
  for (int i = 0; i < repetitions; ++i) {
    const auto start = std::chrono::steady_clock::now();
    job();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Decodes like a conversion request: load, then export the first frame into a reply-sized buffer.
void Decode(const std::vector<uint8_t>& data, int32_t byteLimit, int32_t longSide,
            int32_t shortSide, const char16_t* name, std::string& size) {
  zel::ImageDecoder decoder({byteLimit, longSide, shortSide});
  const int32_t bytes =
      decoder.Load(data.data(), static_cast<int32_t>(data.size()), 0, false, name);
  std::vector<uint8_t> reply(static_cast<size_t>(bytes));
  decoder.WritePixels(reply.data(), bytes);
  size = std::to_string(decoder.width()) + "x" + std::to_string(decoder.height());
}

void Compare(const char* title, int repetitions, const std::function<void()>& ours,
             const std::string& convert, const std::string& vips) {
  const double oursMs = Time(repetitions, ours);
  const double convertMs = Time(repetitions, [&] { Run(convert); });
  const double vipsMs = Time(repetitions, [&] { Run(vips); });
  std::printf("%s\n", title);
  std::printf("  decoder        %8.1f ms\n", oursMs);
  std::printf("  convert        %8.1f ms   decoder/convert %.2f\n", convertMs, oursMs / convertMs);
  std::printf("  vipsthumbnail  %8.1f ms   decoder/vips    %.2f\n", vipsMs, oursMs / vipsMs);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const fs::path work = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "zel_bench";
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    fs::create_directories(work);
    zel::SetUpImageLibrary(vesku::ToWide((work / "temp").string()), true);

    const fs::path jpeg = work / "camera_6000x4000.jpg";
    const fs::path png = work / "scan_4000x3000.png";
    MakeInput(jpeg,
              "convert -size 1500x1000 plasma:fractal -seed 7 -resize 6000x4000! -quality 90");
    MakeInput(png, "convert -size 1000x750 plasma:fractal -seed 8 -resize 4000x3000!");
    const std::vector<uint8_t> jpegData = ReadFile(jpeg);
    const std::vector<uint8_t> pngData = ReadFile(png);
    const fs::path out = work / "out.v";

    std::string size;
    Compare(
        "6000x4000 JPEG into a 1920x1080 box", repetitions,
        [&] { Decode(jpegData, -1, 1920, 1080, u"camera.jpg", size); },
        "convert -define jpeg:size=1920x1080 '" + jpeg.string() + "' -thumbnail 1920x1080 null:",
        "vipsthumbnail '" + jpeg.string() + "' --size 1920x1080 -o '" + out.string() + "'");
    std::printf("  decoder output %s\n", size.c_str());
    Compare(
        "4000x3000 PNG under a 24,000,000-byte budget", repetitions,
        [&] { Decode(pngData, 24000000, 0, 0, u"scan.png", size); },
        "convert '" + png.string() + "' -resize 2000x1500 null:",
        "vipsthumbnail '" + png.string() + "' --size 2000x1500 -o '" + out.string() + "'");
    std::printf("  decoder output %s\n", size.c_str());
    fs::remove(out);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
