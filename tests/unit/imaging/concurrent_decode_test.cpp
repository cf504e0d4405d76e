// Conversions run on several listener threads at once, each with its own decoder, and the image
// library is shared by all of them without a lock of ours.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "imaging/image_decoder.h"
#include "tests/support/test_images.h"

namespace zel {
namespace {

using test::Bytes;

// Every frame's pixels, one after the other.
Bytes DecodeAll(const Bytes& data, int32_t byteLimit, int32_t longSide, int32_t shortSide) {
  ImageDecoder decoder({byteLimit, longSide, shortSide});
  Bytes all = test::LoadAndExport(decoder, data, 0, true);
  while (decoder.NextFrame(0, true)) {
    const Bytes frame = test::ExportCurrent(decoder);
    all.insert(all.end(), frame.begin(), frame.end());
  }
  return all;
}

TEST(ConcurrentDecode, ThreadsGetTheSamePixelsAsOneThreadAlone) {
  Magick::Image photo = test::Marked();
  photo.sample(Magick::Geometry(160, 80));
  const Bytes jpeg = test::WithExif(test::Encode(photo, "JPEG"), 6, "", "");
  const Bytes animation = test::EncodeFrames(
      {test::AnimationFrame(60, 40, "yellow", Magick::Geometry(60, 40, 0, 0), 10, 2),
       test::AnimationFrame(20, 10, "blue", Magick::Geometry(60, 40, 5, 5), 10, 3),
       test::AnimationFrame(20, 20, "red", Magick::Geometry(60, 40, 30, 10), 10, 0)},
      "MIFF");
  const Bytes expectedStill = DecodeAll(jpeg, 3000, 50, 40);
  const Bytes expectedAnimation = DecodeAll(animation, 6000, 0, 0);

  constexpr int kThreads = 4;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 5; ++round) {
        if (DecodeAll(jpeg, 3000, 50, 40) != expectedStill) ++mismatches[t];
        if (DecodeAll(animation, 6000, 0, 0) != expectedAnimation) ++mismatches[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace zel
