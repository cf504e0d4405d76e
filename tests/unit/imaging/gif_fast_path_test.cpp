#include "imaging/gif_fast_path.h"

#include <gtest/gtest.h>

#include <thread>

#include "imaging/frame_geometry.h"
#include "tests/unit/imaging/gif_test_images.h"

namespace zel {
namespace {

using test::FrameSpec;
using test::MakeGif;

constexpr int32_t kLargeBudget = 64 * 1024 * 1024;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kLime = 0x00FF00;

std::optional<GifAnimation> Decode(const std::string& gif, int32_t budget) {
  return DecodeGifFast(gif.data(), gif.size(), budget);
}

FrameRect RectOf(const GifFrame& frame) { return {frame.x, frame.y, frame.width, frame.height}; }

// Every composed frame matches the library's own coalesced frame scaled to the same canvas.
void ExpectMatchesLibrary(const std::string& gif, const GifAnimation& animation, int32_t left,
                          int32_t top, int32_t width, int32_t height) {
  const auto drawn = test::DrawFrames(animation);
  const auto reference = test::ReferenceFrames(gif, left, top, width, height, animation.canvasWidth,
                                               animation.canvasHeight);
  ASSERT_EQ(drawn.size(), reference.size());
  for (size_t i = 0; i < drawn.size(); ++i) {
    EXPECT_LT(test::MeanDifference(drawn[i], reference[i]), 1.0) << "frame " << i;
  }
}

TEST(GifFastPath, CanvasIsTheBoundingBoxOfOffsetFrames) {
  const std::string gif =
      MakeGif({{10, 10, 20, 16, "red", 2, 7, "blue"}, {14, 12, 8, 6, "lime", 0, 9}}, 40, 40);
  const auto animation = Decode(gif, kLargeBudget);
  ASSERT_TRUE(animation);
  EXPECT_EQ(animation->canvasWidth, 20);
  EXPECT_EQ(animation->canvasHeight, 16);
  EXPECT_EQ(animation->scale, 1.0);
  ASSERT_EQ(animation->frames.size(), 2u);
  const GifFrame& first = animation->frames[0];
  EXPECT_EQ(RectOf(first), (FrameRect{0, 0, 20, 16}));
  EXPECT_EQ(first.delay, 7);
  // Frame 0 restores to the background, so frame 1 covers frame 0's area as well.
  const GifFrame& second = animation->frames[1];
  EXPECT_EQ(RectOf(second), (FrameRect{0, 0, 20, 16}));
  EXPECT_EQ(second.delay, 9);
  EXPECT_EQ(animation->totalBytes, 2 * 20 * 16 * 4);
  for (const GifFrame& frame : animation->frames) {
    for (size_t i = 3; i < frame.pixels.size(); i += 4) ASSERT_EQ(frame.pixels[i], 255);
  }
  const auto drawn = test::DrawFrames(*animation);
  EXPECT_EQ(test::RgbAt(drawn[0], 20, 0, 0), kRed);
  EXPECT_EQ(test::RgbAt(drawn[0], 20, 10, 8), kBlue);
  EXPECT_EQ(test::RgbAt(drawn[1], 20, 0, 0), kWhite);
  EXPECT_EQ(test::RgbAt(drawn[1], 20, 4, 2), kLime);
  ExpectMatchesLibrary(gif, *animation, 10, 10, 20, 16);
}

TEST(GifFastPath, LaterFrameKeepsItsOwnRectangle) {
  const std::string gif = MakeGif({{10, 10, 20, 16, "red", 1}, {14, 12, 8, 6, "lime", 0}}, 40, 40);
  const auto animation = Decode(gif, kLargeBudget);
  ASSERT_TRUE(animation);
  const GifFrame& second = animation->frames[1];
  EXPECT_EQ(RectOf(second), (FrameRect{4, 2, 8, 6}));
  EXPECT_EQ(animation->totalBytes, (20 * 16 + 8 * 6) * 4);
}

TEST(GifFastPath, DisposalRestoresBackgroundAndPrevious) {
  const std::string gif = MakeGif({{0, 0, 30, 20, "blue", 1},
                                   {5, 5, 10, 10, "red", 3},
                                   {20, 10, 4, 4, "lime", 2},
                                   {0, 0, 5, 5, "yellow", 0}},
                                  30, 20);
  const auto animation = Decode(gif, kLargeBudget);
  ASSERT_TRUE(animation);
  ASSERT_EQ(animation->frames.size(), 4u);
  // Frame 2 also covers frame 1's restored area, frame 3 frame 2's.
  const GifFrame& third = animation->frames[2];
  EXPECT_EQ(RectOf(third), (FrameRect{5, 5, 19, 10}));
  const GifFrame& fourth = animation->frames[3];
  EXPECT_EQ(RectOf(fourth), (FrameRect{0, 0, 24, 14}));

  const auto drawn = test::DrawFrames(*animation);
  EXPECT_EQ(test::RgbAt(drawn[1], 30, 8, 8), kRed);
  EXPECT_EQ(test::RgbAt(drawn[2], 30, 8, 8), kBlue);  // restored to the previous canvas
  EXPECT_EQ(test::RgbAt(drawn[2], 30, 21, 11), kLime);
  EXPECT_EQ(test::RgbAt(drawn[3], 30, 21, 11), kWhite);  // restored to the background
  ExpectMatchesLibrary(gif, *animation, 0, 0, 30, 20);
}

// The format reserves disposal values 4 to 7; the library passes them on as they are. They must
// be read safely and act like "keep", the way the ordinary decoder treats them.
TEST(GifFastPath, ReservedDisposalKeepsTheCanvas) {
  const std::string kept =
      MakeGif({{0, 0, 12, 8, "blue", 1}, {2, 2, 4, 4, "red", 1}, {6, 2, 4, 4, "lime", 1}}, 12, 8);
  std::string reserved = kept;
  int patched = 0;
  for (size_t at = reserved.find("\x21\xF9\x04"); at != std::string::npos;
       at = reserved.find("\x21\xF9\x04", at + 1)) {
    // Packed byte of the graphic control extension: disposal in bits 2 to 4.
    auto& packed = reinterpret_cast<unsigned char&>(reserved[at + 3]);
    packed = static_cast<unsigned char>((packed & ~0x1C) | ((4 + patched % 4) << 2));
    ++patched;
  }
  ASSERT_EQ(patched, 3);

  const auto expected = Decode(kept, kLargeBudget);
  const auto animation = Decode(reserved, kLargeBudget);
  ASSERT_TRUE(expected);
  ASSERT_TRUE(animation);
  EXPECT_EQ(test::DrawFrames(*animation), test::DrawFrames(*expected));
}

TEST(GifFastPath, InterlacedFileGivesTheSameFrames) {
  const std::vector<FrameSpec> frames = {{0, 0, 24, 19, "blue", 1, 10, "red"},
                                         {3, 2, 13, 11, "lime", 2, 10, "yellow"},
                                         {8, 7, 9, 12, "red", 0}};
  const std::string plain = MakeGif(frames, 24, 19);
  const std::string interlaced = MakeGif(frames, 24, 19, true);
  ASSERT_NE(plain, interlaced);
  for (int32_t budget : {kLargeBudget, 2000}) {
    const auto expected = Decode(plain, budget);
    const auto actual = Decode(interlaced, budget);
    ASSERT_TRUE(expected);
    ASSERT_TRUE(actual);
    ASSERT_EQ(actual->frames.size(), expected->frames.size());
    for (size_t i = 0; i < expected->frames.size(); ++i) {
      EXPECT_EQ(actual->frames[i].pixels, expected->frames[i].pixels) << "frame " << i;
    }
  }
}

TEST(GifFastPath, TransparencyIsFlattenedOntoWhite) {
  const std::string gif = MakeGif(
      {{0, 0, 20, 20, "none", 1, 10, "red"}, {0, 0, 20, 20, "none", 1, 10, "blue"}}, 20, 20);
  const auto animation = Decode(gif, kLargeBudget);
  ASSERT_TRUE(animation);
  const auto drawn = test::DrawFrames(*animation);
  EXPECT_EQ(test::RgbAt(drawn[0], 20, 0, 0), kWhite);
  EXPECT_EQ(test::RgbAt(drawn[0], 20, 10, 10), kRed);
  EXPECT_EQ(test::RgbAt(drawn[1], 20, 0, 0), kWhite);
  EXPECT_EQ(test::RgbAt(drawn[1], 20, 10, 10), kBlue);
  ExpectMatchesLibrary(gif, *animation, 0, 0, 20, 20);
}

TEST(GifFastPath, SmallBudgetScalesEveryFrameIntoIt) {
  const std::string gif = MakeGif({{0, 0, 64, 48, "blue", 1, 10, "red"},
                                   {16, 8, 32, 24, "lime", 2, 10, "yellow"},
                                   {40, 30, 20, 16, "red", 3},
                                   {2, 2, 10, 10, "yellow", 0}},
                                  64, 48);
  const int32_t need = (64 * 48 + 32 * 24 + 20 * 16 + 10 * 10) * 4;
  const int32_t budget = need / 4;
  const auto animation = Decode(gif, budget);
  ASSERT_TRUE(animation);
  EXPECT_LT(animation->scale, 1.0);
  EXPECT_LE(animation->totalBytes, budget);
  EXPECT_EQ(animation->canvasWidth, static_cast<int32_t>(64 * animation->scale));
  EXPECT_EQ(animation->canvasHeight, static_cast<int32_t>(48 * animation->scale));
  int64_t sum = 0;
  for (const GifFrame& frame : animation->frames) {
    EXPECT_EQ(frame.pixels.size(), static_cast<size_t>(frame.width) * frame.height * 4);
    EXPECT_LE(frame.x + frame.width, animation->canvasWidth);
    EXPECT_LE(frame.y + frame.height, animation->canvasHeight);
    sum += static_cast<int64_t>(frame.pixels.size());
  }
  EXPECT_EQ(sum, animation->totalBytes);
  ExpectMatchesLibrary(gif, *animation, 0, 0, 64, 48);
}

TEST(GifFastPath, DeclinesWhatItCannotTake) {
  const std::string animation = MakeGif({{0, 0, 8, 8, "red", 1}, {2, 2, 4, 4, "blue", 1}}, 8, 8);
  EXPECT_TRUE(Decode(animation, kLargeBudget));
  EXPECT_FALSE(Decode(animation, 0));
  EXPECT_FALSE(Decode(animation, -1));
  // Two frames need at least two pixels.
  EXPECT_FALSE(Decode(animation, 7));
  EXPECT_FALSE(DecodeGifFast(nullptr, animation.size(), kLargeBudget));
  EXPECT_FALSE(DecodeGifFast(animation.data(), 5, kLargeBudget));
  // Cut inside the second frame: the stream no longer matches what the ping promised.
  EXPECT_FALSE(Decode(animation.substr(0, animation.size() - 12), kLargeBudget));

  EXPECT_FALSE(Decode(MakeGif({{0, 0, 8, 8, "red", 1}}, 8, 8), kLargeBudget));

  Magick::Image png(Magick::Geometry(8, 8), Magick::Color("red"));
  Magick::Blob blob;
  png.write(&blob, "PNG");
  EXPECT_FALSE(DecodeGifFast(blob.data(), blob.length(), kLargeBudget));

  // Two single pixels far apart would need a canvas beyond what the library accepts.
  const std::string spread =
      MakeGif({{0, 0, 1, 1, "red", 1}, {16000, 16000, 1, 1, "blue", 1}}, 16001, 16001);
  EXPECT_FALSE(Decode(spread, kLargeBudget));
}

TEST(GifFastPath, ThreadsStreamDifferentFilesAtOnce) {
  std::vector<std::string> gifs;
  for (int32_t i = 0; i < 4; ++i) {
    gifs.push_back(MakeGif({{0, 0, 40 + i, 30, "blue", 1, 10, "red"},
                            {i, 3, 20, 10 + i, "lime", 2 + i % 2},
                            {10, 10, 12, 12, "yellow", 0}},
                           40 + i, 30));
  }
  std::vector<GifAnimation> expected;
  for (const std::string& gif : gifs) expected.push_back(*Decode(gif, 3000));

  std::vector<int> mismatches(gifs.size(), 0);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < gifs.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 10; ++round) {
        const auto animation = Decode(gifs[t], 3000);
        bool same = animation && animation->frames.size() == expected[t].frames.size();
        for (size_t i = 0; same && i < animation->frames.size(); ++i) {
          same = animation->frames[i].pixels == expected[t].frames[i].pixels &&
                 animation->frames[i].x == expected[t].frames[i].x &&
                 animation->frames[i].y == expected[t].frames[i].y;
        }
        if (!same) ++mismatches[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t t = 0; t < gifs.size(); ++t) EXPECT_EQ(mismatches[t], 0) << "file " << t;
}

}  // namespace
}  // namespace zel
