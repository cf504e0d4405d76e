#include "tests/support/test_pdfs.h"

#include <hpdf.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace zel::test {
namespace {

// libHaru is C: the handler must not throw through it, so it notes the first error instead.
void OnHaruError(HPDF_STATUS error, HPDF_STATUS, void* firstError) {
  auto* noted = static_cast<HPDF_STATUS*>(firstError);
  if (*noted == HPDF_OK) *noted = error;
}

void DrawPage(HPDF_Doc pdf, HPDF_Page page, const TestPage& spec) {
  HPDF_Page_SetWidth(page, spec.width);
  HPDF_Page_SetHeight(page, spec.height);
  if (spec.rotate != 0) HPDF_Page_SetRotate(page, static_cast<HPDF_UINT16>(spec.rotate));
  if (spec.text) {
    HPDF_Page_BeginText(page);
    HPDF_Page_SetFontAndSize(page, HPDF_GetFont(pdf, "Helvetica-Bold", nullptr), 48);
    HPDF_Page_TextOut(page, 72, spec.height - 120, "Hello, page");
    HPDF_Page_EndText(page);
  }
  if (spec.cornerSquare) {
    HPDF_Page_SetRGBFill(page, 0, 0, 0);
    HPDF_Page_Rectangle(page, 0, spec.height - 100, 100, 100);
    HPDF_Page_Fill(page);
  }
  if (spec.squareAnnotation) {
    const HPDF_Rect rect = {100, spec.height - 300, 300, spec.height - 100};
    HPDF_Annotation annot = HPDF_Page_CreateSquareAnnot(page, rect, "note", nullptr);
    HPDF_Annot_SetRGBColor(annot, HPDF_RGBColor{1, 0, 0});
    HPDF_MarkupAnnot_SetInteriorRGBColor(annot, HPDF_RGBColor{1, 0, 0});
  }
}

}  // namespace

std::vector<uint8_t> MakePdf(const std::vector<TestPage>& pages, const char* userPassword) {
  HPDF_STATUS firstError = HPDF_OK;
  std::unique_ptr<std::remove_pointer_t<HPDF_Doc>, decltype(&HPDF_Free)> pdf(
      HPDF_New(OnHaruError, &firstError), HPDF_Free);
  if (!pdf) throw std::runtime_error("HPDF_New failed");
  for (const TestPage& spec : pages) DrawPage(pdf.get(), HPDF_AddPage(pdf.get()), spec);
  if (userPassword != nullptr) {
    HPDF_SetPassword(pdf.get(), "owner-secret", userPassword);
    HPDF_SetEncryptionMode(pdf.get(), HPDF_ENCRYPT_R3, 16);
  }
  HPDF_SaveToStream(pdf.get());
  std::vector<uint8_t> bytes(HPDF_GetStreamSize(pdf.get()));
  HPDF_UINT32 size = static_cast<HPDF_UINT32>(bytes.size());
  HPDF_ReadFromStream(pdf.get(), bytes.data(), &size);
  bytes.resize(size);
  if (firstError != HPDF_OK)
    throw std::runtime_error("libHaru error " + std::to_string(firstError));
  return bytes;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

const std::vector<std::string>& RealPdfPaths() {
  static const std::vector<std::string> paths = {
      "/usr/share/doc/camlidl/camlidl-1.04.doc.pdf",
      "/usr/share/doc/libtasn1-doc/libtasn1.pdf",
      "/usr/share/doc/shared-mime-info/shared-mime-info-spec.pdf",
      "/usr/share/doc/libimage-exiftool-perl/html/MIE1.1-20070121.pdf",
  };
  return paths;
}

}  // namespace zel::test
