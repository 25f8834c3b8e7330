// The history page: the totals of every archive the window has made, the list of them (newest
// first; a row opens its archive) and where the record is kept. paintHistoryPage is declared in
// page_painters.h. The figures below are shared with the home page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/foundation/history.h"

namespace tolzeb::ui {

// The largest ratio or speed shown; a record with absurd sizes or a vanishing duration reads
// this rather than a number too long for its row.
inline constexpr double kMaxShownFigure = 1e9;

// 100 x archive size / input size; 0 for an empty input.
double historyRatioPercent(const HistoryEntry& entry);
// Input MiB per second of the run; 0 when the duration is not above 0.
double historySpeed(const HistoryEntry& entry);
// The part after the last separator, or the whole path when that part is empty.
std::wstring historyEntryName(const std::wstring& path);

struct HistoryTotals {
  uint64_t archives = 0;
  uint64_t inputBytes = 0;    // at most 2^64 - 1
  uint64_t writtenBytes = 0;  // at most 2^64 - 1
  uint64_t savedBytes = 0;
};
HistoryTotals historyTotals(const History& history);

}  // namespace tolzeb::ui
