// The task panel: the card over the page area that follows the current task while it runs and
// reports how it ended, worded for the task's kind. It has three looks chosen from the snapshot
// alone: running (with Cancel, Hold or Resume, Run in background), succeeded and failed or
// cancelled (with Close, and Open folder where a result lies in a folder).
#pragma once

#include <string>

#include "ui/app/page_state.h"
#include "ui/app/task_types.h"
#include "ui/foundation/canvas.h"
#include "ui/foundation/hit_regions.h"

namespace tolzeb::ui {

class IconSet;

inline constexpr float kTaskPanelMaximumWidth = 560;
inline constexpr float kTaskPanelRunningHeight = 286;
inline constexpr float kTaskPanelEndedHeight = 232;

// The panel's buttons.
inline constexpr uint16_t kCancelTaskCommand = 119;
inline constexpr uint16_t kClosePanelCommand = 120;
inline constexpr uint16_t kOpenOutputCommand = 121;
inline constexpr uint16_t kHoldTaskCommand = 122;
inline constexpr uint16_t kHidePanelCommand = 123;

// The card centred in the page area `area`: at most 560 wide, 286 high while the task is active
// and 232 once it has ended. An ended task's summary has two lines of room; the card grows by
// whatever more `summaryHeight` needs, so that a long one never runs into the buttons.
Rect taskPanelRect(const TaskSnapshot& task, Rect area, float summaryHeight = 0);

// How much of the bar is filled, 0..1: bytes done of the total (0 without a total), and all of
// it once a task has succeeded.
double taskBarFraction(const TaskSnapshot& task);

// The headline: what the task is doing while it runs, how it ended afterwards.
std::wstring taskPanelHeadline(const TaskSnapshot& task);
// Whether the headline is good news (ink) or not (accent). A scan that found damage did its
// job; a repair that left the archive incomplete did not.
bool taskHeadlineIsGoodNews(const TaskSnapshot& task);

// The line under the bar: phase, percentage, bytes and speed while the task runs; the kind's
// figures once it succeeded; what went wrong, or what a cancel left behind, otherwise. A
// failure's details follow on a line of their own.
std::wstring taskPanelSummary(const TaskSnapshot& task);

// "Remaining:  ..." while the task runs. Held time is left out of the elapsed time, so a hold
// does not stretch the estimate.
std::wstring remainingTimeText(const TaskSnapshot& task);

// Whether the result lies somewhere Open folder can show: a succeeded create, extraction,
// export, split, merge or repair.
bool taskOutputCanBeOpened(const TaskSnapshot& task);

// Dims `area` and draws the panel in it from the page state's taskProgress, taskPaused and
// openTaskCount, adding the hit regions of its buttons.
void paintTaskPanel(Canvas& canvas, const IconSet& icons, const PageState& state, Rect area, HitRegions& regions);

}  // namespace tolzeb::ui
