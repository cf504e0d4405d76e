#include "service/file_info.h"

#include <Magick++.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "imaging/image_library.h"
#include "imaging/named_image.h"
#include "imaging/summarize_image.h"
#include "pdf/document_pdf.h"
#include "pdf/first_pdf_page.h"
#include "protocol/messages.h"
#include "service/send_reply.h"

namespace zel {

namespace {

// JPEG and GIF files state their size, orientation, capture date and frame delay before any
// pixel, so a ping reports exactly what a full read would. Reading them would decode every pixel
// for nothing: a 24-megapixel photo fills hundreds of megabytes of the library's pixel cache. The
// bytes decide, not the MIME type the viewer sent.
bool HeaderHoldsSummary(const uint8_t* data, int32_t size) {
  const auto startsWith = [&](std::string_view signature) {
    return static_cast<size_t>(std::max(size, 0)) >= signature.size() &&
           std::memcmp(data, signature.data(), signature.size()) == 0;
  };
  return startsWith("\xFF\xD8\xFF") || startsWith("GIF87a") || startsWith("GIF89a");
}

}  // namespace

bool ProbeFileInfo(const std::u16string& name, const std::string& mimeType, const uint8_t* data,
                   int32_t size, ImageSummary& summary) {
  // Documents are measured through the same PDF page that their preview shows.
  if (const DocumentPdf pdf(data, size, mimeType, ImageTempFolder()); pdf.isDocument()) {
    MeasureFirstPdfPage(pdf.data(), pdf.size(), summary);
    return summary.width != 0 && summary.height != 0;
  }
  if (HeaderHoldsSummary(data, size)) return PingImageSummary(data, size, name, summary);
  // A full decode rather than a ping: some formats only report their true size once read.
  Magick::Blob blob(data, static_cast<size_t>(size));
  Magick::Image image = CreateNamedImage(name);
  image.read(blob);
  if (!image.isValid()) return false;
  return SummarizeImage(image, summary);
}

void FileInfo(vesk::CArchiveOverBuffer& request, vesku_rpc::IServerResponder& responder) {
  const auto [name, mimeType, bytes] = protocol::Read<protocol::FileInfoRequest>(request);
  protocol::FileInfoReply reply;
  reply.known = ProbeFileInfo(name, mimeType, bytes.data, bytes.size, reply.summary);
  SendReply(responder, reply);
}

}  // namespace zel
