// The tasks page's texts: the one-line detail under each queued task and the estimate of the time
// a running task has left. paintTasksPage itself is declared in page_painters.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ui/app/task_types.h"

namespace tolzeb::ui {

// Seconds left for `done` of `total` bytes after `elapsed` seconds at the average rate so far.
// None while nothing is done, before the first second, or for an unknown total; 0 once done
// reaches the total.
std::optional<double> remainingSeconds(uint64_t done, uint64_t total, double elapsed);

// Waiting: the entry's own detail. Active: bytes (of the total), elapsed time, then "held" or the
// estimate. Finished: the summary, the failure's text, or that it stopped early.
std::wstring paintTaskDetails(const TaskEntry& entry);

}  // namespace tolzeb::ui
