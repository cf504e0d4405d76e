#include "host/wait_for_viewer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <thread>

#include "platform/child_process.h"
#include "platform/process_wait.h"

namespace {

using zel::platform::DescriptorGuard;
using zel::platform::WaitForDescriptor;

TEST(WaitForViewer, HandleEndsTheWaitWhenHungUpAndIsClosed) {
  zel::platform::Pipe pipe;
  ASSERT_EQ(0, zel::platform::CreatePipe(pipe));
  bool signalled = true;
  EXPECT_EQ(0, WaitForDescriptor(pipe.readEnd, 0, signalled));
  EXPECT_FALSE(signalled);
  // The host is given the descriptor by number, as on its command line.
  const int given = pipe.readEnd.Release();
  std::thread viewer([&] { pipe.writeEnd.Reset(); });
  zel::WaitForViewer(static_cast<uint64_t>(given), zel::ParentProcess());
  viewer.join();
  // The host closed the handle it was given.
  DescriptorGuard closed(given);
  EXPECT_EQ(EBADF, WaitForDescriptor(closed, 0, signalled));
  closed.Release();
}

TEST(WaitForViewer, HandleThatIsNoDescriptorEndsTheWaitAtOnce) {
  // Both would hang for good if the wait skipped what it cannot wait on.
  bool signalled = true;
  EXPECT_EQ(EBADF, WaitForDescriptor(DescriptorGuard(), -1, signalled));
  zel::WaitForViewer(UINT64_C(0xFFFFFFFFFFFFFFFF), zel::ParentProcess());
}

}  // namespace
