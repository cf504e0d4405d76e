// Images through a real host as a viewer meets them: file names from the viewer's file system,
// which must never steer the decoder, and files the decoder reads as nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/hooks/test_opcodes.h"
#include "tests/support/test_images.h"
#include "util/strings.h"

namespace zel::e2e {
namespace {

using test::Bytes;

void ExpectSameBitmap(const client::BitmapReply& a, const client::BitmapReply& b,
                      const std::string& label) {
  EXPECT_EQ(a.animated, b.animated) << label;
  EXPECT_EQ(std::make_pair(a.width, a.height), std::make_pair(b.width, b.height)) << label;
  ASSERT_EQ(a.frames.size(), b.frames.size()) << label;
  for (size_t i = 0; i < a.frames.size(); ++i) {
    const client::Frame& x = a.frames[i];
    const client::Frame& y = b.frames[i];
    EXPECT_EQ(std::vector<int32_t>({x.width, x.height, x.x, x.y, x.delayMs}),
              std::vector<int32_t>({y.width, y.height, y.x, y.y, y.delayMs}))
        << label << ", frame " << i;
    EXPECT_TRUE(x.bgra == y.bgra) << label << ", frame " << i;
  }
}

void ExpectSameSummary(const ImageSummary& a, const ImageSummary& b, const std::string& label) {
  EXPECT_EQ(std::vector<int32_t>({a.width, a.height, a.flags, a.rotation}),
            std::vector<int32_t>({b.width, b.height, b.flags, b.rotation}))
      << label;
  EXPECT_EQ(a.dateTaken, b.dateTaken) << label;
}

// The properties of a reply without the library's "date:" stamps, which tell when the bytes were
// read: two reads a second apart differ there whatever the name.
std::vector<std::pair<std::string, std::string>> StableProperties(
    const client::PropertiesReply& reply) {
  std::vector<std::pair<std::string, std::string>> stable;
  for (const auto& property : reply.properties) {
    if (property.first.rfind("date:", 0) != 0) stable.push_back(property);
  }
  return stable;
}

TEST(ImageReplies, FileNamesAreOnlyAFormatHint) {
  WorkFolder work;
  client::CHostClient client(HostOptionsFor(work));
  const Bytes png = test::Encode(test::Filled(40, 30, "rgb(200,30,40)"), "PNG");
  const Bytes gif =
      test::EncodeFrames({test::AnimationFrame(40, 30, "red", Magick::Geometry(40, 30), 10, 1),
                          test::AnimationFrame(40, 30, "blue", Magick::Geometry(40, 30), 10, 1)},
                         "GIF");
  // A turn keeps the GIF off the fast path, which never looks at the name.
  client::BitmapOptions turned;
  turned.rotation = 90;

  for (const Bytes* bytes : {&png, &gif}) {
    const client::FileRef plain = FileOf(*bytes, u"picture", "image/png");
    const client::BitmapReply bitmap = client.ConvertToBitmap(plain, turned);
    const client::FileInfoReply info = client.FileInfo(plain);
    const client::PropertiesReply properties = client.ReadImageProperties(plain);
    const client::PartialProbeReply probe = client.ProbePartialImage(plain, plain.size, nullptr, 0);
    ASSERT_TRUE(info.known);
    ASSERT_TRUE(properties.found);

    for (const char16_t* name :
         {u"picture[50%]", u"picture[1]", u"picture[8000x4000]", u"gif:picture", u"png:picture",
          u"picture%d", u"@picture", u"|picture"}) {
      const std::string label = vesku::ToUtf8(name) + (bytes == &png ? " (PNG)" : " (GIF)");
      const client::FileRef file = FileOf(*bytes, name, "image/png");
      ExpectSameBitmap(client.ConvertToBitmap(file, turned), bitmap, label);
      const client::FileInfoReply sameInfo = client.FileInfo(file);
      ASSERT_TRUE(sameInfo.known) << label;
      ExpectSameSummary(sameInfo.summary, info.summary, label);
      const client::PropertiesReply sameProperties = client.ReadImageProperties(file);
      ASSERT_TRUE(sameProperties.found) << label;
      EXPECT_EQ(StableProperties(sameProperties), StableProperties(properties)) << label;
      const client::PartialProbeReply sameProbe =
          client.ProbePartialImage(file, file.size, nullptr, 0);
      EXPECT_EQ(sameProbe.result, probe.result) << label;
      ExpectSameSummary(sameProbe.summary, probe.summary, label);
    }
  }
}

struct ClientRun {
  int exitCode = -1;  // the shell's code: 128 + the signal for a program a signal ended
  std::string err;
};

ClientRun RunClient(const WorkFolder& work, const std::string& hostPath, const Bytes& file,
                    const std::string& fileName) {
  const std::filesystem::path input = work.path() / fileName;
  std::ofstream(input, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  const std::filesystem::path err = work.path() / "client.err";
  const std::filesystem::path code = work.path() / "client.code";
  const std::string command =
      "'" ZEL_CLIENT_PATH "' convert '" + input.string() + "' '" + (work.path() / "out").string() +
      "' --host '" + hostPath + "' --work '" + (work.path() / "client-work").string() +
      "' >/dev/null 2>'" + err.string() + "'; echo $? >'" + code.string() + "'";
  ClientRun run;
  if (std::system(command.c_str()) != 0) return run;
  run.exitCode = std::stoi(ReadText(code));
  run.err = ReadText(err);
  return run;
}

TEST(ImageReplies, AReadThatYieldsNoImageIsAFailure) {
  // Far wider than the library's width limit: its PNG decoder gives up without a word.
  const Bytes wide = test::WithPngWidth(test::Encode(test::Filled(1, 1, "red"), "PNG"), 1000000);
  WorkFolder work;
  client::CHostClient client(HostOptionsFor(work));
  try {
    client.ConvertToBitmap(FileOf(wide, u"wide.png", "image/png"), {});
    ADD_FAILURE() << "an empty read was answered as a picture";
  } catch (const client::HostError& error) {
    EXPECT_EQ(1, error.status());
  }
  const Bytes png = test::Encode(test::Filled(3, 2, "red"), "PNG");
  EXPECT_EQ(3, client.ConvertToBitmap(FileOf(png, u"next.png", "image/png"), {}).width);

  ClientRun run = RunClient(work, ZEL_HOST_PATH, wide, "wide.png");
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ("zelClient: The host answered with error 1\n", run.err);

  // A host that sends a picture of no pixels all the same gets a message, not an abort.
  run = RunClient(work, ZEL_TESTHOOKS_HOST_PATH, png,
                  vesku::ToUtf8(std::u16string(kEmptyFrameFileName)));
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ("zelClient: The host sent an empty frame (0x0)\n", run.err);
}

}  // namespace
}  // namespace zel::e2e
