#include "detect/detect_mime_type.h"

#include <algorithm>
#include <array>

#include "detect/file_extension.h"
#include "detect/mime_types.h"

namespace zel {
namespace {

constexpr std::array<uint8_t, 3> kJpegSignature = {0xFF, 0xD8, 0xFF};
constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

template <size_t N>
bool StartsWith(const std::vector<uint8_t>& bytes, const std::array<uint8_t, N>& signature) {
  return bytes.size() >= N && std::equal(signature.begin(), signature.end(), bytes.begin());
}

}  // namespace

std::string DetectMimeType(const std::u16string& filePath, const std::vector<uint8_t>& fileBytes) {
  // Content wins over the name: a JPEG called x.pdf is still a JPEG.
  if (StartsWith(fileBytes, kJpegSignature)) return kMimeJpeg;
  if (StartsWith(fileBytes, kPngSignature)) return kMimePng;
  const std::u16string extension = LowerCaseExtension(filePath);
  if (extension == u".pdf") return kMimePdf;
  if (extension == u".docx") return kMimeDocx;
  if (extension == u".txt") return kMimeText;
  return kMimeUnknown;
}

}  // namespace zel
