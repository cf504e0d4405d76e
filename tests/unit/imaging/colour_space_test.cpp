// Frames leave the decoder in sRGB whatever colour space the file was stored in; the reference is
// the image library's own command line converting the same file.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "imaging/image_decoder.h"
#include "tests/support/test_images.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfileGuard = std::unique_ptr<void, ProfileCloser>;

Magick::Blob SaveProfile(void* profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::string bytes(size, '\0');
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  return Magick::Blob(bytes.data(), size);
}

// CMYK inks as a printer profile would describe them, with a cyan that leans to green, so a
// conversion that ignores the profile cannot pass for one that uses it.
int SampleCmyk(const cmsUInt16Number in[], cmsUInt16Number out[], void* toLab) {
  const double c = in[0] / 65535.0;
  const double m = in[1] / 65535.0;
  const double y = in[2] / 65535.0;
  const double k = in[3] / 65535.0;
  const double rgb[3] = {(1 - c) * (1 - k), (1 - 0.4 * c) * (1 - m) * (1 - k), (1 - y) * (1 - k)};
  cmsCIELab lab;
  cmsDoTransform(toLab, rgb, &lab, 1);
  cmsFloat2LabEncoded(out, &lab);
  return 1;
}

Magick::Blob CmykProfile() {
  const ProfileGuard srgb(cmsCreate_sRGBProfile());
  const ProfileGuard lab(cmsCreateLab4Profile(nullptr));
  cmsHTRANSFORM toLab = cmsCreateTransform(srgb.get(), TYPE_RGB_DBL, lab.get(), TYPE_Lab_DBL,
                                           INTENT_RELATIVE_COLORIMETRIC, 0);
  const ProfileGuard profile(cmsCreateProfilePlaceholder(nullptr));
  cmsSetProfileVersion(profile.get(), 4.3);
  cmsSetDeviceClass(profile.get(), cmsSigOutputClass);
  cmsSetColorSpace(profile.get(), cmsSigCmykData);
  cmsSetPCS(profile.get(), cmsSigLabData);
  cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 4, 3);
  cmsStage* table = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
  cmsStageSampleCLut16bit(table, SampleCmyk, toLab, 0);
  // The table stored as a v4 lookup needs curves on both sides of it; identity curves do.
  cmsPipelineInsertStage(pipeline, cmsAT_BEGIN, cmsStageAllocToneCurves(nullptr, 4, nullptr));
  cmsPipelineInsertStage(pipeline, cmsAT_END, table);
  cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
  cmsWriteTag(profile.get(), cmsSigAToB0Tag, pipeline);
  cmsWriteTag(profile.get(), cmsSigMediaWhitePointTag, cmsD50_XYZ());
  cmsPipelineFree(pipeline);
  cmsDeleteTransform(toLab);
  return SaveProfile(profile.get());
}

// Wide primaries and a linear tone curve: far from sRGB in both respects.
Magick::Blob WideLinearRgbProfile() {
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  const cmsCIExyYTRIPLE primaries = {{0.708, 0.292, 1.0}, {0.170, 0.797, 1.0}, {0.131, 0.046, 1.0}};
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  cmsToneCurve* curves[3] = {linear, linear, linear};
  const ProfileGuard profile(cmsCreateRGBProfile(&white, &primaries, curves));
  cmsFreeToneCurve(linear);
  return SaveProfile(profile.get());
}

