// The progress line on standard error: one line that rewrites itself, at most every 100 ms.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cli/console.h"
#include "cli/interrupt.h"
#include "engine/core/types.h"

namespace tolzeb::cli {

using TickSource = std::function<uint64_t()>;  // milliseconds of a monotonic clock

// One per engine call. After the call, successful or not, call finish() so that what follows
// starts on a fresh line.
class ConsoleProgress {
 public:
  // `interrupted`, when given, is asked at every report; once it answers true the callback asks
  // the engine to cancel.
  ConsoleProgress(bool enabled, Console& console, TickSource tick, InterruptCheck interrupted = {});

  // An empty function when disabled and nothing can interrupt, so the engine does not report
  // at all.
  ProgressCallback callback();
  // Ends the progress line with "\n" when one was written.
  void finish();

  bool printed() const { return printed_; }

 private:
  bool report(const Progress& progress);

  bool enabled_;
  Console& console_;
  TickSource tick_;
  InterruptCheck interrupted_;
  bool printed_ = false;
  uint64_t lastTick_ = 0;
};

// "\r%-10s %6.2f%%  %8.1f MiB/s  %llu/%llu items    " for one report.
std::wstring progressLine(const Progress& progress);

}  // namespace tolzeb::cli
