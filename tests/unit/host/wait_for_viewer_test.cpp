#include "host/wait_for_viewer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include "platform/child_process.h"
#include "platform/process_wait.h"

namespace {

using zel::platform::DescriptorWaitResult;
using zel::platform::WaitForDescriptor;

TEST(WaitForViewer, HandleEndsTheWaitWhenHungUpAndIsClosed) {
  zel::platform::Pipe pipe;
  ASSERT_EQ(0, zel::platform::CreatePipe(pipe));
  EXPECT_EQ(DescriptorWaitResult::kTimedOut, WaitForDescriptor(pipe.readEnd, 0));
  std::thread viewer([&] { zel::platform::ClosePipeEnd(pipe.writeEnd); });
  zel::WaitForViewer(static_cast<uint64_t>(pipe.readEnd), zel::ParentProcess());
  viewer.join();
  // The host closed the handle it was given.
  EXPECT_EQ(DescriptorWaitResult::kFailed, WaitForDescriptor(pipe.readEnd, 0));
}

TEST(WaitForViewer, HandleThatIsNoDescriptorEndsTheWaitAtOnce) {
  // Both would hang for good if the wait skipped what it cannot wait on.
  EXPECT_EQ(DescriptorWaitResult::kFailed, WaitForDescriptor(-1, -1));
  zel::WaitForViewer(UINT64_C(0xFFFFFFFFFFFFFFFF), zel::ParentProcess());
}

}  // namespace
