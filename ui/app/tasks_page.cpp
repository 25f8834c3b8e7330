// The tasks page: every task of the queue from the moment it is queued until it is cleared, one
// row each, with the buttons that hold, reorder, stop and clear them. It reads only the entries
// the window copied from the runner at the start of the paint.
#include "ui/app/tasks_page.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ui/app/command_ids.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using i18n::Arg;
using i18n::translate;
using i18n::translateWithArgs;

constexpr float kTasksMinimumWidth = 420;
constexpr float kTaskRowHeight = 86;
constexpr float kTasksEmptyListHeight = 96;
constexpr float kRowsTop = 58;        // from the card's top
constexpr float kCardBottomGap = 14;  // below the last row
constexpr float kTextInset = 128;     // from the row's left
constexpr float kButtonsWidth = 278;  // kept free at the row's right

constexpr uint16_t kMoveUp = 125;
constexpr uint16_t kMoveDown = 126;
constexpr uint16_t kStop = 127;
constexpr uint16_t kClearFinished = 128;
constexpr uint16_t kHoldOrResume = 129;


bool isActive(TaskState state) { return state == TaskState::Running || state == TaskState::Held; }

const char* stateKey(TaskState state) {
  switch (state) {
    case TaskState::Waiting:
      return "tasks.state_waiting";
    case TaskState::Running:
      return "tasks.state_running";
    case TaskState::Held:
      return "tasks.state_held";
    case TaskState::Done:
      return "tasks.state_done";
    case TaskState::Failed:
      return "tasks.state_failed";
    case TaskState::Cancelled:
      return "tasks.state_cancelled";
  }
  return "tasks.state_waiting";
}

std::wstring activeDetails(const TaskEntry& entry) {
  const Progress& progress = entry.snapshot.progress;
  const uint64_t done = progress.bytesDone;
  const uint64_t total = progress.bytesTotal;
  std::wstring text =
      total == 0
          ? formatBytes(done)
          : translateWithArgs("tasks.progress_of", {Arg("done", formatBytes(done)), Arg("total", formatBytes(total))});
  text += i18n::kFactSeparator;
  text += formatDuration(entry.snapshot.elapsedSeconds);
  if (entry.state == TaskState::Held) return text + i18n::kFactSeparator + translate("tasks.held_suffix");
  if (total == 0) return text;
  text += i18n::kFactSeparator;
  const std::optional<double> left = remainingSeconds(done, total, entry.snapshot.elapsedSeconds);
  if (!left) return text + translate("tasks.estimating");
  return text + translateWithArgs("tasks.about_left", {Arg("time", formatDuration(*left))});
}

struct QueueCounts {
  int64_t waiting = 0;
  int64_t finished = 0;
  bool anyActive = false;
};

QueueCounts countQueue(const std::vector<TaskEntry>& entries) {
  QueueCounts counts;
  for (const TaskEntry& entry : entries) {
    if (entry.state == TaskState::Waiting) ++counts.waiting;
    if (isFinished(entry.state)) ++counts.finished;
    if (isActive(entry.state)) counts.anyActive = true;
  }
  return counts;
}

struct RowPainter {
  Canvas& canvas;
  const IconSet& icons;
  const PageState& state;
  HitRegions& regions;
  Interaction interaction;

  void quietButton(Rect rect, const char* key, uint16_t command, int32_t index, bool enabled) const {
    drawButton(canvas, icons, interaction, regions, rect, translate(key), command, ButtonStyle::Quiet, Icon::None,
               enabled, index);
  }

  void paint(const std::vector<TaskEntry>& entries, size_t i, Rect row) const {
    const TaskEntry& entry = entries[i];
    const auto index = static_cast<int32_t>(i);
    const bool active = isActive(entry.state);
    if (active) {
      canvas.fillRoundedRect(row, 6, palette::brandTint);
    } else if (state.hoverId == command_ids::kTaskRow && state.hoverIndex == index) {
      canvas.fillRoundedRect(row, 6, palette::hoverOverlay);
    }
    const float y = row.top;
    const bool accent = entry.state == TaskState::Running || entry.state == TaskState::Failed;
    canvas.drawText(translate(stateKey(entry.state)), TextStyle::Caption,
                    {row.left + 14, y + 10, row.left + 120, y + 30},
                    accent ? palette::brandRed : palette::textSecondary, TextAlign::Leading);

    const float textLeft = row.left + kTextInset;
    const float textRight = row.right - kButtonsWidth;
    const float textWidth = std::max(textRight - textLeft, 0.0f);
    canvas.drawText(fitText(canvas, entry.title, TextStyle::BodyStrong, textWidth), TextStyle::BodyStrong,
                    {textLeft, y + 8, textRight, y + 32}, palette::textPrimary, TextAlign::Leading);
    canvas.drawText(fitText(canvas, paintTaskDetails(entry), TextStyle::Caption, textWidth), TextStyle::Caption,
                    {textLeft, y + 34, textRight, y + 56}, palette::textSecondary, TextAlign::Leading);

    const uint64_t total = entry.snapshot.progress.bytesTotal;
    if (active && total != 0) {
      const Rect track{textLeft, y + 62, textRight, y + 68};
      canvas.fillRoundedRect(track, 3, palette::divider);
      const double fraction =
          std::clamp(static_cast<double>(entry.snapshot.progress.bytesDone) / static_cast<double>(total), 0.0, 1.0);
      const auto filled = static_cast<float>(track.width() * fraction);
      if (filled > 0)
        canvas.fillRoundedRect({track.left, track.top, track.left + filled, track.bottom}, 3, palette::brandRed);
    }

    if (entry.state == TaskState::Waiting) {
      const bool nextWaiting = i + 1 < entries.size() && entries[i + 1].state == TaskState::Waiting;
      quietButton({row.right - 264, y + 24, row.right - 194, y + 58}, "tasks.move_up", kMoveUp, index, i != 0);
      quietButton({row.right - 186, y + 24, row.right - 98, y + 58}, "tasks.move_down", kMoveDown, index, nextWaiting);
    }
    if (!isFinished(entry.state)) {
      quietButton({row.right - 90, y + 24, row.right - 12, y + 58}, "tasks.stop", kStop, index, true);
    }
    addHitRegion(regions, row, command_ids::kTaskRow, index, false);
  }
};

}  // namespace

