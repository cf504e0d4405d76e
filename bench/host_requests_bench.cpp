// Whole requests through a real zelHost, as a viewer sees them: the empty round trip (transport and
// dispatch only), file information and bitmap conversions of a photo-sized PNG, one client thread
// and several at once. Figures are printed; nothing is asserted.
//
//   bench_host_requests [ZELHOST]   (default: the zelHost of this build)
#include <Magick++.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "client/host_client.h"

namespace {

using Clock = std::chrono::steady_clock;
using zel::client::CHostClient;

double MillisecondsPer(int count, const std::function<void()>& body) {
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < count; ++i) body();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / count;
}

std::vector<uint8_t> PhotoPng() {
  Magick::Image image(Magick::Geometry(1920, 1080), Magick::Color("white"));
  image.read("plasma:fractal");
  image.resize(Magick::Geometry(1920, 1080));
  image.magick("PNG");
  Magick::Blob blob;
  image.write(&blob);
  const uint8_t* bytes = static_cast<const uint8_t*>(blob.data());
  return std::vector<uint8_t>(bytes, bytes + blob.length());
}

}  // namespace

int main(int argc, char** argv) {
  Magick::InitializeMagick(nullptr);
  const std::filesystem::path work = std::filesystem::temp_directory_path() / "zel_bench_host";
  std::filesystem::create_directories(work);

  zel::client::HostOptions options;
  options.hostPath = argc > 1 ? argv[1] : ZEL_HOST_PATH;
  options.workFolder = work.string();
  options.listenerCount = 4;
  options.bufferSize = 64 << 20;
  options.consoleOutputPath = (work / "console.txt").string();
  CHostClient client(options);

  const Clock::time_point startStart = Clock::now();
  client.Start();
  client.Call(0, [](vesk::CArchiveOverBuffer&) {});
  std::printf("host start to first reply      %8.2f ms\n",
              std::chrono::duration<double, std::milli>(Clock::now() - startStart).count());

  const double empty =
      MillisecondsPer(2000, [&] { client.Call(0, [](vesk::CArchiveOverBuffer&) {}); });
  std::printf("empty request round trip       %8.3f ms\n", empty);

  const std::vector<uint8_t> png = PhotoPng();
  zel::client::FileRef file{u"photo.png", "image/png", png.data(),
                            static_cast<int32_t>(png.size())};
  const double info = MillisecondsPer(10, [&] { client.FileInfo(file); });
  std::printf("FileInfo, 1920x1080 PNG        %8.2f ms  (%zu bytes)\n", info, png.size());

  const double bitmap = MillisecondsPer(10, [&] { client.ConvertToBitmap(file, {}); });
  const double megabytes = 1920.0 * 1080 * 4 / (1 << 20);
  std::printf("ConvertToBitmap, 1920x1080 PNG %8.2f ms  (%.0f MiB/s of pixels)\n", bitmap,
              megabytes / (bitmap / 1000));

  zel::client::BitmapOptions boxed;
  boxed.boxSide1 = 320;
  boxed.boxSide2 = 240;
  const double thumbnail = MillisecondsPer(10, [&] { client.ConvertToBitmap(file, boxed); });
  std::printf("ConvertToBitmap into 320x240   %8.2f ms\n", thumbnail);

  for (int threads : {2, 4}) {
    constexpr int kPerThread = 5;
    const Clock::time_point start = Clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
      workers.emplace_back([&] {
        for (int i = 0; i < kPerThread; ++i) client.ConvertToBitmap(file, {});
      });
    }
    for (std::thread& worker : workers) worker.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%d threads converting           %8.2f conversions/s\n", threads,
                threads * kPerThread / seconds);
  }
  client.Stop();
  std::filesystem::remove_all(work);
  return 0;
}
