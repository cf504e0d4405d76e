// The viewer side's requests: their sizes are exact and they hold the fields in the order the
// host's jobs read them.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "client/replies.h"
#include "rpc/archive_values.h"

namespace {

using zel::client::FileRef;

// Writes a request into a buffer of exactly its announced size and checks that it filled it.
template <class Write>
std::vector<uint8_t> Written(int32_t size, Write write) {
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  vesk::CArchiveOverBuffer archive;
  archive.BindForWriting(bytes.data(), size);
  write(archive);
  EXPECT_EQ(size, archive.dataLen());
  return bytes;
}

TEST(ClientRequests, FieldsComeInTheHostsOrderAndFillTheAnnouncedSize) {
  const std::vector<uint8_t> data = {1, 2, 3, 4, 5};
  const FileRef file{u"ab.png", "image/png", data.data(), 5};
  zel::client::BitmapOptions options;
  options.rotation = 90;
  options.autoOrient = false;
  options.boxSide1 = 800;
  options.boxSide2 = 600;
  std::vector<uint8_t> bytes = Written(
      zel::client::BitmapRequestSize(file),
      [&](vesk::CArchiveOverBuffer& a) { zel::client::WriteBitmapRequest(a, file, options); });
  vesk::CArchiveOverBuffer bitmap(bytes.data(), static_cast<int32_t>(bytes.size()));
  EXPECT_EQ(2, vesk::ReadInt(bitmap));
  EXPECT_EQ(90, vesk::ReadInt(bitmap));
  EXPECT_EQ(0, vesk::ReadInt(bitmap));
  EXPECT_EQ(800, vesk::ReadInt(bitmap));
  EXPECT_EQ(600, vesk::ReadInt(bitmap));
  EXPECT_EQ(u"ab.png", vesk::ReadWideString(bitmap));
  EXPECT_EQ("image/png", vesk::ReadString(bitmap));
  const vesk::BinaryView view = vesk::ReadBinary(bitmap);
  EXPECT_EQ(std::vector<uint8_t>(view.data, view.data + view.size), data);

  const uint8_t tail[3] = {9, 8, 7};
  bytes = Written(zel::client::PartialProbeRequestSize(file, 3), [&](vesk::CArchiveOverBuffer& a) {
    zel::client::WritePartialProbeRequest(a, file, 1000, tail, 3);
  });
  vesk::CArchiveOverBuffer probe(bytes.data(), static_cast<int32_t>(bytes.size()));
  EXPECT_EQ(4, vesk::ReadInt(probe));
  EXPECT_EQ(u"ab.png", vesk::ReadWideString(probe));
  EXPECT_EQ("image/png", vesk::ReadString(probe));
  EXPECT_EQ(1000, vesk::ReadInt(probe));
  EXPECT_EQ(5, vesk::ReadBinary(probe).size);
  EXPECT_EQ(3, vesk::ReadBinary(probe).size);
}

TEST(ClientRequests, SizesPastTheLimitAreRefusedRatherThanWrapped) {
  // The sizes alone are computed; the bytes are never read.
  const FileRef huge{u"abcde", "", nullptr, 2147483600};
  EXPECT_THROW(zel::client::FileInfoRequestSize(huge), std::runtime_error);
  EXPECT_THROW(zel::client::BitmapRequestSize(huge), std::runtime_error);
  EXPECT_THROW(zel::client::PartialProbeRequestSize(FileRef{u"a", "", nullptr, 1 << 30}, 1 << 30),
               std::runtime_error);
  EXPECT_THROW(zel::client::PropertiesRequestSize(FileRef{u"a", "", nullptr, -1}),
               std::runtime_error);
}

}  // namespace
