// The viewer side's requests: a size that would not fit the wire is refused, never wrapped.
#include <gtest/gtest.h>

#include <stdexcept>

#include "client/replies.h"

namespace {

using zel::client::FileRef;

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
