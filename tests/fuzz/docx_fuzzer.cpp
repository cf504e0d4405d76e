// A Word document over arbitrary bytes, from the zip container through the XML to the laid-out
// one-page PDF: it either fails with an exception or yields a PDF file.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <vector>

#include "documents/docx_to_pdf.h"
#include "imaging/image_library.h"
#include "tests/fuzz/fuzz_libraries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zel_fuzz::SetUpDecodingLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  const std::vector<uint8_t> file(data, data + size);
  std::vector<uint8_t> pdf;
  try {
    zel::DocxToPdf(file.data(), static_cast<int32_t>(file.size()), zel::ImageTempFolder(), pdf);
  } catch (const std::exception&) {
    return 0;
  }
  if (pdf.size() < 5 || pdf[0] != '%' || pdf[1] != 'P' || pdf[2] != 'D' || pdf[3] != 'F') {
    std::abort();
  }
  return 0;
}
