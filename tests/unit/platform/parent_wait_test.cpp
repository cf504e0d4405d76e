#include <gtest/gtest.h>

#include <cerrno>

#include "platform/process_wait.h"

namespace {

using zel::platform::DescriptorGuard;
using zel::platform::WaitForDescriptor;

TEST(ParentWait, ParentThatIsAliveDoesNotSignal) {
  DescriptorGuard parent;
  ASSERT_EQ(0, zel::platform::OpenParentProcess(parent));
  ASSERT_FALSE(parent.Empty());
  bool signalled = true;
  EXPECT_EQ(0, WaitForDescriptor(parent, 20, signalled));
  EXPECT_FALSE(signalled);
}

TEST(ParentWait, ClosedDescriptorIsAFailure) {
  DescriptorGuard closed(1 << 20);
  bool signalled = true;
  EXPECT_EQ(EBADF, WaitForDescriptor(closed, 0, signalled));
  EXPECT_FALSE(signalled);
  closed.Release();  // it was never open
}

}  // namespace
