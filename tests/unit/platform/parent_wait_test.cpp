#include <gtest/gtest.h>

#include "platform/process_wait.h"
#include "util/libc_process_queries.h"

namespace {

using zel::platform::WaitForDescriptor;
using WaitResult = zel::platform::DescriptorWaitResult;

TEST(ParentWait, ParentThatIsAliveDoesNotSignal) {
  vesku::CLibcProcessQueries queries;
  const int parent = queries.getppid();
  ASSERT_GT(parent, 0);
  const int descriptor = queries.pidfd_open(parent, 0);
  ASSERT_GE(descriptor, 0);
  EXPECT_EQ(WaitForDescriptor(descriptor, 20), WaitResult::kTimedOut);
  zel::platform::CloseDescriptor(descriptor);
}

TEST(ParentWait, ClosedDescriptorIsAFailure) {
  EXPECT_EQ(WaitForDescriptor(1 << 20, 0), WaitResult::kFailed);
}

}  // namespace
