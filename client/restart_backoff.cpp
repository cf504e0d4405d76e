#include "client/restart_backoff.h"

#include <algorithm>
#include <thread>

namespace zel::client {

namespace {

class SteadyRestartClock : public RestartClock {
 public:
  TimePoint Now() override { return std::chrono::steady_clock::now(); }
  void Sleep(Duration duration) override { std::this_thread::sleep_for(duration); }
};

}  // namespace

RestartClock& SystemRestartClock() {
  static SteadyRestartClock clock;
  return clock;
}

void RestartBackoff::RecordUnexpectedEnd(RestartClock::TimePoint when) {
  if (endsInRow_ > 0 && when - lastEnd_ >= schedule_.quietPeriod) endsInRow_ = 0;
  // Saturates long before the count could overflow: the delay is capped after a few doublings.
  endsInRow_ = std::min(endsInRow_ + 1, 64);
  lastEnd_ = when;
}

RestartClock::Duration RestartBackoff::DelayBeforeStart(RestartClock::TimePoint now) const {
  if (endsInRow_ < 2 || now - lastEnd_ >= schedule_.quietPeriod) return {};
  RestartClock::Duration delay = schedule_.firstDelay;
  for (int32_t end = 2; end < endsInRow_ && delay < schedule_.maxDelay; ++end) delay *= 2;
  delay = std::min<RestartClock::Duration>(delay, schedule_.maxDelay);
  const RestartClock::Duration waited = now - lastEnd_;
  return waited >= delay ? RestartClock::Duration{} : delay - waited;
}

}  // namespace zel::client
