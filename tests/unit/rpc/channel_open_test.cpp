#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/shared_memory.h"
#include "tests/support/channel_test_util.h"
#include "util/exceptions.h"

namespace {

using vesku_rpc::CRpcChannel;
using wire_test::CreatedChannel;
using wire_test::UniqueName;

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

namespace fs = std::filesystem;

uintmax_t ShmSize(const std::string& name) { return fs::file_size("/dev/shm/" + name); }

fs::perms ShmMode(const std::string& name) {
  return fs::status("/dev/shm/" + name).permissions() & fs::perms::all;
}

constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;

TEST(ChannelOpen, MissingMappingReportsFileNotFound) {
  CRpcChannel channel;
  EXPECT_EQ(channel.Open(UniqueName("missing"), 4096, false, nullptr, u""), 2);
}

TEST(ChannelOpen, ObjectsCarryTheExactNamesAndSizes) {
  const std::u16string name = UniqueName("names") + u"_out";
  CreatedChannel created(name, 209715200, u"zp");
  ASSERT_EQ(created.openResult, 0);
  const std::string key = Narrow(name) + "_209715200";
  EXPECT_EQ(ShmSize("zps_" + key), 209715200);
  EXPECT_EQ(ShmSize("zpml_" + key), 64);
  EXPECT_EQ(ShmSize("zpdre_" + key), 64);
  EXPECT_EQ(created.channel.Header()->capacity, 209715200 - 24);

  ASSERT_EQ(CRpcChannel::Remove(name, 209715200, u"zp"), 0);
  EXPECT_FALSE(fs::exists("/dev/shm/zps_" + key));
  EXPECT_FALSE(fs::exists("/dev/shm/zpml_" + key));
  EXPECT_FALSE(fs::exists("/dev/shm/zpdre_" + key));
}

TEST(ChannelOpen, OpeningSideSeesTheCreatorsRing) {
  CreatedChannel created(UniqueName("peer"), 4096);
  ASSERT_EQ(created.openResult, 0);
  CRpcChannel host;
  ASSERT_EQ(host.Open(created.name, 4096, false, nullptr, u""), 0);
  EXPECT_EQ(host.Capacity(), 4072);
  std::optional<vesku_rpc::RpcSlot> sent = created.channel.Allocate(5);
  ASSERT_TRUE(sent);
  std::memcpy(sent->payload, "hello", 5);
  created.channel.Post(sent->message);
  EXPECT_TRUE(host.WaitForSignal(1000));
  std::optional<vesku_rpc::RpcSlot> got = host.TakeNext();
  ASSERT_TRUE(got);
  EXPECT_EQ(std::string(static_cast<char*>(got->payload), 5), "hello");
  host.FreeMessage(got->message);
  EXPECT_EQ(created.channel.Header()->count, 0);
  EXPECT_FALSE(host.WaitForSignal(0));  // the one signal was consumed
}

TEST(ChannelOpen, BadHeadersAndSizesAreRejected) {
  CreatedChannel created(UniqueName("bad"), 4096);
  ASSERT_EQ(created.openResult, 0);
  vesku_rpc::RpcChannelHeader& header = *created.channel.Header();
  const auto openCode = [&](int32_t size = 4096) {
    CRpcChannel host;
    return host.Open(created.name, size, false, nullptr, u"");
  };
  header.dataOffset = 32;
  EXPECT_EQ(openCode(), 13);
  {
    // A channel that failed to open refuses every operation instead of touching the mapping.
    CRpcChannel failed;
    ASSERT_EQ(failed.Open(created.name, 4096, false, nullptr, u""), 13);
    EXPECT_THROW(failed.Allocate(8), vesku::CWinException);
    EXPECT_THROW(failed.TakeNext(), vesku::CWinException);
    EXPECT_THROW(failed.MarkClosed(), std::runtime_error);
  }
  header.dataOffset = 24;
  header.capacity = 0;
  EXPECT_EQ(openCode(), 13);
  header.capacity = 4096 - 24 + 1;
  EXPECT_EQ(openCode(), 13);
  header.capacity = 100;  // smaller than the mapping is fine
  EXPECT_EQ(openCode(), 0);
  // The size is part of the names, so another size finds no mapping.
  EXPECT_EQ(openCode(8192), 2);

  // A mapping of that name but too small for the size: mapping it would crash on access.
  const std::u16string small = UniqueName("small");
  CreatedChannel tiny(small, 4096);
  zel::platform::HandleGuard shm;
  ASSERT_EQ(0, zel::platform::CreateSharedMemory(u"s_" + small + u"_8192", 4096, nullptr, shm));
  shm.Reset();
  CRpcChannel host;
  EXPECT_EQ(host.Open(small, 8192, false, nullptr, u""), 22);
  CRpcChannel::Remove(small, 8192, u"");
}

TEST(ChannelOpen, NegativeSizeIsCodeOne) {
  const std::u16string name = UniqueName("negative");
  zel::platform::HandleGuard shm;
  ASSERT_EQ(0, zel::platform::CreateSharedMemory(u"s_" + name + u"_-5", 64, nullptr, shm));
  shm.Reset();
  CRpcChannel host;
  EXPECT_EQ(host.Open(name, -5, false, nullptr, u""), 1);
  CRpcChannel::Remove(name, -5, u"");
}

TEST(ChannelOpen, RestrictAccessLeavesOnlyTheOwner) {
  const zel::platform::SecurityAttributes open{0644};
  CreatedChannel created(UniqueName("restrict"), 4096, u"", &open);
  ASSERT_EQ(created.openResult, 0);
  const std::string key = Narrow(created.name) + "_4096";
  for (const char* kind : {"s_", "ml_", "dre_"}) {
    EXPECT_EQ(ShmMode(kind + key), kOwnerOnly | fs::perms::group_read | fs::perms::others_read)
        << kind;
  }
  EXPECT_EQ(created.channel.RestrictAccess(), 0);
  for (const char* kind : {"s_", "ml_", "dre_"}) {
    EXPECT_EQ(ShmMode(kind + key), kOwnerOnly) << kind;
  }
}

}  // namespace
