#include "tools/convert_tool.h"

#include <iostream>

#include "detect/detect_mime_type.h"
#include "imaging/image_library.h"
#include "pdf/render_document_preview.h"
#include "pdfium/fpdfview.h"
#include "platform/path.h"
#include "tools/convert_options.h"
#include "tools/measure_conversion.h"
#include "tools/tool_files.h"
#include "util/strings.h"

namespace zel {

namespace {

constexpr size_t kFirstOption = 4;

}  // namespace

int32_t RunConvertTool(const std::vector<std::u16string>& argv) {
  if (argv.size() < kFirstOption) {
    std::cerr << "zelHost --convert <file> <outDir> [--max-bytes N] [--max-size WxH] "
                 "[--frames all|i,j,...] [--compare] [--old-scaling]\n";
    return 1;
  }
  const std::u16string& inputPath = argv[2];
  ConvertOptions options;
  options.outDir = vesku::WithTrailingSeparator(argv[3], platform::kPathSeparator);
  if (const int32_t unknown = ParseConvertOptions(argv, kFirstOption, options); unknown >= 0) {
    std::cerr << "Unknown argument: " << vesku::ToUtf8(argv[static_cast<size_t>(unknown)]) << "\n";
    return 1;
  }

  std::vector<uint8_t> bytes;
  switch (ReadWholeFile(inputPath, bytes)) {
    case ReadStatus::kCannotOpen:
      std::cerr << "Can't open file\n";
      return 1;
    case ReadStatus::kBadSize:
      std::cerr << "Bad file size\n";
      return 1;
    case ReadStatus::kCannotRead:
      std::cerr << "Can't read file\n";
      return 1;
    case ReadStatus::kRead:
      break;
  }
  if (bytes.empty()) {
    std::cerr << "Bad file size\n";
    return 1;
  }

  const std::u16string tempFolder = ToolTempFolder(u"zelHost_convert");
  SetUpImageLibrary(tempFolder, true);
  FPDF_InitLibrary();

  const std::u16string name = FileNamePart(inputPath);
  std::string mimeType = DetectMimeType(name, bytes);
  std::vector<uint8_t> preview;
  const auto [data, size] = RenderDocumentPreview(bytes.data(), static_cast<int32_t>(bytes.size()),
                                                  mimeType, tempFolder, preview);
  return MeasureConversion(data, size, name, options);
}

}  // namespace zel