std::optional<double> remainingSeconds(uint64_t done, uint64_t total, double elapsed) {
  if (total == 0 || done == 0) return std::nullopt;
  if (done >= total) return 0.0;
  if (elapsed < 1) return std::nullopt;
  const double rate = static_cast<double>(done) / elapsed;
  if (!(rate > 0)) return std::nullopt;
  return static_cast<double>(total - done) / rate;
}

std::wstring paintTaskDetails(const TaskEntry& entry) {
  const TaskSnapshot& snapshot = entry.snapshot;
  switch (entry.state) {
    case TaskState::Waiting:
      return entry.detail;
    case TaskState::Done:
      return translateWithArgs(
          "tasks.done_summary",
          {Arg("files", i18n::translatePlural("count.files", static_cast<int64_t>(snapshot.stats.files))),
           Arg("size", formatBytes(snapshot.stats.inputBytes)),
           Arg("seconds",
               translateWithArgs("unit.seconds", {Arg("count", i18n::formatDecimal(snapshot.elapsedSeconds, 1))}))});
    case TaskState::Failed:
      return snapshot.errorCode != 0 ? statusKeyText(static_cast<StatusCode>(snapshot.errorCode))
                                     : translate("tasks.state_failed");
    case TaskState::Cancelled:
      return translate("tasks.stopped_early");
    case TaskState::Running:
    case TaskState::Held:
      break;
  }
  return activeDetails(entry);
}

float paintTasksPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions) {
  const PageColumn column = pageColumn(page, state.scrollOffset, kTasksMinimumWidth);
  const float L = column.left, R = column.right;
  const Interaction interaction = state.interaction();
  const std::vector<TaskEntry>& entries = state.taskEntries;
  const QueueCounts counts = countQueue(entries);

  const float c = paintPageHeading(canvas, L, R, column.top, "tasks.title", "tasks.subtitle") + 94;
  // Longer translations widen the buttons; the summary moves along after them.
  const std::wstring hold = translate(state.taskPaused ? "action.resume" : "action.hold");
  const float holdRight = L + buttonWidthFor(canvas, hold, Icon::None, 150);
  drawButton(canvas, icons, interaction, regions, {L, c, holdRight, c + 38}, hold, kHoldOrResume,
             ButtonStyle::Secondary, Icon::None, counts.anyActive);
  const std::wstring clear = translate("tasks.clear_finished");
  const float clearLeft = holdRight + 10;
  const float clearRight = clearLeft + buttonWidthFor(canvas, clear, Icon::None, 186);
  drawButton(canvas, icons, interaction, regions, {clearLeft, c, clearRight, c + 38}, clear, kClearFinished,
             ButtonStyle::Secondary, Icon::None, counts.finished > 0);
  canvas.drawText(translateWithArgs("tasks.queue_summary", {Arg("waiting", i18n::formatInteger(counts.waiting)),
                                                            Arg("finished", i18n::formatInteger(counts.finished))}),
                  TextStyle::Caption, {clearRight + 14, c + 8, std::max(R, clearRight + 14), c + 30},
                  palette::textSecondary, TextAlign::Leading);

  const float Q = c + 56;
  const float H = entries.empty() ? kTasksEmptyListHeight : kTaskRowHeight * static_cast<float>(entries.size());
  const float cardBottom = Q + kRowsTop + H + kCardBottomGap;
  drawCard(canvas, {L, Q, R, cardBottom}, translate("tasks.queue_panel"));
  if (entries.empty()) {
    canvas.drawText(translate("tasks.empty"), TextStyle::Body, {L + 18, Q + 74, R - 18, Q + 122},
                    palette::textSecondary, TextAlign::Leading);
  }
  const RowPainter rows{canvas, icons, state, regions, interaction};
  for (size_t i = 0; i < entries.size(); ++i) {
    const float y = Q + kRowsTop + kTaskRowHeight * static_cast<float>(i);
    rows.paint(entries, i, {L + 12, y, R - 12, y + kTaskRowHeight});
  }
  return cardBottom - (page.top - state.scrollOffset);
}

}  // namespace tolzeb::ui
