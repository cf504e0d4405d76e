#include <gtest/gtest.h>

#include "imaging/gif_fast_path.h"
#include "imaging/image_decoder.h"
#include "tests/unit/imaging/gif_test_images.h"

namespace zel {
namespace {

using test::MakeGif;

const std::string& Animation() {
  static const std::string gif = MakeGif({{10, 10, 40, 30, "blue", 1, 5, "red"},
                                          {20, 15, 12, 10, "lime", 2, 7},
                                          {30, 12, 8, 8, "yellow", 0, 9}},
                                         60, 50);
  return gif;
}

int32_t Load(ImageDecoder& decoder, const std::string& data, int32_t rotation = 0) {
  return decoder.Load(data.data(), static_cast<int32_t>(data.size()), rotation, false, u"a.gif");
}

TEST(GifDecoder, AnimationWithinBudgetIsServedFromTheFastPath) {
  const int32_t budget = 5000;
  const auto expected = DecodeGifFast(Animation().data(), Animation().size(), budget);
  ASSERT_TRUE(expected);

  ImageDecoder decoder({budget, 800, 600});
  const int32_t firstBytes = Load(decoder, Animation());
  ASSERT_TRUE(decoder.gifFastPath());
  EXPECT_TRUE(decoder.animated());
  EXPECT_FALSE(decoder.canvasMode());
  EXPECT_EQ(decoder.FrameCount(), 3);
  EXPECT_EQ(decoder.CanvasSize(), std::make_pair(expected->canvasWidth, expected->canvasHeight));
  EXPECT_EQ(decoder.totalBytes(), expected->totalBytes);
  EXPECT_LE(decoder.totalBytes(), budget);
  EXPECT_DOUBLE_EQ(decoder.scale(), expected->scale);
  EXPECT_EQ(firstBytes, decoder.frameBytes());

  size_t index = 0;
  do {
    const GifFrame& frame = expected->frames[index];
    EXPECT_EQ(decoder.FramePosition(), std::make_pair(frame.x, frame.y)) << index;
    EXPECT_EQ(decoder.FrameDelay(), frame.delay) << index;
    EXPECT_EQ(std::make_pair(decoder.width(), decoder.height()),
              std::make_pair(frame.width, frame.height));
    ASSERT_EQ(decoder.frameBytes(), static_cast<int32_t>(frame.pixels.size()));
    std::vector<uint8_t> pixels(frame.pixels.size());
    decoder.WritePixels(pixels.data(), decoder.frameBytes());
    EXPECT_EQ(pixels, frame.pixels) << index;
    ++index;
  } while (decoder.NextFrame(0, false));
  EXPECT_EQ(index, 3u);
}

TEST(GifDecoder, FastPathIsOnlyTriedWhereItApplies) {
  struct Case {
    int32_t budget;
    int32_t rotation;
    AnimationScaling scaling;
  };
  for (const Case& c :
       {Case{-1, 0, AnimationScaling::kComposed}, Case{1000000, 90, AnimationScaling::kComposed},
        Case{1000000, 0, AnimationScaling::kZoomEveryFrame}}) {
    ImageDecoder decoder({c.budget, 0, 0, c.scaling});
    Load(decoder, Animation(), c.rotation);
    EXPECT_FALSE(decoder.gifFastPath()) << c.budget << " " << c.rotation;
    EXPECT_TRUE(decoder.animated());
    EXPECT_EQ(decoder.FrameCount(), 3);
  }
  // A budget of 0 never reaches the fast path; canvas mode then finds no scale that fits.
  ImageDecoder decoder({0, 0, 0});
  EXPECT_THROW(Load(decoder, Animation()), std::runtime_error);
  EXPECT_FALSE(decoder.gifFastPath());
}

TEST(GifDecoder, DeclinedFilesAreReadTheOrdinaryWay) {
  ImageDecoder still({1000000, 0, 0});
  Load(still, MakeGif({{0, 0, 12, 9, "red", 0}}, 12, 9));
  EXPECT_FALSE(still.gifFastPath());
  EXPECT_FALSE(still.animated());
  EXPECT_EQ(std::make_pair(still.width(), still.height()), std::make_pair(12, 9));

  // Too wide a bounding box for the fast path's canvas: plain frames at their own size.
  ImageDecoder spread({1000000, 0, 0});
  Load(spread, MakeGif({{0, 0, 2, 2, "red", 1}, {16000, 16000, 2, 2, "blue", 1}}, 16002, 16002));
  EXPECT_FALSE(spread.gifFastPath());
  EXPECT_TRUE(spread.animated());
  EXPECT_EQ(spread.FrameCount(), 2);
}

}  // namespace
}  // namespace zel
