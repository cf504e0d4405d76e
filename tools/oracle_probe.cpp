#include "tools/oracle_probe.h"

#include <algorithm>
#include <exception>

namespace zel {

namespace {

constexpr int32_t kFirstHead = 65536;
constexpr int32_t kMostBytesPerEnd = 1048576;
constexpr int32_t kMostAttempts = 3;

}  // namespace

OracleOutcome RunOracleProbe(const std::vector<uint8_t>& file, const std::u16string& partialName,
                             const PartialProbe& probe) {
  OracleOutcome outcome;
  const int32_t size = static_cast<int32_t>(file.size());
  if (size == 0) return outcome;
  int32_t head = std::min(size, kFirstHead);
  int32_t tail = 0;
  for (int32_t attempt = 0; attempt < kMostAttempts; ++attempt) {
    outcome.bytesSent += head + tail;
    outcome.afterNeedMore = attempt > 0;
    PartialImageData partial;
    partial.head = file.data();
    partial.headLength = head;
    partial.tail = file.data() + (size - tail);
    partial.tailLength = tail;
    partial.totalSize = size;
    partial.name = partialName;
    ImageSummary summary;
    int32_t needHead = 0;
    int32_t needTail = 0;
    int32_t result = kProbeImpossible;
    try {
      result = probe(partial, summary, needHead, needTail);
    } catch (const std::exception&) {
      return outcome;
    }
    if (result == kProbeSummaryFilled) {
      outcome.sure = true;
      outcome.summary = std::move(summary);
      return outcome;
    }
    if (result != kProbeNeedMore) return outcome;
    if (needHead < 0 || needTail < 0 || needHead > kMostBytesPerEnd ||
        needTail > kMostBytesPerEnd || needHead > size || needTail > size) {
      return outcome;
    }
    const int32_t newHead = std::max(head, needHead);
    const int32_t newTail = std::max(tail, needTail);
    if (newHead == head && newTail == tail) return outcome;
    head = newHead;
    tail = newTail;
  }
  return outcome;
}

}  // namespace zel
