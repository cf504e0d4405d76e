#include "imaging/image_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "imaging/named_image.h"
#include "imaging/summarize_image.h"
#include "test_images.h"
#include "util/strings.h"

namespace zel {
namespace {

TEST(SetUpImageLibrary, EmptiesTheFolderAndPointsTheLibraryAtIt) {
  const std::string folder = vesku::ToUtf8(test::TestTempFolder());
  EXPECT_EQ(vesku::ToUtf8(ImageTempFolder()), folder);
  ASSERT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  const char* variable = std::getenv("MAGICK_TEMPORARY_PATH");
  ASSERT_NE(variable, nullptr);
  EXPECT_EQ(std::string(variable), folder);
}

TEST(CreateNamedImage, CarriesTheHintUnderTheTemporaryFolder) {
  const Magick::Image image = CreateNamedImage(u"photo.jpg");
  EXPECT_EQ(image.fileName(), vesku::ToUtf8(test::TestTempFolder()) + "/photo.jpg");
  EXPECT_TRUE(image.quiet());
}

TEST(CreateNamedImage, BytesIdentifyTheFormatWithoutAnExtension) {
  const test::Bytes png = test::Encode(test::Filled(5, 4, "red"), "PNG");
  Magick::Image image = CreateNamedImage(u"no_extension");
  image.read(Magick::Blob(png.data(), png.size()));
  EXPECT_EQ(image.magick(), "PNG");
  EXPECT_EQ(image.columns(), 5u);
}

}  // namespace
}  // namespace zel
