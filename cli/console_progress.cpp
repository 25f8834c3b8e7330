#include "cli/console_progress.h"

#include "cli/report_format.h"
#include "engine/core/bytes.h"

namespace tolzeb::cli {
namespace {

constexpr uint64_t kMinLineIntervalMs = 100;
constexpr double kBytesPerMiB = 1048576.0;
constexpr double kShortestTimedSeconds = 0.001;

// The engine's word for the phase; "Working" for a value it does not name.
const wchar_t* phaseText(Progress::Phase phase) {
  const wchar_t* word = phaseWord(phase);
  return *word ? word : L"Working";
}

}  // namespace

std::wstring progressLine(const Progress& progress) {
  const double percent = progress.bytesTotal == 0 ? 0 : percentOf(progress.bytesDone, progress.bytesTotal);
  const double speed =
      progress.seconds > kShortestTimedSeconds ? double(progress.bytesDone) / progress.seconds / kBytesPerMiB : 0;
  return L"\r" + padRight(phaseText(progress.phase), 10) + L" " + padLeft(fixedDecimals(percent, 2), 6) + L"%  " +
         padLeft(fixedDecimals(speed, 1), 8) + L" MiB/s  " + decimal(progress.itemsDone) + L"/" +
         decimal(progress.itemsTotal) + L" items    ";
}

ConsoleProgress::ConsoleProgress(bool enabled, Console& console, TickSource tick, InterruptCheck interrupted)
    : enabled_(enabled), console_(console), tick_(std::move(tick)), interrupted_(std::move(interrupted)) {}

ProgressCallback ConsoleProgress::callback() {
  if (!enabled_ && !interrupted_) return {};
  return [this](const Progress& progress) {
    if (enabled_) (void)report(progress);
    return !(interrupted_ && interrupted_());
  };
}

bool ConsoleProgress::report(const Progress& progress) {
  const uint64_t now = tick_();
  if (now - lastTick_ < kMinLineIntervalMs && progress.phase != Progress::Phase::Done) return true;
  lastTick_ = now;
  console_.writeErr(progressLine(progress));
  printed_ = true;
  return true;
}

void ConsoleProgress::finish() {
  if (enabled_ && printed_) console_.writeErr(L"\n");
}

}  // namespace tolzeb::cli
