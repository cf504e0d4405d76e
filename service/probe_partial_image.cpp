#include "service/probe_partial_image.h"

#include <utility>

#include "detect/mime_types.h"
#include "imaging/jpeg_header_probe.h"
#include "imaging/png_partial_probe.h"
#include "rpc/archive_values.h"
#include "rpc/server_handler.h"

namespace zel {

namespace {

bool SizesAreSound(const PartialImageData& partial) {
  return partial.head != nullptr && partial.headLength > 0 &&
         partial.totalSize >= partial.headLength && partial.tailLength >= 0 &&
         partial.totalSize >= partial.tailLength &&
         (partial.tailLength == 0 || partial.tail != nullptr);
}

}  // namespace

int32_t ProbeByMime(const PartialImageData& partial, const std::string& mimeType,
                    ImageSummary& summary, int32_t& needHead, int32_t& needTail) {
  needHead = 0;
  needTail = 0;
  if (!SizesAreSound(partial)) return kProbeImpossible;
  ImageSummary probed;
  int32_t result = kProbeImpossible;
  if (mimeType == kMimeJpeg) {
    result = ProbeJpeg(partial, probed, needHead);
  } else if (mimeType == kMimePng) {
    result = ProbePng(partial, probed, needHead, needTail);
  }
  if (result == kProbeSummaryFilled) {
    summary = std::move(probed);
    needHead = 0;
    needTail = 0;
  } else if (result != kProbeNeedMore) {
    needHead = 0;
    needTail = 0;
    result = kProbeImpossible;
  }
  return result;
}

void ProbePartialImage(const CServerHandler&, vesk::CArchiveOverBuffer& request,
                       vesku_rpc::IServerResponder& responder) {
  PartialImageData partial;
  partial.name = vesk::ReadWideString(request);
  const std::string mimeType = vesk::ReadString(request);
  partial.totalSize = vesk::ReadInt(request);
  const vesk::BinaryView head = vesk::ReadBinary(request);
  const vesk::BinaryView tail = vesk::ReadBinary(request);
  partial.head = head.data;
  partial.headLength = head.size;
  partial.tail = tail.data;
  partial.tailLength = tail.size;

  ImageSummary summary;
  int32_t needHead = 0;
  int32_t needTail = 0;
  const int32_t result = ProbeByMime(partial, mimeType, summary, needHead, needTail);

  vesk::CArchiveOverBuffer reply;
  if (result != kProbeSummaryFilled) {
    responder.GetReplyBuffer(reply, 4 * vesk::kIntValueSize);
    vesk::WriteInt(reply, 0);
    vesk::WriteInt(reply, result);
    vesk::WriteInt(reply, needHead);
    vesk::WriteInt(reply, needTail);
    return;
  }
  const auto dateLength = static_cast<int32_t>(summary.dateTaken.size());
  responder.GetReplyBuffer(
      reply, 8 * vesk::kIntValueSize + vesk::kIntValueSize + vesk::Round8(dateLength));
  vesk::WriteInt(reply, 0);
  vesk::WriteInt(reply, kProbeSummaryFilled);
  vesk::WriteInt(reply, 0);
  vesk::WriteInt(reply, 0);
  vesk::WriteInt(reply, summary.width);
  vesk::WriteInt(reply, summary.height);
  vesk::WriteInt(reply, summary.flags);
  vesk::WriteInt(reply, summary.rotation);
  vesk::WriteString(reply, summary.dateTaken.data(), dateLength);
}

}  // namespace zel
