#include "service/server_handler.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "rpc/archive_values.h"
#include "service/read_image_properties.h"

namespace {

// Hands out a heap buffer as the reply, as the transport would hand out a reply message.
class BufferResponder : public vesku_rpc::IServerResponder {
 public:
  void GetReplyBuffer(vesk::CArchiveOverBuffer& archive, int32_t size, int32_t) override {
    GetReplyBuffer(archive, size);
  }
  void GetReplyBuffer(vesk::CArchiveOverBuffer& archive, int32_t size) override {
    buffer.assign(static_cast<size_t>(size), 0xCC);
    archive.BindForWriting(buffer.data(), size);
  }
  std::vector<uint8_t> buffer;
};

std::string FailureOf(const std::vector<uint8_t>& request) {
  zel::CServerHandler handler(1000);
  BufferResponder responder;
  try {
    handler.HandleRequest(request.data(), static_cast<int32_t>(request.size()), responder);
  } catch (const std::exception& error) {
    EXPECT_TRUE(responder.buffer.empty()) << "a failed request asked for a reply";
    return error.what();
  }
  return "no failure";
}

std::vector<uint8_t> Ints(std::initializer_list<int32_t> values) {
  std::vector<uint8_t> bytes(values.size() * 8);
  vesk::CArchiveOverBuffer archive;
  archive.BindForWriting(bytes.data(), static_cast<int32_t>(bytes.size()));
  for (int32_t value : values) vesk::WriteInt(archive, value);
  return bytes;
}

TEST(ServerHandler, RefusesWhatIsNotAKnownOpcode) {
  EXPECT_EQ("Invalid opcode", FailureOf(Ints({0})));
  EXPECT_EQ("Invalid opcode", FailureOf(Ints({5})));
  EXPECT_EQ("Invalid opcode", FailureOf(Ints({-1})));
  EXPECT_EQ("Can't read type", FailureOf({}));

  std::vector<uint8_t> text(16, 0);
  vesk::CArchiveOverBuffer archive;
  archive.BindForWriting(text.data(), 16);
  vesk::WriteString(archive, std::string("abc"));
  EXPECT_EQ("Type mismatch", FailureOf(text));
}

TEST(ServerHandler, JobsFailOnTruncatedArguments) {
  EXPECT_EQ("Can't read type", FailureOf(Ints({1})));
  EXPECT_EQ("Can't read type", FailureOf(Ints({2, 0, 1, 0, 0})));
  EXPECT_EQ("Type mismatch", FailureOf(Ints({3, 7})));
  EXPECT_EQ("Type mismatch", FailureOf(Ints({4, 7})));
}

TEST(GroupThousands, InsertsSeparatorsFromTheRight) {
  EXPECT_EQ("0", zel::GroupThousands(0));
  EXPECT_EQ("999", zel::GroupThousands(999));
  EXPECT_EQ("1,000", zel::GroupThousands(1000));
  EXPECT_EQ("123,456", zel::GroupThousands(123456));
  EXPECT_EQ("1,234,567", zel::GroupThousands(1234567));
  EXPECT_EQ("2,147,483,647", zel::GroupThousands(2147483647));
}

}  // namespace
