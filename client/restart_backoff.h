// When the next host may start after hosts that ended on their own. One crash is what a single
// broken file does, so the next request starts a new host at once; a host that keeps crashing
// (a viewer retrying the same file, a broken installation) is restarted after a wait that doubles
// with each further crash in a row, up to a cap, so that the viewer does not spend its time
// starting hosts. A quiet period without a crash ends the row.
#pragma once

#include <chrono>
#include <cstdint>

namespace zel::client {

// Time as the restart back-off sees it; tests put a clock of their own in its place.
class RestartClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using Duration = std::chrono::steady_clock::duration;

  virtual ~RestartClock() = default;
  virtual TimePoint Now() = 0;
  virtual void Sleep(Duration duration) = 0;
};

// The system's monotonic clock.
RestartClock& SystemRestartClock();

struct RestartSchedule {
  // The wait after the second end in a row; each further end doubles it.
  std::chrono::milliseconds firstDelay{250};
  std::chrono::milliseconds maxDelay{8000};
  // An end this long after the previous one starts a new row.
  std::chrono::milliseconds quietPeriod{60000};
};

class RestartBackoff {
 public:
  explicit RestartBackoff(RestartSchedule schedule = {}) : schedule_(schedule) {}

  // A host ended without being asked to, noticed at `when`.
  void RecordUnexpectedEnd(RestartClock::TimePoint when);

  // How long to wait at `now` before the next host may start; zero means at once.
  RestartClock::Duration DelayBeforeStart(RestartClock::TimePoint now) const;

  int32_t endsInRow() const { return endsInRow_; }

 private:
  RestartSchedule schedule_;
  int32_t endsInRow_ = 0;
  RestartClock::TimePoint lastEnd_{};
};

}  // namespace zel::client
