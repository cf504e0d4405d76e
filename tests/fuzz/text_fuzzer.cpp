// Plain text over arbitrary bytes: the encoding guess, the decoding to UTF-8 and the layout of
// its lines into a one-page PDF. Text that decodes must also lay out.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "documents/text_to_pdf.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_libraries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zel_fuzz::SetUpDecodingLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  const std::vector<uint8_t> file(data, data + size);
  const auto length = static_cast<int32_t>(file.size());
  zel::GuessTextEncoding(file.data(), length);
  std::string text;
  try {
    text = zel::DecodeText(file.data(), length);
  } catch (const std::exception&) {
    return 0;
  }
  std::vector<uint8_t> pdf;
  try {
    zel::TextToPdf(file.data(), length, pdf);
  } catch (const std::exception&) {
    // Decoded text that the writer cannot lay out is a fault of the layout, not of the input.
    std::abort();
  }
  zel_fuzz::Check(pdf.size() >= 5 && pdf[0] == '%' && pdf[1] == 'P');
  return 0;
}
