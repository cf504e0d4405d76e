#include "imaging/image_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "imaging/jpeg_pre_scale.h"
#include "tests/support/test_images.h"

namespace zel {
namespace {

using test::Bgra;
using test::Bytes;
using test::Corner;
using test::kBottomLeft;
using test::kBottomRight;
using test::kTopLeft;
using test::kTopRight;
using test::Marked;
using test::Near;
using test::RedCorner;

constexpr int32_t kNoLimit = -1;

TEST(ImageDecoder, ExportsBgraWithOpaqueAlpha) {
  ImageDecoder decoder({kNoLimit, 0, 0});
  const Bytes pixels =
      test::LoadAndExport(decoder, test::Encode(test::Filled(3, 3, "rgb(10,20,30)"), "PNG"));
  EXPECT_EQ(decoder.frameBytes(), 36);
  ASSERT_EQ(pixels.size(), 36u);
  for (int i = 0; i < 9; ++i) {
    const Bgra pixel = test::PixelAt(pixels, 3, i % 3, i / 3);
    EXPECT_EQ(pixel.b, 30);
    EXPECT_EQ(pixel.g, 20);
    EXPECT_EQ(pixel.r, 10);
    EXPECT_EQ(pixel.a, 255);
  }
  EXPECT_FALSE(decoder.animated());
  EXPECT_EQ(decoder.totalBytes(), 0);
  EXPECT_EQ(decoder.CanvasSize(), std::make_pair(0, 0));
  EXPECT_FALSE(decoder.NextFrame(0, false));
}

TEST(ImageDecoder, KeepsAlphaAndRefusesASmallerDestination) {
  ImageDecoder decoder({kNoLimit, 0, 0});
  const Bytes pixels =
      test::LoadAndExport(decoder, test::Encode(test::Filled(2, 2, "rgba(200,100,50,0.5)"), "PNG"));
  EXPECT_NEAR(test::PixelAt(pixels, 2, 1, 1).a, 128, 1);
  Bytes small(15);
  EXPECT_THROW(decoder.WritePixels(small.data(), 15), std::runtime_error);
}

TEST(ImageDecoder, ReadsCommonStillFormats) {
  for (const char* format : {"JPEG", "PNG", "GIF", "WEBP", "TIFF", "BMP"}) {
    ImageDecoder decoder({kNoLimit, 0, 0});
    const Bytes pixels =
        test::LoadAndExport(decoder, test::Encode(test::Filled(6, 4, "red"), format));
    EXPECT_EQ(decoder.width(), 6) << format;
    EXPECT_EQ(decoder.height(), 4) << format;
    EXPECT_TRUE(Near(test::PixelAt(pixels, 6, 3, 2), 0, 0, 255, 8)) << format;
  }
}

TEST(ImageDecoder, DamagedDataRaises) {
  ImageDecoder decoder({kNoLimit, 0, 0});
  const Bytes junk(64, 0x5A);
  EXPECT_ANY_THROW(decoder.Load(junk.data(), static_cast<int32_t>(junk.size()), 0, false, u"x"));
}

TEST(ImageDecoder, StoredOrientationTurnsAndMirrors) {
  const Bytes jpeg = test::Encode(Marked(), "JPEG");
  struct Case {
    int orientation;
    bool turned;
    Corner corner;
  };
  const Case cases[] = {
      {1, false, kTopLeft},    {2, false, kTopRight},  {3, false, kBottomRight},
      {4, false, kBottomLeft}, {5, true, kTopLeft},    {6, true, kTopRight},
      {7, true, kBottomRight}, {8, true, kBottomLeft},
  };
  for (const Case& c : cases) {
    ImageDecoder decoder({kNoLimit, 0, 0});
    const Bytes pixels =
        test::LoadAndExport(decoder, test::WithExif(jpeg, c.orientation, "", ""), 0, true);
    EXPECT_EQ(decoder.width(), c.turned ? 8 : 16) << c.orientation;
    EXPECT_EQ(RedCorner(pixels, decoder.width(), decoder.height()), c.corner) << c.orientation;
  }
  // Without auto-orientation the stored value is ignored.
  ImageDecoder decoder({kNoLimit, 0, 0});
  const Bytes pixels = test::LoadAndExport(decoder, test::WithExif(jpeg, 6, "", ""), 0, false);
  EXPECT_EQ(RedCorner(pixels, decoder.width(), decoder.height()), kTopLeft);
}

TEST(ImageDecoder, ExplicitRotationWinsOverStoredOrientation) {
  const Bytes jpeg = test::WithExif(test::Encode(Marked(), "JPEG"), 6, "", "");
  struct Case {
    int rotation;
    Corner corner;
  };
  for (const Case& c : {Case{90, kTopRight}, Case{180, kBottomRight}, Case{270, kBottomLeft},
                        Case{-90, kBottomLeft}}) {
    ImageDecoder decoder({kNoLimit, 0, 0});
    const Bytes pixels = test::LoadAndExport(decoder, jpeg, c.rotation, true);
    EXPECT_EQ(decoder.width(), c.rotation == 180 ? 16 : 8) << c.rotation;
    EXPECT_EQ(RedCorner(pixels, decoder.width(), decoder.height()), c.corner) << c.rotation;
  }
}

// Animations are written as MIFF, which keeps offsets, delays and disposal like GIF but needs no
// slow palette reduction when the test writes it.
Bytes TwoFrameAnimation(size_t width, size_t height) {
  return test::EncodeFrames(
      {test::AnimationFrame(width, height, "red", Magick::Geometry(width, height, 0, 0), 10, 0),
       test::AnimationFrame(width / 2, height / 2, "blue", Magick::Geometry(width, height, 1, 1), 0,
                            0)},
      "MIFF");
}

TEST(ImageDecoder, OnlyQuarterTurnsSwapTheCanvas) {
  const Bytes animation = TwoFrameAnimation(20, 10);
  for (const auto& [rotation, swapped] :
       {std::pair{0, false}, std::pair{90, true}, std::pair{180, false}, std::pair{270, true},
        std::pair{-90, false}}) {
    ImageDecoder decoder({kNoLimit, 0, 0});
    decoder.Load(animation.data(), static_cast<int32_t>(animation.size()), rotation, false,
                 u"a.miff");
    EXPECT_TRUE(decoder.animated());
    EXPECT_EQ(decoder.totalBytes(), (20 * 10 + 10 * 5) * 4);
    EXPECT_EQ(decoder.CanvasSize(), swapped ? std::make_pair(10, 20) : std::make_pair(20, 10))
        << rotation;
  }
}

TEST(ImageDecoder, SizeBoxFitsStillImagesOnly) {
  for (const auto& [longSide, shortSide] : {std::pair{80, 60}, std::pair{60, 80}}) {
    ImageDecoder wide({kNoLimit, std::max(longSide, shortSide), std::min(longSide, shortSide)});
    test::LoadAndExport(wide, test::Encode(test::Filled(200, 100, "red"), "PNG"));
    EXPECT_EQ(std::make_pair(wide.width(), wide.height()), std::make_pair(80, 40));
    ImageDecoder tall({kNoLimit, 80, 60});
    test::LoadAndExport(tall, test::Encode(test::Filled(100, 200, "red"), "PNG"));
    EXPECT_EQ(std::make_pair(tall.width(), tall.height()), std::make_pair(40, 80));
  }
  ImageDecoder small({kNoLimit, 80, 60});
  test::LoadAndExport(small, test::Encode(test::Filled(70, 50, "red"), "PNG"));
  EXPECT_EQ(std::make_pair(small.width(), small.height()), std::make_pair(70, 50));

  ImageDecoder decoder({kNoLimit, 8, 6});
  const Bytes animation = TwoFrameAnimation(20, 10);
  decoder.Load(animation.data(), static_cast<int32_t>(animation.size()), 0, false, u"a.miff");
  EXPECT_EQ(decoder.width(), 20);
}

TEST(ImageDecoder, SizeBoxDecodesLargeJpegsReduced) {
  // The reduced JPEG decode still covers the box; the fit then lands on the exact size.
  Magick::Image large = Marked();
  large.sample(Magick::Geometry(320, 160));
  const Bytes jpeg = test::Encode(large, "JPEG");
  ImageDecoder decoder({kNoLimit, 40, 30});
  const Bytes pixels = test::LoadAndExport(decoder, jpeg);
  EXPECT_EQ(std::make_pair(decoder.width(), decoder.height()), std::make_pair(40, 20));
  EXPECT_EQ(RedCorner(pixels, 40, 20), kTopLeft);
}

TEST(ImageDecoder, JpegPreScaleNeverEnlarges) {
  // Smaller than its box: the JPEG keeps its own size, as the same picture stored as PNG does.
  const Magick::Image small = test::Filled(102, 76, "red");
  for (const char* format : {"JPEG", "PNG"}) {
    ImageDecoder decoder({kNoLimit, 192, 108});
    test::LoadAndExport(decoder, test::Encode(small, format));
    EXPECT_EQ(std::make_pair(decoder.width(), decoder.height()), std::make_pair(102, 76)) << format;
  }

  // The hint is the fitted size, reached by a reduction; a panorama reaches the box's short side
  // only at full size, and a portrait's fitted size follows its own orientation.
  const Bytes panorama = test::Encode(test::Filled(400, 100, "red"), "JPEG");
  EXPECT_EQ(JpegPreScaleHint(panorama.data(), panorama.size(), 192, 108), "192x48");
  const Bytes portrait = test::Encode(test::Filled(300, 400, "red"), "JPEG");
  EXPECT_EQ(JpegPreScaleHint(portrait.data(), portrait.size(), 192, 108), "108x144");
  const Bytes fits = test::Encode(small, "JPEG");
  EXPECT_EQ(JpegPreScaleHint(fits.data(), fits.size(), 192, 108), "");
  const Bytes png = test::Encode(test::Filled(400, 100, "red"), "PNG");
  EXPECT_EQ(JpegPreScaleHint(png.data(), png.size(), 192, 108), "");
  EXPECT_EQ(JpegPreScaleHint(panorama.data(), panorama.size(), 0, 0), "");

  ImageDecoder decoder({kNoLimit, 192, 108});
  test::LoadAndExport(decoder, panorama);
  EXPECT_EQ(std::make_pair(decoder.width(), decoder.height()), std::make_pair(192, 48));
}

TEST(ImageDecoder, ReadThatYieldsNoPixelsRaises) {
  // The PNG decoder gives up without a word on a picture wider than the library's limit.
  const auto limit = MagickCore::GetMagickResourceLimit(MagickCore::WidthResource);
  ASSERT_LT(limit, 0x7FFFFFFFu) << "no width limit to go past";
  const Bytes png = test::WithPngWidth(test::Encode(test::Filled(1, 1, "red"), "PNG"),
                                       static_cast<uint32_t>(limit + 1));
  ImageDecoder decoder({kNoLimit, 0, 0});
  EXPECT_THROW(decoder.Load(png.data(), static_cast<int32_t>(png.size()), 0, false, u"wide.png"),
               std::range_error);
}

TEST(ImageDecoder, ByteBudgetShrinksStillImagesLinearly) {
  const Bytes png = test::Encode(test::Filled(400, 300, "red"), "PNG");
  const auto load = [&png](int32_t byteLimit, int32_t longSide, int32_t shortSide) {
    ImageDecoder decoder({byteLimit, longSide, shortSide});
    test::LoadAndExport(decoder, png);
    return std::make_pair(decoder.width(), decoder.height());
  };
  // 480,000 bytes with a budget of 240,000: factor 0.5 on both sides, a quarter of the bytes.
  EXPECT_EQ(load(240000, 0, 0), std::make_pair(200, 150));
  EXPECT_EQ(load(kNoLimit, 0, 0), std::make_pair(400, 300));
  EXPECT_EQ(load(480000, 0, 0), std::make_pair(400, 300));
  // The budget is measured after the box: 200 × 150 needs 120,000; a quarter is left.
  EXPECT_EQ(load(30000, 200, 200), std::make_pair(50, 37));
}

std::vector<Magick::Image> Frames(int count, size_t width, size_t height) {
  std::vector<Magick::Image> frames;
  for (int i = 0; i < count; ++i) {
    frames.push_back(test::AnimationFrame(width, height, i % 2 ? "red" : "blue",
                                          Magick::Geometry(width, height, 0, 0), 10, 0));
  }
  return frames;
}

TEST(ImageDecoder, RotatedAnimationOverBudgetZoomsEveryFrame) {
  // 10 frames of 100 × 60 need 240,000 bytes; a budget of 60,000 gives √0.25 = 0.5.
  const Bytes animation = test::EncodeFrames(Frames(10, 100, 60), "MIFF");
  ImageDecoder decoder({60000, 0, 0});
  decoder.Load(animation.data(), static_cast<int32_t>(animation.size()), 90, false, u"a.miff");
  EXPECT_FALSE(decoder.canvasMode());
  EXPECT_DOUBLE_EQ(decoder.scale(), 0.5);
  EXPECT_EQ(decoder.totalBytes(), 60000);
  EXPECT_EQ(decoder.CanvasSize(), std::make_pair(30, 50));
  int frames = 1;
  do {
    EXPECT_EQ(std::make_pair(decoder.width(), decoder.height()), std::make_pair(30, 50));
    EXPECT_EQ(decoder.frameBytes(), 30 * 50 * 4);
    EXPECT_EQ(test::ExportCurrent(decoder).size(), 6000u);
  } while (decoder.NextFrame(90, false) && ++frames);
  EXPECT_EQ(frames, 10);
}

TEST(ImageDecoder, PlainFramesReportScaledPositionsAndDelays) {
  const Bytes gif = test::EncodeFrames(
      {test::AnimationFrame(40, 30, "red", Magick::Geometry(40, 30, 0, 0), 0, 0),
       test::AnimationFrame(10, 10, "blue", Magick::Geometry(40, 30, 5, 7), 25, 0),
       test::AnimationFrame(9, 9, "green", Magick::Geometry(40, 30, 11, 3), 0, 0)},
      "GIF");
  ImageDecoder decoder({1800, 0, 0, AnimationScaling::kZoomEveryFrame});  // need 5,924 bytes
  decoder.Load(gif.data(), static_cast<int32_t>(gif.size()), 0, false, u"a.gif");
  const double scale = decoder.scale();
  ASSERT_LT(scale, 1.0);
  EXPECT_FALSE(decoder.canvasMode());
  EXPECT_EQ(decoder.FramePosition(), std::make_pair(0, 0));
  EXPECT_EQ(decoder.FrameDelay(), 0);
  ASSERT_TRUE(decoder.NextFrame(0, false));
  EXPECT_EQ(decoder.FramePosition(),
            std::make_pair(static_cast<int32_t>(5 * scale), static_cast<int32_t>(7 * scale)));
  EXPECT_EQ(decoder.FrameDelay(), 25);
  EXPECT_EQ(decoder.width(), static_cast<int32_t>(10 * scale));
  ASSERT_TRUE(decoder.NextFrame(0, false));
  EXPECT_EQ(decoder.FramePosition(),
            std::make_pair(static_cast<int32_t>(11 * scale), static_cast<int32_t>(3 * scale)));
  EXPECT_EQ(decoder.FrameDelay(), 0);
  EXPECT_FALSE(decoder.NextFrame(0, false));
}

TEST(ImageDecoder, DelaysBeyondTheSignedRangeAreHeldAtItsTop) {
  std::vector<Magick::Image> frames = Frames(2, 20, 10);
  frames[0].animationDelay(5000000000);
  frames[1].animationDelay(300000000);
  const Bytes miff = test::EncodeFrames(frames, "MIFF");
  // Plain frames, then canvas mode (over budget), which keeps the delays of its own.
  for (const int32_t budget : {kNoLimit, 1000}) {
    ImageDecoder decoder({budget, 0, 0});
    decoder.Load(miff.data(), static_cast<int32_t>(miff.size()), 0, false, u"a.miff");
    EXPECT_EQ(decoder.canvasMode(), budget != kNoLimit);
    EXPECT_EQ(decoder.FrameDelay(), INT32_MAX);
    ASSERT_TRUE(decoder.NextFrame(0, false));
    EXPECT_EQ(decoder.FrameDelay(), 300000000);
  }
}

TEST(ImageDecoder, DamagedLaterFrameLeavesTheFirstAsAStillImage) {
  std::vector<Magick::Image> frames = Frames(3, 30, 20);
  for (Magick::Image& frame : frames) frame.addNoise(Magick::GaussianNoise);
  // Cut inside the last frame's data.
  Bytes gif = test::EncodeFrames(frames, "GIF");
  gif.resize(gif.size() * 5 / 6);
  ImageDecoder decoder({kNoLimit, 0, 0});
  test::LoadAndExport(decoder, gif, 0, false, u"cut.gif");
  EXPECT_FALSE(decoder.animated());
  EXPECT_EQ(decoder.totalBytes(), 0);
  EXPECT_EQ(decoder.FrameCount(), 1);
  EXPECT_EQ(decoder.width(), 30);
}

// A top-down 32-bit BMP as a rendered document page arrives, every pixel different.
Bytes TopDownBmp(int32_t width, int32_t height, uint8_t alpha) {
  Bytes file(54 + static_cast<size_t>(width) * height * 4);
  const auto put32 = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(-height));
  file[26] = 1;
  file[28] = 32;
  for (size_t i = 54; i < file.size(); i += 4) {
    file[i] = static_cast<uint8_t>(i * 7);
    file[i + 1] = static_cast<uint8_t>(i * 13);
    file[i + 2] = static_cast<uint8_t>(i * 29);
    file[i + 3] = alpha;
  }
  return file;
}

// What the library makes of a picture, as BGRA.
Bytes LibraryBgra(const Bytes& file) {
  Magick::Image image;
  Magick::Blob blob(file.data(), file.size());
  image.read(blob);
  Bytes pixels(image.columns() * image.rows() * 4);
  image.write(0, 0, image.columns(), image.rows(), "BGRA", Magick::CharPixel, pixels.data());
  return pixels;
}

// Such a page is sent as its bytes stand, which must be what the library makes of the file; a
// box that shrinks it, or a single pixel that is not opaque, sends it the library's way.
TEST(ImageDecoder, OpaqueTopDownBmpIsSentAsItsPixelsStand) {
  const Bytes bmp = TopDownBmp(7, 5, 0xFF);
  ImageDecoder decoder({kNoLimit, 0, 0});
  const Bytes pixels = test::LoadAndExport(decoder, bmp, 0, false, u"page.bmp");
  EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.end()), pixels);
  EXPECT_EQ(LibraryBgra(bmp), pixels);

  ImageDecoder boxed({kNoLimit, 4, 4});
  test::LoadAndExport(boxed, bmp, 0, false, u"page.bmp");
  EXPECT_EQ(boxed.width(), 4);

  Bytes oneSeeThrough = bmp;
  oneSeeThrough[54 + 4 * 17 + 3] = 0;
  ImageDecoder declined({kNoLimit, 0, 0});
  EXPECT_EQ(LibraryBgra(oneSeeThrough),
            test::LoadAndExport(declined, oneSeeThrough, 0, false, u"page.bmp"));
}

}  // namespace
}  // namespace zel
