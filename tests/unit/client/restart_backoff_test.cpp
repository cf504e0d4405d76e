// The waits before a new host starts after hosts that ended on their own.
#include <gtest/gtest.h>

#include <chrono>

#include "client/restart_backoff.h"

namespace {

using namespace std::chrono_literals;
using zel::client::RestartBackoff;
using zel::client::RestartClock;

const RestartClock::TimePoint kStart{std::chrono::hours(1)};

TEST(RestartBackoff, DoublesWithEachEndInARowUpToTheCap) {
  RestartBackoff backoff;
  EXPECT_EQ(RestartClock::Duration::zero(), backoff.DelayBeforeStart(kStart));
  // One crash is one broken file: the next host starts at once.
  backoff.RecordUnexpectedEnd(kStart);
  EXPECT_EQ(RestartClock::Duration::zero(), backoff.DelayBeforeStart(kStart));

  RestartClock::TimePoint now = kStart;
  for (const auto expected : {250ms, 500ms, 1000ms, 2000ms, 4000ms, 8000ms, 8000ms, 8000ms}) {
    backoff.RecordUnexpectedEnd(now);
    EXPECT_EQ(RestartClock::Duration(expected), backoff.DelayBeforeStart(now));
    // The wait runs from the end: a request that comes later waits only for the rest of it.
    EXPECT_EQ(RestartClock::Duration(expected - 100ms), backoff.DelayBeforeStart(now + 100ms));
    EXPECT_EQ(RestartClock::Duration::zero(), backoff.DelayBeforeStart(now + expected));
    now += expected;
  }
}

TEST(RestartBackoff, AQuietPeriodStartsANewRow) {
  RestartBackoff backoff;
  for (int i = 0; i < 5; ++i) backoff.RecordUnexpectedEnd(kStart);
  EXPECT_EQ(RestartClock::Duration(2000ms), backoff.DelayBeforeStart(kStart));
  // Past the quiet period nothing is waited for, and the next end counts as the first again.
  EXPECT_EQ(RestartClock::Duration::zero(), backoff.DelayBeforeStart(kStart + 60s));
  backoff.RecordUnexpectedEnd(kStart + 60s);
  EXPECT_EQ(1, backoff.endsInRow());
  EXPECT_EQ(RestartClock::Duration::zero(), backoff.DelayBeforeStart(kStart + 60s));
  backoff.RecordUnexpectedEnd(kStart + 61s);
  EXPECT_EQ(RestartClock::Duration(250ms), backoff.DelayBeforeStart(kStart + 61s));
}

}  // namespace
