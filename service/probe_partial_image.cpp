#include "service/probe_partial_image.h"

#include <utility>

#include "detect/mime_types.h"
#include "imaging/jpeg_header_probe.h"
#include "imaging/png_partial_probe.h"
#include "protocol/messages.h"
#include "service/send_reply.h"

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
  auto [name, mimeType, totalSize, head, tail] =
      protocol::Read<protocol::PartialProbeRequest>(request);
  const PartialImageData partial{.head = head.data,
                                 .headLength = head.size,
                                 .tail = tail.data,
                                 .tailLength = tail.size,
                                 .totalSize = totalSize,
                                 .name = std::move(name)};
  protocol::PartialProbeReply reply;
  reply.result = ProbeByMime(partial, mimeType, reply.summary, reply.needHead, reply.needTail);
  SendReply(responder, reply);
}

}  // namespace zel
