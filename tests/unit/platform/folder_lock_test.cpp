#include "platform/folder_lock.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/temp_folder.h"

namespace {

using zel::platform::FolderLock;

// Holders stand for processes: each lock is a hold of its own, as one in another process is.
TEST(FolderLock, AFolderIsHeldAloneOnlyWhileNobodyElseHoldsIt) {
  zel_test::TempFolder folder;
  FolderLock first;
  FolderLock second;
  bool alone = false;
  ASSERT_EQ(0, first.Take(folder.wide(), alone));
  EXPECT_TRUE(alone);
  ASSERT_EQ(0, first.Share());
  ASSERT_EQ(0, second.Take(folder.wide(), alone));
  EXPECT_FALSE(alone);

  // The first one goes; the second still holds the folder, so a newcomer shares it too.
  first.Release();
  FolderLock third;
  ASSERT_EQ(0, third.Take(folder.wide(), alone));
  EXPECT_FALSE(alone);
  second.Release();
  ASSERT_EQ(0, third.Take(folder.wide(), alone));
  EXPECT_TRUE(alone);

  EXPECT_EQ(ENOENT, first.Take(folder.wide() + u"/missing", alone));
  EXPECT_FALSE(alone);
}

}  // namespace
