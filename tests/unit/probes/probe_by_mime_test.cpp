// The partial-data request: size checks and the probe table, the exact replies of opcode 4, and
// agreement of every sure answer with the full-file information path.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "rpc/archive_values.h"
#include "rpc/server_handler.h"
#include "service/probe_partial_image.h"
#include "service/server_handler.h"
#include "tests/unit/probes/probe_inputs.h"

namespace zel::test {
namespace {

class BufferResponder : public vesku_rpc::IServerResponder {
 public:
  void GetReplyBuffer(vesk::CArchiveOverBuffer& archive, int32_t size, int32_t) override {
    GetReplyBuffer(archive, size);
  }
  void GetReplyBuffer(vesk::CArchiveOverBuffer& archive, int32_t size) override {
    buffer.assign(static_cast<size_t>(size), 0xCC);
    archive.BindForWriting(buffer.data(), size);
  }
  Bytes buffer;
};

Bytes ProbeRequest(const std::string& mime, int32_t totalSize, const Bytes& head,
                   const Bytes& tail) {
  Bytes request(1 << 20);
  vesk::CArchiveOverBuffer archive;
  archive.BindForWriting(request.data(), static_cast<int32_t>(request.size()));
  vesk::WriteInt(archive, 4);
  vesk::WriteType(archive, vesk::ArchiveType::WideString);
  const int32_t nameLength = 2;
  archive.Write(&nameLength, 4);
  archive.Write(u"a\0\0\0", 8);
  vesk::WriteString(archive, mime);
  vesk::WriteInt(archive, totalSize);
  for (const Bytes* bytes : {&head, &tail}) {
    uint8_t* space = vesk::WriteBinary(archive, static_cast<int32_t>(bytes->size()));
    std::copy(bytes->begin(), bytes->end(), space);
  }
  request.resize(static_cast<size_t>(archive.dataLen()));
  return request;
}

Bytes Reply(const Bytes& request) {
  CServerHandler handler(1000);
  BufferResponder responder;
  handler.HandleRequest(request.data(), static_cast<int32_t>(request.size()), responder);
  return responder.buffer;
}

std::vector<int32_t> LeadingInts(const Bytes& reply, int count) {
  vesk::CArchiveOverBuffer archive(reply.data(), static_cast<int32_t>(reply.size()));
  std::vector<int32_t> values;
  for (int i = 0; i < count; ++i) values.push_back(vesk::ReadInt(archive));
  return values;
}

TEST(ProbeByMime, UnsoundSizesAndUnknownTypesGiveTwoWithoutNeeds) {
  const Bytes png = NoisePng(300, 300);
  const int64_t size = static_cast<int64_t>(png.size());
  // The same bytes ask for more as a PNG, so each refusal below is the check's doing.
  ASSERT_EQ(1, ProbeEnds(png, "image/png", 20, 0).result);
  for (const char* mime : {"image/gif", "IMAGE/PNG", "image/png ", ""}) {
    const Probed probed = ProbeEnds(png, mime, 20, 0);
    EXPECT_EQ(2, probed.result) << mime;
    EXPECT_EQ(0, probed.needHead);
    EXPECT_EQ(0, probed.needTail);
  }
  EXPECT_EQ(2, ProbeEnds(png, "image/png", 20, 0, 19).result);
  EXPECT_EQ(2, ProbeEnds(png, "image/png", 0, 0).result);
  EXPECT_EQ(2, ProbeEnds(png, "image/png", 20, 100, 99).result);

  PartialImageData partial;
  partial.head = png.data();
  partial.headLength = 20;
  partial.totalSize = size;
  ImageSummary summary;
  int32_t needHead = -1;
  int32_t needTail = -1;
  partial.tailLength = 10;  // announced, but not there
  EXPECT_EQ(2, ProbeByMime(partial, "image/png", summary, needHead, needTail));
  partial.tailLength = -1;
  EXPECT_EQ(2, ProbeByMime(partial, "image/png", summary, needHead, needTail));
  partial.tailLength = 0;
  partial.head = nullptr;
  EXPECT_EQ(2, ProbeByMime(partial, "image/png", summary, needHead, needTail));
  EXPECT_EQ(0, needHead);
  EXPECT_EQ(0, needTail);
}

TEST(ProbePartialImage, RepliesHaveTheirExactSizes) {
  const Bytes png = NoisePng(300, 300);
  const int32_t size = static_cast<int32_t>(png.size());
  const Bytes head(png.begin(), png.begin() + 20);

  Bytes reply = Reply(ProbeRequest("image/png", size, head, {}));
  ASSERT_EQ(32u, reply.size());
  EXPECT_EQ((std::vector<int32_t>{0, 1, 65577, 65536}), LeadingInts(reply, 4));

  reply = Reply(ProbeRequest("image/gif", size, head, {}));
  ASSERT_EQ(32u, reply.size());
  EXPECT_EQ((std::vector<int32_t>{0, 2, 0, 0}), LeadingInts(reply, 4));

  // No date: the string is still sent, empty.
  reply = Reply(ProbeRequest("image/png", size, png, {}));
  ASSERT_EQ(72u, reply.size());
  EXPECT_EQ((std::vector<int32_t>{0, 0, 0, 0, 300, 300, 0, 0}), LeadingInts(reply, 8));
  vesk::CArchiveOverBuffer archive(reply.data() + 64, 8);
  EXPECT_EQ("", vesk::ReadString(archive));

  const Bytes jpeg = WithExif(NoiseJpeg(40, 30), 6, "2021:03:04 12:34:56", "");
  reply = Reply(ProbeRequest("image/jpeg", static_cast<int32_t>(jpeg.size()), jpeg, {}));
  ASSERT_EQ(96u, reply.size());
  EXPECT_EQ((std::vector<int32_t>{0, 0, 0, 0, 40, 30, 1, 90}), LeadingInts(reply, 8));
  archive = vesk::CArchiveOverBuffer(reply.data() + 64, 32);
  EXPECT_EQ("2021-03-04 12:34:56.000", vesk::ReadString(archive));
}

TEST(ProbePartialImage, MalformedRequestsFailBeforeAnyReply) {
  const auto failure = [](const Bytes& request) -> std::string {
    CServerHandler handler(1000);
    BufferResponder responder;
    try {
      handler.HandleRequest(request.data(), static_cast<int32_t>(request.size()), responder);
    } catch (const std::runtime_error& error) {
      EXPECT_TRUE(responder.buffer.empty());
      return error.what();
    }
    return "no failure";
  };
  const Bytes head(40, 1);
  Bytes request = ProbeRequest("image/png", 40, head, {});
  // Without the tail value.
  EXPECT_EQ("Can't read type", failure(Bytes(request.begin(), request.end() - 8)));
  // The size written as a string.
  Bytes sizeAsText(512);
  vesk::CArchiveOverBuffer archive;
  archive.BindForWriting(sizeAsText.data(), 512);
  vesk::WriteInt(archive, 4);
  vesk::WriteType(archive, vesk::ArchiveType::WideString);
  const int32_t zero = 0;
  archive.Write(&zero, 4);
  vesk::WriteString(archive, std::string("image/png"));
  vesk::WriteString(archive, std::string("40"));
  sizeAsText.resize(static_cast<size_t>(archive.dataLen()));
  EXPECT_EQ("Type mismatch", failure(sizeAsText));
}

// Files the viewer meets, each probed as a viewer would and decoded whole: a sure answer must be
// the full path's answer.
TEST(ProbeAgreement, SureAnswersMatchTheFullFileSummary) {
  const Bytes plainPng = NoisePng(320, 240);
  const Bytes jpegs[] = {
      NoiseJpeg(500, 400),
      WithExif(NoiseJpeg(500, 400), 6, "2019:05:06 07:08:09", "2020:01:01 00:00:00"),
      WithExif(Encode(Filled(64, 32, "red"), "JPEG"), 3, "", ""),
      WithExif(Encode(Filled(64, 32, "red"), "JPEG"), 8, "", "2001:02:03 04:05:06"),
  };
  const Bytes pngs[] = {
      plainPng,
      Encode(Filled(33, 17, "blue"), "PNG"),
      WithChunkBeforeImageData(plainPng, {"exIf", ExifTiff(6, "2019:05:06 07:08:09", "")}),
      WithChunkAfterImageData(plainPng, {"exIf", ExifTiff(8, "", "2018:01:02 03:04:05")}),
      WithChunkAfterImageData(plainPng, {"eXIf", ExifTiff(6, "2019:05:06 07:08:09", "")}),
      WithChunkAfterImageData(plainPng, {"tIME", Bytes{7, 230, 1, 2, 3, 4, 5}}),
  };
  int sure = 0;
  const auto check = [&](const Bytes& file, const std::string& mime, size_t index) {
    int64_t sent = 0;
    const Probed probed = ProbeLikeAViewer(file, mime, &sent);
    ASSERT_EQ(0, probed.result) << mime << " #" << index;
    ++sure;
    EXPECT_LE(sent, static_cast<int64_t>(file.size()) + 65536);
    ImageSummary full;
    ASSERT_TRUE(FullSummary(file, mime, full)) << mime << " #" << index;
    EXPECT_EQ(full.width, probed.summary.width) << mime << " #" << index;
    EXPECT_EQ(full.height, probed.summary.height) << mime << " #" << index;
    EXPECT_EQ(full.flags, probed.summary.flags) << mime << " #" << index;
    EXPECT_EQ(full.rotation, probed.summary.rotation) << mime << " #" << index;
    EXPECT_EQ(full.dateTaken, probed.summary.dateTaken) << mime << " #" << index;
  };
  for (size_t i = 0; i < std::size(jpegs); ++i) check(jpegs[i], "image/jpeg", i);
  for (size_t i = 0; i < std::size(pngs); ++i) check(pngs[i], "image/png", i);
  EXPECT_EQ(10, sure);
}

}  // namespace
}  // namespace zel::test
