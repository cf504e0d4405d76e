// The first-page measurement and rendering of PDFs over arbitrary bytes: both either fail with
// "Can't open pdf" or agree on the picture's size, and the rendering is a well-formed BMP image.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "facts/image_summary.h"
#include "pdf/first_pdf_page.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_libraries.h"

namespace {

int32_t Field(const uint8_t* bytes) {
  int32_t value = 0;
  std::memcpy(&value, bytes, 4);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zel_fuzz::SetUpDecodingLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact copy, so a read past the end of the file is reported.
  const std::vector<uint8_t> file(data, data + size);
  zel::ImageSummary summary;
  try {
    zel::MeasureFirstPdfPage(file.data(), static_cast<uint32_t>(file.size()), summary);
  } catch (const std::runtime_error& error) {
    zel_fuzz::Check(std::string(error.what()) == "Can't open pdf");
    return 0;
  }
  // Pages that would render to more than a few megapixels cost the fuzzer time, not coverage.
  if (int64_t{summary.width} * summary.height > 4'000'000) return 0;

  std::string mimeType = "application/pdf";
  std::vector<uint8_t> storage;
  try {
    const auto [bmp, bmpSize] =
        zel::RenderFirstPdfPage(file.data(), static_cast<uint32_t>(file.size()), mimeType, storage);
    zel_fuzz::Check(mimeType == "image/bmp" && bmp == storage.data());
    zel_fuzz::Check(bmpSize == static_cast<int32_t>(storage.size()) && bmpSize >= 54);
    zel_fuzz::Check(Field(bmp + 18) == summary.width && Field(bmp + 22) == -summary.height);
    zel_fuzz::Check(int64_t{bmpSize} == 54 + int64_t{summary.width} * summary.height * 4);
  } catch (const std::runtime_error& error) {
    zel_fuzz::Check(std::string(error.what()) == "Can't open pdf");
    zel_fuzz::Check(mimeType == "application/pdf" && storage.empty());
  }
  return 0;
}
