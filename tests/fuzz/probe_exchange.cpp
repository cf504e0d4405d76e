#include "tests/fuzz/probe_exchange.h"

#include <cstdlib>
#include <vector>

#include "imaging/partial_image_data.h"
#include "service/probe_partial_image.h"
#include "tests/fuzz/fuzz_check.h"

namespace zel_fuzz {

namespace {

// The probe never wants more than this from either end.
constexpr int32_t kMaxNeed = 1 << 20;

}  // namespace

void RunProbeExchange(const uint8_t* data, size_t size, const std::string& mimeType,
                      const std::u16string& name, int32_t firstHead) {
  if (size == 0 || size > (64 << 20)) return;
  const auto total = static_cast<int32_t>(size);
  int32_t headLength = firstHead < total ? firstHead : total;
  int32_t tailLength = 0;
  // Each round must ask for more than the last one carried, so the exchange ends within as many
  // rounds as the file has bytes; real files need two or three.
  for (int32_t round = 0; round <= total; ++round) {
    // Exact copies of each end, so a read past either one is reported.
    const std::vector<uint8_t> head(data, data + headLength);
    const std::vector<uint8_t> tail(data + size - tailLength, data + size);
    zel::PartialImageData partial;
    partial.head = head.data();
    partial.headLength = headLength;
    partial.tail = tailLength > 0 ? tail.data() : nullptr;
    partial.tailLength = tailLength;
    partial.totalSize = total;
    partial.name = name;

    zel::ImageSummary summary;
    int32_t needHead = 0;
    int32_t needTail = 0;
    const int32_t result = zel::ProbeByMime(partial, mimeType, summary, needHead, needTail);
    if (result == zel::kProbeSummaryFilled) {
      zel_fuzz::Check(summary.width > 0 && summary.height > 0);
      return;
    }
    zel_fuzz::Check(result == zel::kProbeNeedMore || result == zel::kProbeImpossible);
    if (result == zel::kProbeImpossible) return;
    zel_fuzz::Check(needHead >= 0 && needHead <= total && needHead <= kMaxNeed);
    zel_fuzz::Check(needTail >= 0 && needTail <= total && needTail <= kMaxNeed);
    zel_fuzz::Check(needHead > headLength || needTail > tailLength);
    headLength = needHead > headLength ? needHead : headLength;
    tailLength = needTail > tailLength ? needTail : tailLength;
  }
  zel_fuzz::Check(false);
}

}  // namespace zel_fuzz
