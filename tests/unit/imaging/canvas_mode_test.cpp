// Animations over budget in canvas mode: composed frames, drawn in order by a viewer, must show
// what the library's own coalescing shows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "imaging/image_decoder.h"
#include "tests/support/test_images.h"

namespace zel {
namespace {

using test::Bytes;

Bytes Animation(std::vector<Magick::Image> frames) {
  return test::EncodeFrames(std::move(frames), "MIFF");
}

Magick::Image Frame(size_t width, size_t height, const std::string& color, ssize_t x, ssize_t y,
                    size_t dispose, size_t canvasWidth, size_t canvasHeight) {
  return test::AnimationFrame(width, height, color,
                              Magick::Geometry(canvasWidth, canvasHeight, x, y), 10, dispose);
}

void Load(ImageDecoder& decoder, const Bytes& data, bool autoOrient = false) {
  decoder.Load(data.data(), static_cast<int32_t>(data.size()), 0, autoOrient, u"frames.miff");
  ASSERT_TRUE(decoder.canvasMode());
}

// Draws the current frame of `decoder` at its position on a viewer's canvas.
void Draw(ImageDecoder& decoder, Bytes& canvas, int32_t canvasWidth) {
  const Bytes pixels = test::ExportCurrent(decoder);
  const auto [x, y] = decoder.FramePosition();
  for (int32_t row = 0; row < decoder.height(); ++row) {
    std::copy_n(pixels.begin() + static_cast<ptrdiff_t>(row) * decoder.width() * 4,
                decoder.width() * 4,
                canvas.begin() + (static_cast<ptrdiff_t>(y + row) * canvasWidth + x) * 4);
  }
}

TEST(CanvasMode, DisposalToBackgroundShowsWhite) {
  const Bytes data =
      Animation({Frame(40, 40, "red", 0, 0, 2, 40, 40), Frame(10, 10, "blue", 0, 0, 0, 40, 40)});
  ImageDecoder decoder({4000, 0, 0});  // need 6,800
  Load(decoder, data);
  EXPECT_LE(decoder.totalBytes(), 4000);
  const auto [width, height] = decoder.CanvasSize();
  EXPECT_EQ(std::make_pair(decoder.width(), decoder.height()), std::make_pair(width, height));
  EXPECT_TRUE(test::Near(test::PixelAt(test::ExportCurrent(decoder), width, width / 2, height / 2),
                         0, 0, 255, 2));

  ASSERT_TRUE(decoder.NextFrame(0, false));
  // Frame 0's disposal uncovers the whole canvas, so frame 1 repaints all of it.
  EXPECT_EQ(decoder.FramePosition(), std::make_pair(0, 0));
  ASSERT_EQ(std::make_pair(decoder.width(), decoder.height()), std::make_pair(width, height));
  const Bytes pixels = test::ExportCurrent(decoder);
  EXPECT_TRUE(test::Near(test::PixelAt(pixels, width, 1, 1), 255, 0, 0, 2));
  EXPECT_TRUE(test::Near(test::PixelAt(pixels, width, width - 2, height - 2), 255, 255, 255, 2));
  EXPECT_FALSE(decoder.NextFrame(0, false));
}

TEST(CanvasMode, RectangleReachesTwoPixelsPastTheChange) {
  const Bytes data =
      Animation({Frame(60, 60, "lime", 0, 0, 0, 60, 60), Frame(10, 10, "red", 20, 20, 0, 60, 60)});
  ImageDecoder decoder({8000, 0, 0});  // need 14,800
  Load(decoder, data);
  const double s = decoder.scale();
  ASSERT_TRUE(decoder.NextFrame(0, false));
  const int32_t x0 = static_cast<int32_t>(std::floor(20 * s)) - 2;
  const int32_t x1 = static_cast<int32_t>(std::ceil(30 * s)) + 2;
  EXPECT_EQ(decoder.FramePosition(), std::make_pair(x0, x0));
  EXPECT_EQ(std::make_pair(decoder.width(), decoder.height()), std::make_pair(x1 - x0, x1 - x0));
  const Bytes pixels = test::ExportCurrent(decoder);
  const int32_t w = decoder.width();
  EXPECT_TRUE(test::Near(test::PixelAt(pixels, w, 0, 0), 0, 255, 0, 2));
  EXPECT_TRUE(test::Near(test::PixelAt(pixels, w, w / 2, w / 2), 0, 0, 255, 2));
}

TEST(CanvasMode, StoredOrientationTurnsTheFirstFrameOnly) {
  std::vector<Magick::Image> pages = {test::Marked(), test::Marked()};
  for (Magick::Image& page : pages) {
    page.orientation(Magick::BottomRightOrientation);
    page.animationDelay(10);
  }
  const Bytes tiff = test::EncodeFrames(pages, "TIFF");
  ImageDecoder decoder({700, 0, 0});  // need 1,024
  decoder.Load(tiff.data(), static_cast<int32_t>(tiff.size()), 0, true, u"pages.tif");
  ASSERT_TRUE(decoder.canvasMode());
  EXPECT_EQ(test::RedCorner(test::ExportCurrent(decoder), decoder.width(), decoder.height()),
            test::kBottomRight);
  ASSERT_TRUE(decoder.NextFrame(0, true));
  EXPECT_EQ(test::RedCorner(test::ExportCurrent(decoder), decoder.width(), decoder.height()),
            test::kTopLeft);
}

TEST(CanvasMode, ComposedFramesMatchCoalescedFrames) {
  // Twice the sizes below; large enough that resampled edges weigh little in the mean.
  constexpr size_t k = 2, kWidth = 80 * k, kHeight = 60 * k;
  Magick::Image holed = test::Filled(24 * k, 16 * k, "none");
  holed.composite(test::Filled(12 * k, 8 * k, "green"), 4 * k, 4 * k, Magick::OverCompositeOp);
  holed.page(Magick::Geometry(kWidth, kHeight, 16 * k, 12 * k));
  holed.animationDelay(10);
  holed.gifDisposeMethod(3);
  const Bytes data = Animation({
      Frame(kWidth, kHeight, "yellow", 0, 0, 1, kWidth, kHeight),
      Frame(20 * k, 20 * k, "red", 10 * k, 10 * k, 2, kWidth, kHeight),
      holed,
      Frame(40 * k, 20 * k, "blue", 30 * k, 30 * k, 0, kWidth, kHeight),
      Frame(10 * k, 10 * k, "rgba(255,0,255,0.5)", 60 * k, 5 * k, 0, kWidth, kHeight),
  });

  std::vector<Magick::Image> source;
  Magick::readImages(&source, Magick::Blob(data.data(), data.size()));
  std::vector<Magick::Image> coalesced;
  Magick::coalesceImages(&coalesced, source.begin(), source.end());
  ASSERT_EQ(coalesced.size(), 5u);

  ImageDecoder decoder({48000, 0, 0});  // need 103,744
  Load(decoder, data);
  EXPECT_LE(decoder.totalBytes(), 48000);
  const auto [width, height] = decoder.CanvasSize();
  Bytes viewer(static_cast<size_t>(width) * height * 4, 0);
  for (size_t i = 0; i < coalesced.size(); ++i) {
    if (i > 0) {
      ASSERT_TRUE(decoder.NextFrame(0, false));
    }
    Draw(decoder, viewer, width);

    Magick::Image expected = test::Filled(kWidth, kHeight, "white");
    expected.composite(coalesced[i], 0, 0, Magick::OverCompositeOp);
    Magick::Geometry size(width, height);
    size.aspect(true);
    expected.resize(size);
    Bytes reference(viewer.size());
    expected.write(0, 0, width, height, "BGRA", Magick::CharPixel, reference.data());

    double difference = 0;
    for (size_t k = 0; k < viewer.size(); ++k) difference += std::abs(viewer[k] - reference[k]);
    EXPECT_LT(difference / viewer.size(), 1.0) << "frame " << i;
  }
  EXPECT_FALSE(decoder.NextFrame(0, false));
}

// Two one-pixel frames far apart span a canvas that no reply could carry, and that a viewer would
// have to allocate: the budget bounds the canvas like the frames, in canvas mode and, for a canvas
// too large for the library to compose, with plain frames.
TEST(CanvasMode, CanvasOfFramesFarApartStaysInsideTheBudget) {
  constexpr int32_t kBudget = 40000;
  for (const ssize_t offset : {1999, 15999}) {
    const size_t side = static_cast<size_t>(offset) + 1;
    const Bytes animation = Animation({Frame(1, 1, "red", 0, 0, 1, side, side),
                                       Frame(1, 1, "blue", offset, offset, 1, side, side)});
    ImageDecoder decoder({kBudget, 0, 0});
    decoder.Load(animation.data(), static_cast<int32_t>(animation.size()), 0, false, u"far.miff");
    const auto [width, height] = decoder.CanvasSize();
    EXPECT_LE(int64_t{width} * height * 4, kBudget) << offset;
    EXPECT_GT(int64_t{width} * height * 4, kBudget / 2) << offset;
    EXPECT_EQ(decoder.FrameCount(), 2) << offset;
  }
}

}  // namespace
}  // namespace zel
