#include "imaging/image_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "imaging/named_image.h"
#include "imaging/summarize_image.h"
#include "tests/support/test_images.h"
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

TEST(CreateNamedImage, HintCarriesNothingOfTheNameButAPlainExtension) {
  const std::string folder = vesku::ToUtf8(test::TestTempFolder());
  EXPECT_EQ(CreateNamedImage(u"photo.JPG").fileName(), folder + "/source.JPG");
  EXPECT_TRUE(CreateNamedImage(u"photo.JPG").quiet());
  EXPECT_EQ(FileNameHint(u"gif:photo.png"), folder + "/source.png");
  // Frame and size suffixes, coder prefixes, list files, pipes, patterns, paths: none survive.
  for (const std::u16string name :
       {u"pl[50%]", u"anim.gif[2]", u"b[8000x4000]", u"gif:x", u"@list.txt[1]", u"|cat x",
        u"frame%d", u"dir.d/file", u"x.", u"x.png ", u"x.\u00e9", u"x.abcdefghijklmnopq"}) {
    EXPECT_EQ(FileNameHint(name), folder + "/source") << vesku::ToUtf8(name);
  }
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
