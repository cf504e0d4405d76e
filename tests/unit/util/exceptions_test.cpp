#include "util/exceptions.h"

#include <gtest/gtest.h>

namespace {

TEST(Exceptions, CarryMessageAndCodeThroughCopies) {
  try {
    throw vesku::CWinException("veskFiles.CannotOpenFile", 5);
  } catch (const std::runtime_error& e) {
    const auto* win = dynamic_cast<const vesku::CWinException*>(&e);
    ASSERT_NE(win, nullptr);
    vesku::CWinException copy(*win);
    EXPECT_STREQ(copy.what(), "veskFiles.CannotOpenFile");
    EXPECT_EQ(copy.code(), 5);
  }
  vesku::CRpcException rpc("RpcException.UuidToString: Failed", 14);
  EXPECT_EQ(rpc.code(), 14);
  EXPECT_STREQ(vesku::CConvertException("Can't convert: x").what(), "Can't convert: x");
}

TEST(Exceptions, RpcNoDeliverAlwaysSaysRpcError) {
  EXPECT_STREQ(vesku_rpc::RpcNoDeliver().what(), "RPC Error");
  const std::exception& base = vesku_rpc::RpcNoDeliver();
  EXPECT_STREQ(base.what(), "RPC Error");
}

}  // namespace
