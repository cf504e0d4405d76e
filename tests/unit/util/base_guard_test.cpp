#include "util/base_guard.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> closed;

struct RecordingImpl {
  using Resource = int;
  static void Close(int value) noexcept { closed.push_back(value); }
};

using Guard = vesku::CBaseGuard<RecordingImpl>;

TEST(BaseGuard, ClosesExactlyOnceAndNeverTheEmptyValue) {
  closed.clear();
  {
    Guard empty;
    Guard zero(0);
    Guard first(7);
    Guard moved(std::move(first));
    EXPECT_TRUE(first.Empty());
    EXPECT_EQ(moved.Get(), 7);
    Guard other(9);
    other = std::move(moved);  // closes 9, takes 7
    EXPECT_EQ(closed, std::vector<int>{9});
    Guard released(11);
    EXPECT_EQ(released.Release(), 11);
    other.Reset(12);  // closes 7
  }
  EXPECT_EQ(closed, (std::vector<int>{9, 7, 12}));
}

}  // namespace
