// The partial-data probe (opcode 4) through a real host: a summary at once, a request for more
// bytes that the follow-up satisfies, a refusal, and a malformed request.
#include <gtest/gtest.h>

#include <Magick++.h>

#include "client/replies.h"
#include "rpc/archive_values.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/test_images.h"

namespace zel::e2e {
namespace {

using test::Bytes;

Bytes Noise(size_t width, size_t height, const std::string& format) {
  Magick::Image image = test::Filled(width, height, "gray");
  image.addNoise(Magick::GaussianNoise);
  return test::Encode(image, format);
}

class HostProbe : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new WorkFolder();
    client_ = new client::CHostClient(HostOptionsFor(*work_));
  }
  static void TearDownTestSuite() {
    delete client_;
    delete work_;
  }

  // The first `headSize` and last `tailSize` bytes of `file`, as the raw reply.
  static client::RawReply Probe(const Bytes& file, const std::string& mime, int32_t headSize,
                                int32_t tailSize) {
    const client::FileRef head{u"image", mime, file.data(), headSize};
    const auto total = static_cast<int32_t>(file.size());
    const uint8_t* tail = file.data() + (total - tailSize);
    return client_->Call(client::PartialProbeRequestSize(head, tailSize),
                         [&](vesk::CArchiveOverBuffer& archive) {
                           client::WritePartialProbeRequest(archive, head, total, tail, tailSize);
                         });
  }

  static WorkFolder* work_;
  static client::CHostClient* client_;
};

WorkFolder* HostProbe::work_ = nullptr;
client::CHostClient* HostProbe::client_ = nullptr;

TEST_F(HostProbe, JpegHeaderInTheFirstBytesGivesTheSummary) {
  const Bytes jpeg =
      test::WithExif(Noise(400, 300, "JPEG"), 6, "2019:05:06 07:08:09", "2020:01:01 00:00:00");
  ASSERT_GT(jpeg.size(), 65536u);
  const client::RawReply raw = Probe(jpeg, "image/jpeg", 65536, 0);
  ASSERT_EQ(0, raw.status);
  EXPECT_EQ(96u, raw.payload.size());
  const client::PartialProbeReply reply = client::DecodePartialProbeReply(raw.payload);
  EXPECT_EQ(0, reply.result);
  EXPECT_EQ(400, reply.summary.width);
  EXPECT_EQ(300, reply.summary.height);
  EXPECT_EQ(ImageSummary::kTurnedFlag, reply.summary.flags);
  EXPECT_EQ(90, reply.summary.rotation);
  EXPECT_EQ("2019-05-06 07:08:09.000", reply.summary.dateTaken);
}

TEST_F(HostProbe, PngAsksForMoreAndTheFollowUpIsAnswered) {
  const Bytes png = Noise(300, 300, "PNG");
  client::RawReply raw = Probe(png, "image/png", 20, 0);
  ASSERT_EQ(0, raw.status);
  EXPECT_EQ(32u, raw.payload.size());
  client::PartialProbeReply reply = client::DecodePartialProbeReply(raw.payload);
  EXPECT_EQ(1, reply.result);
  EXPECT_EQ(65577, reply.needHead);
  EXPECT_EQ(65536, reply.needTail);

  raw = Probe(png, "image/png", reply.needHead, reply.needTail);
  ASSERT_EQ(0, raw.status);
  EXPECT_EQ(72u, raw.payload.size());
  reply = client::DecodePartialProbeReply(raw.payload);
  EXPECT_EQ(0, reply.result);
  EXPECT_EQ(300, reply.summary.width);
  EXPECT_EQ(300, reply.summary.height);
  EXPECT_EQ("", reply.summary.dateTaken);
}

TEST_F(HostProbe, WhatCannotBeProbedGivesTwoAndMalformedRequestsAnError) {
  const Bytes png = Noise(50, 50, "PNG");
  for (const char* mime : {"image/gif", "IMAGE/PNG"}) {
    const client::PartialProbeReply reply = client_->ProbePartialImage(
        client::FileRef{u"a", mime, png.data(), 100}, static_cast<int32_t>(png.size()), nullptr, 0);
    EXPECT_EQ(2, reply.result) << mime;
    EXPECT_EQ(0, reply.needHead);
    EXPECT_EQ(0, reply.needTail);
  }
  Bytes corrupt = png;
  corrupt[20] ^= 0xFF;
  EXPECT_EQ(2, client::DecodePartialProbeReply(
                   Probe(corrupt, "image/png", static_cast<int32_t>(corrupt.size()), 0).payload)
                   .result);

  // The request stops after the size: no head, no tail.
  const client::RawReply raw = client_->Call(56, [](vesk::CArchiveOverBuffer& archive) {
    vesk::WriteInt(archive, 4);
    client::WriteWideString(archive, u"a");
    vesk::WriteString(archive, std::string("image/png"));
    vesk::WriteInt(archive, 100);
  });
  EXPECT_EQ(1, raw.status);
  // The host keeps serving afterwards.
  EXPECT_EQ(0, client::DecodePartialProbeReply(
                   Probe(png, "image/png", static_cast<int32_t>(png.size()), 0).payload)
                   .result);
}

}  // namespace
}  // namespace zel::e2e
