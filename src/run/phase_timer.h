// Every phase of a run is timed the same way: in whole calendar seconds, with
// the run's elapsed time shown when the phase ends. The profile tables and
// the "... took N secs." log lines are built from these durations.
#pragma once

#include <ctime>
#include <utility>

#include "core/progress_sink.h"

namespace kavrel {

inline long long CalendarSeconds() { return static_cast<long long>(std::time(nullptr)); }

// Runs `work`, shows the seconds since `runClock`, and returns the phase's
// own duration in seconds.
template <class Work>
long long TimedPhase(ProgressSink& progress, long long runClock, Work&& work) {
  const long long start = CalendarSeconds();
  std::forward<Work>(work)();
  const long long now = CalendarSeconds();
  progress.ShowElapsed(now - runClock);
  return now - start;
}

}  // namespace kavrel