class ColourSpaces : public testing::Test {
 protected:
  ColourSpaces()
      : folder_(fs::temp_directory_path() /
                ("zel_colour_" + std::to_string(std::random_device{}()))) {
    fs::create_directories(folder_);
  }
  ~ColourSpaces() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // The file converted by the command line with `conversion` ("-colorspace sRGB" or a profile),
  // as 8-bit RGBA.
  Bytes Reference(const Bytes& file, const std::string& conversion) {
    const fs::path input = folder_ / "input";
    const fs::path output = folder_ / "reference.rgba";
    std::ofstream(input, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    const std::string command = "convert '" + input.string() + "' " + conversion +
                                " -depth 8 'rgba:" + output.string() + "'";
    EXPECT_EQ(0, std::system(command.c_str())) << command;
    std::ifstream in(output, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

  std::string SrgbProfileFile() {
    const fs::path path = folder_ / "srgb.icc";
    const ProfileGuard srgb(cmsCreate_sRGBProfile());
    const Magick::Blob profile = SaveProfile(srgb.get());
    std::ofstream(path, std::ios::binary)
        .write(static_cast<const char*>(profile.data()),
               static_cast<std::streamsize>(profile.length()));
    return path.string();
  }

  // Decodes `file` and checks it against the reference: the mean difference of every channel at
  // most 2 of 255.
  void ExpectLikeReference(const Bytes& file, const std::string& conversion,
                           const std::string& label) {
    ImageDecoder decoder({-1, 0, 0});
    const Bytes bgra = test::LoadAndExport(decoder, file);
    const Bytes rgba = Reference(file, conversion);
    ASSERT_EQ(bgra.size(), rgba.size()) << label;
    double sums[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < bgra.size(); i += 4) {
      sums[0] += std::abs(bgra[i + 2] - rgba[i]);
      sums[1] += std::abs(bgra[i + 1] - rgba[i + 1]);
      sums[2] += std::abs(bgra[i] - rgba[i + 2]);
      sums[3] += std::abs(bgra[i + 3] - rgba[i + 3]);
    }
    const double pixels = static_cast<double>(bgra.size() / 4);
    for (int channel = 0; channel < 4; ++channel) {
      EXPECT_LE(sums[channel] / pixels, 2.0) << label << ", channel "
                                             << "RGBA"[channel];
    }
  }

 private:
  fs::path folder_;
};

// Six blocks of strong and muted colours.
Magick::Image Picture() {
  Magick::Image image = test::Filled(48, 32, "rgb(220,40,30)");
  const char* colours[] = {"rgb(40,150,210)", "rgb(250,220,20)", "rgb(30,160,60)", "rgb(120,90,70)",
                           "rgb(200,200,210)"};
  for (int i = 0; i < 5; ++i) {
    image.composite(test::Filled(16, 16, colours[i]), ((i + 1) % 3) * 16, ((i + 1) / 3) * 16,
                    Magick::OverCompositeOp);
  }
  return image;
}

Magick::Image InColourSpace(Magick::Image image, Magick::ColorspaceType space) {
  image.colorSpace(space);
  return image;
}

Magick::Image WithProfile(Magick::Image image, const Magick::Blob& profile) {
  // An image without a profile takes this one as its own; nothing is converted.
  image.profile("icc", profile);
  return image;
}

TEST_F(ColourSpaces, EveryFrameComesOutInSrgb) {
  const Magick::Image picture = Picture();
  const Magick::Image cmyk = InColourSpace(picture, Magick::CMYKColorspace);
  ExpectLikeReference(test::Encode(cmyk, "JPEG"), "-colorspace sRGB", "CMYK JPEG");
  ExpectLikeReference(test::Encode(InColourSpace(picture, Magick::LabColorspace), "TIFF"),
                      "-colorspace sRGB", "Lab TIFF");
  // Radiance's format stores linear light.
  ExpectLikeReference(test::Encode(picture, "HDR"), "-colorspace sRGB", "HDR");
  Magick::Image greyAlpha = InColourSpace(picture, Magick::GRAYColorspace);
  greyAlpha.opacity(0x5000);
  ExpectLikeReference(test::Encode(greyAlpha, "PNG"), "-colorspace sRGB", "grey with alpha");
  Magick::Image deep = InColourSpace(picture, Magick::RGBColorspace);
  deep.depth(16);
  ExpectLikeReference(test::Encode(deep, "PNG"), "-colorspace sRGB", "16-bit linear PNG");

  const std::string toSrgb = "-profile '" + SrgbProfileFile() + "'";
  ExpectLikeReference(test::Encode(WithProfile(cmyk, CmykProfile()), "JPEG"), toSrgb,
                      "CMYK JPEG with a profile");
  ExpectLikeReference(test::Encode(WithProfile(picture, WideLinearRgbProfile()), "PNG"), toSrgb,
                      "PNG with a wide linear profile");
}

}  // namespace
}  // namespace zel
