// The exchange with the partial probe: request sizes, when it gives up, what it counts as sent.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tools/oracle_probe.h"

namespace zel {
namespace {

struct Request {
  int32_t head;
  int32_t tail;
  int64_t total;
};

struct ScriptedAnswer {
  int32_t result;
  int32_t needHead = 0;
  int32_t needTail = 0;
};
using Answers = std::vector<ScriptedAnswer>;

// Answers from a script of (result, needHead, needTail) and records what it was offered.
class ScriptedProbe {
 public:
  explicit ScriptedProbe(Answers answers) : answers_(std::move(answers)) {}

  PartialProbe AsProbe() {
    return [this](const PartialImageData& partial, ImageSummary& summary, int32_t& needHead,
                  int32_t& needTail) {
      requests.push_back({partial.headLength, partial.tailLength, partial.totalSize});
      EXPECT_EQ(partial.tail + partial.tailLength, partial.head + partial.totalSize);
      const ScriptedAnswer& answer = answers_.at(requests.size() - 1);
      if (answer.result < 0) throw std::runtime_error("probe failed");
      if (answer.result == kProbeSummaryFilled) summary.width = 7;
      needHead = answer.needHead;
      needTail = answer.needTail;
      return answer.result;
    };
  }

  std::vector<Request> requests;

 private:
  Answers answers_;
};

TEST(OracleProbe, AskingForMoreGrowsBothEnds) {
  const std::vector<uint8_t> file(100000);
  ScriptedProbe probe(Answers{{kProbeNeedMore, 70000, 200}, {kProbeSummaryFilled}});
  const OracleOutcome outcome = RunOracleProbe(file, u"a.jpg", probe.AsProbe());
  EXPECT_TRUE(outcome.sure);
  EXPECT_TRUE(outcome.afterNeedMore);
  EXPECT_EQ(135736, outcome.bytesSent);
  EXPECT_EQ(7, outcome.summary.width);
  ASSERT_EQ(2u, probe.requests.size());
  EXPECT_EQ(65536, probe.requests[0].head);
  EXPECT_EQ(0, probe.requests[0].tail);
  EXPECT_EQ(70000, probe.requests[1].head);
  EXPECT_EQ(200, probe.requests[1].tail);
  EXPECT_EQ(100000, probe.requests[1].total);
}

TEST(OracleProbe, SmallFilesAreOfferedWholeAndSureAtOnce) {
  const std::vector<uint8_t> file(300);
  ScriptedProbe probe(Answers{{kProbeSummaryFilled}});
  const OracleOutcome outcome = RunOracleProbe(file, u"a.png", probe.AsProbe());
  EXPECT_TRUE(outcome.sure);
  EXPECT_FALSE(outcome.afterNeedMore);
  EXPECT_EQ(300, outcome.bytesSent);
}

TEST(OracleProbe, GivesUpOnUselessOrExcessiveRequests) {
  const std::vector<uint8_t> big(2000000);
  const std::vector<Answers> scripts{
      {{kProbeNeedMore, 65536, 0}},    // nothing new
      {{kProbeNeedMore, 1048577, 0}},  // more than 1 MiB at the head
      {{kProbeNeedMore, 0, 1048577}},  // more than 1 MiB at the tail
      {{kProbeNeedMore, -1, 10}},      // a negative need
      {{kProbeImpossible}},            // the format cannot be told from a part
      {{-1}},                          // the probe raised
  };
  for (const auto& script : scripts) {
    ScriptedProbe probe(script);
    const OracleOutcome outcome = RunOracleProbe(big, u"a.jpg", probe.AsProbe());
    EXPECT_FALSE(outcome.sure);
    EXPECT_EQ(1u, probe.requests.size());
    EXPECT_EQ(65536, outcome.bytesSent);
  }

  // A need beyond the file's size is refused even below 1 MiB.
  const std::vector<uint8_t> small(1000);
  ScriptedProbe beyond(Answers{{kProbeNeedMore, 1001, 0}});
  EXPECT_FALSE(RunOracleProbe(small, u"a.jpg", beyond.AsProbe()).sure);
}

TEST(OracleProbe, AtMostThreeRequests) {
  const std::vector<uint8_t> file(500000);
  ScriptedProbe probe(Answers{{kProbeNeedMore, 100000, 0},
                              {kProbeNeedMore, 200000, 10},
                              {kProbeNeedMore, 300000, 20},
                              {kProbeSummaryFilled}});
  const OracleOutcome outcome = RunOracleProbe(file, u"a.jpg", probe.AsProbe());
  EXPECT_FALSE(outcome.sure);
  EXPECT_EQ(3u, probe.requests.size());
  EXPECT_EQ(65536 + 100000 + 200010, outcome.bytesSent);
}

TEST(OracleProbe, AnEmptyFileIsNeverOffered) {
  ScriptedProbe probe(Answers{});
  const OracleOutcome outcome = RunOracleProbe({}, u"a.jpg", probe.AsProbe());
  EXPECT_FALSE(outcome.sure);
  EXPECT_EQ(0, outcome.bytesSent);
  EXPECT_TRUE(probe.requests.empty());
}

}  // namespace
}  // namespace zel
