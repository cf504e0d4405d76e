// Opcode 4: the facts of a JPEG or PNG file from its first (and, if needed, last) bytes, or how
// many bytes from each end the viewer should send next.
#pragma once

#include <cstdint>
#include <string>

#include "facts/image_summary.h"
#include "imaging/partial_image_data.h"

namespace vesk {
class CArchiveOverBuffer;
}
namespace vesku_rpc {
class IServerResponder;
}

namespace zel {

class CServerHandler;

// Checks the sizes and runs the probe for `mimeType` (compared exactly). Returns a ProbeResult:
// kProbeSummaryFilled copies the summary to `summary`; kProbeNeedMore sets the needs; both needs
// are 0 otherwise. Never throws for bad data or sizes.
int32_t ProbeByMime(const PartialImageData& partial, const std::string& mimeType,
                    ImageSummary& summary, int32_t& needHead, int32_t& needTail);

void ProbePartialImage(const CServerHandler& handler, vesk::CArchiveOverBuffer& request,
                       vesku_rpc::IServerResponder& responder);

}  // namespace zel
