// The host's own policy for the image library: what it refuses whatever a file is called or looks
// like, and limits that are the host's whatever a system policy file says.
#include "imaging/library_policy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "imaging/resource_limits.h"
#include "platform/process_limits.h"
#include "tests/support/test_images.h"
#include "util/strings.h"

namespace zel {
namespace {

using test::Bytes;

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Reads the bytes with `name` handed to the library as it is, as if a hostile name had got past
// the host's own hint (which puts every name under the temporary folder). The width read, or 0.
size_t WidthRead(const Bytes& bytes, const std::string& name) {
  try {
    Magick::Image image;
    image.fileName(name);
    image.quiet(true);
    image.read(Magick::Blob(bytes.data(), bytes.size()));
    return image.columns();
  } catch (const std::exception&) {
    return 0;
  }
}

std::string LoadedCoderModules() {
  std::ifstream maps("/proc/self/maps");
  const std::string text((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
  return text;
}

TEST(LibraryPolicy, InterpretersScriptsAndIndirectReadsAreRefusedWhateverTheName) {
  // A picture the user can read, which no file may pull into its reply.
  const std::filesystem::path secret =
      std::filesystem::path(vesku::ToUtf8(test::TestTempFolder())).parent_path() /
      "zel_policy_secret.png";
  const Bytes png = test::Encode(test::Filled(4, 4, "red"), "PNG");
  std::ofstream(secret, std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  const std::string secretName = secret.string();

  // PostScript without the header that content sniffing knows, so only the name tells.
  const Bytes postscript = ToBytes("/Helvetica findfont 9 scalefont setfont (x) show showpage\n");
  const Bytes svg = ToBytes(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
      "width=\"4\" height=\"4\"><image xlink:href=\"" +
      secret.string() + "\" width=\"4\" height=\"4\"/></svg>");
  const Bytes mvg = ToBytes("viewbox 0 0 4 4 image over 0,0 4,4 '" + secret.string() + "'");
  const std::pair<Bytes, std::string> refused[] = {
      {postscript, "drawing.ai"},
      {postscript, "figure.epsf"},
      {postscript, "figure.epi"},
      {postscript, "figure.eps"},
      {ToBytes("%!PS-Adobe-3.0\n" + std::string(postscript.begin(), postscript.end())),
       "photo.png"},
      {ToBytes("%PDF-1.4\n"), "document.pdf"},
      {svg, "picture.svg"},
      {svg, "msvg:picture"},
      {mvg, "picture.mvg"},
      {mvg, "mvg:picture"},
      {ToBytes("<?xml version=\"1.0\"?><image><read filename=\"x.png\"/></image>"), "msl:script"},
      {ToBytes("plain words"), "text:" + secretName},
      {png, "text:" + secretName},
      {ToBytes(std::string("\0\0\0\x18"
                           "ftypmp42",
                           12)),
       "clip.mp4"},
  };
  for (const auto& [bytes, name] : refused) EXPECT_EQ(WidthRead(bytes, name), 0u) << name;

  // Names that would read a list of files, delete one or fetch one are only names: the bytes are
  // the image.
  for (const std::string& name :
       {"@" + secretName, "ephemeral:" + secretName, std::string("https://example.org/x.png")}) {
    EXPECT_EQ(WidthRead(png, name), 4u) << name;
  }
  EXPECT_TRUE(std::filesystem::exists(secret));
  std::filesystem::remove(secret);

  // None of the refused coders was even loaded into the process.
  const std::string modules = LoadedCoderModules();
  for (const char* coder :
       {"/ps.so", "/pdf.so", "/svg.so", "/mvg.so", "/msl.so", "/txt.so", "/url.so", "/video.so"}) {
    EXPECT_EQ(modules.find(std::string("coders") + coder), std::string::npos) << coder;
  }
}

TEST(LibraryPolicy, LimitsAreTheHostsAndPixelsNeverSpillToDisk) {
  const ImageLibraryLimits limits = ImageLibraryLimitsFor(platform::PhysicalMemoryBytes());
  EXPECT_EQ(MagickCore::GetMagickResourceLimit(MagickCore::MemoryResource), limits.pixelMemory);
  EXPECT_EQ(MagickCore::GetMagickResourceLimit(MagickCore::MapResource), limits.pixelMemory);
  EXPECT_EQ(MagickCore::GetMagickResourceLimit(MagickCore::DiskResource), 0u);
  EXPECT_EQ(MagickCore::GetMagickResourceLimit(MagickCore::AreaResource), limits.imagePixels);
  EXPECT_EQ(MagickCore::GetMagickResourceLimit(MagickCore::ListLengthResource), limits.frameCount);
  // The library's own time limit would end the process after that long a life.
  using MagickCore::MagickSizeType;  // which the library's infinity is spelt in
  EXPECT_EQ(MagickCore::GetMagickResourceLimit(MagickCore::TimeResource), MagickResourceInfinity);

  // On a small machine and a large one, a 24-megapixel photo and a resized copy of it fit in
  // memory, and the process has room beyond the pixels for two reply-sized buffers.
  constexpr uint64_t kGiB = uint64_t{1} << 30;
  for (const uint64_t memory : {2 * kGiB, 64 * kGiB}) {
    const ImageLibraryLimits machine = ImageLibraryLimitsFor(memory);
    EXPECT_GE(machine.imagePixels, 24000000u);
    EXPECT_GE(machine.pixelMemory, machine.imagePixels * 2 * 16);
    EXPECT_GE(ProcessDataLimitFor(memory, 100 << 20), machine.pixelMemory + (200u << 20));
  }
}

}  // namespace
}  // namespace zel
