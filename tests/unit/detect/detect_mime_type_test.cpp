#include "detect/detect_mime_type.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "detect/is_video_file_name.h"
#include "detect/mime_types.h"

namespace zel {
namespace {

const std::vector<uint8_t> kJpegStart = {0xFF, 0xD8, 0xFF, 0xE0};
const std::vector<uint8_t> kPngStart = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

TEST(DetectMimeType, ContentDecidesForJpegAndPngWhateverTheName) {
  EXPECT_EQ(DetectMimeType(u"photo.pdf", kJpegStart), kMimeJpeg);
  EXPECT_EQ(DetectMimeType(u"", {0xFF, 0xD8, 0xFF}), kMimeJpeg);
  EXPECT_EQ(DetectMimeType(u"/docs/report.pdf", kPngStart), kMimePng);
  EXPECT_EQ(DetectMimeType(u"notes.txt", kPngStart), kMimePng);
}

TEST(DetectMimeType, ShortSignaturesFallBackToTheExtension) {
  EXPECT_EQ(DetectMimeType(u"a.pdf", {0xFF, 0xD8}), kMimePdf);
  EXPECT_EQ(DetectMimeType(u"a.jpg", {0xFF, 0xD8}), kMimeUnknown);
  const std::vector<uint8_t> sevenPngBytes(kPngStart.begin(), kPngStart.end() - 1);
  EXPECT_EQ(DetectMimeType(u"a.txt", sevenPngBytes), kMimeText);
  EXPECT_EQ(DetectMimeType(u"a.png", sevenPngBytes), kMimeUnknown);
}

TEST(DetectMimeType, ExtensionsMatchInAnyLetterCase) {
  EXPECT_EQ(DetectMimeType(u"C:\\Users\\me\\A.PDF", {}), kMimePdf);
  EXPECT_EQ(DetectMimeType(u"READ.TXT", {}), kMimeText);
  EXPECT_EQ(DetectMimeType(u"Letter.Docx", {}), kMimeDocx);
  EXPECT_EQ(std::string(kMimeDocx).size(), 71u);
}

TEST(DetectMimeType, OnlyTheLastDotCounts) {
  EXPECT_EQ(DetectMimeType(u"archive.tar.pdf", {}), kMimePdf);
  EXPECT_EQ(DetectMimeType(u"report.pdf.bak", {}), kMimeUnknown);
  EXPECT_EQ(DetectMimeType(u"trailing.", {}), kMimeUnknown);
  EXPECT_EQ(DetectMimeType(u"/home/my.folder/file", {}), kMimeUnknown);
  EXPECT_EQ(DetectMimeType(u"/home/my.pdf/file", {}), kMimeUnknown);
  EXPECT_EQ(DetectMimeType(u"noextension", {'%', 'P', 'D', 'F'}), kMimeUnknown);
  EXPECT_EQ(DetectMimeType(u"", {}), kMimeUnknown);
}

TEST(DetectMimeType, ExtensionMustMatchExactly) {
  EXPECT_EQ(DetectMimeType(u"a.pdfx", {}), kMimeUnknown);
  EXPECT_EQ(DetectMimeType(u"a.pd", {}), kMimeUnknown);
  EXPECT_EQ(DetectMimeType(u"a.doc", {}), kMimeUnknown);
  EXPECT_EQ(DetectMimeType(u"a.pdf ", {}), kMimeUnknown);
}

TEST(IsVideoFileName, KnownExtensionsInAnyCase) {
  for (const char16_t* name : {u"a.mp4", u"a.avi", u"a.mov", u"a.mkv", u"a.webm", u"a.wmv",
                               u"a.m4v", u"a.3gp", u"a.mpg", u"a.mpeg", u"CLIP.MPEG", u"x.MoV"}) {
    EXPECT_TRUE(IsVideoFileName(name))
        << std::string(name, name + std::char_traits<char16_t>::length(name));
  }
}

TEST(IsVideoFileName, EverythingElseIsNotVideo) {
  for (const char16_t* name : {u"a.mpe", u"a.mp", u"a.mp44", u"mp4", u"", u"clip.", u"a.mp4.txt",
                               u"my.mp4/file", u"a.jpg"}) {
    EXPECT_FALSE(IsVideoFileName(name));
  }
}

}  // namespace
}  // namespace zel
