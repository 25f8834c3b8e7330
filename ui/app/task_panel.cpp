#include "ui/app/task_panel.h"

#include <algorithm>
#include <string>

#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using i18n::translate;

constexpr Color kScrim = rgb(24, 25, 31, 0.28f);
constexpr Color kPaleBar = rgb(180, 185, 193);

constexpr float kRadius = 12;
constexpr float kInset = 26;
constexpr float kBarRadius = 5;
constexpr float kSummaryTop = 110;
constexpr float kEndedSummaryHeight = 52;
constexpr float kSmallestBar = 2;
constexpr float kButtonHeight = 42;
constexpr float kButtonsAbove = 18;  // from the panel's bottom edge to the buttons' bottom
// Room a button needs besides its label: the padding each side, and the icon before it.
constexpr float kLabelPadding = 28;
constexpr float kIconRoom = 24;

struct PanelButton {
  std::wstring label;
  uint16_t command;
  ButtonStyle style;
  Icon icon;
  float minimumWidth;
};

// Buttons laid out leftwards from `right`, `gap` apart, each at least its own width and wide
// enough for its label on one line; gives the left edge of the last one.
float placeFromRight(Canvas& canvas, const IconSet& icons, const Interaction& interaction, HitRegions& regions,
                     const PanelButton* buttons, size_t count, float right, float top, float gap) {
  float left = right;
  for (size_t i = 0; i < count; ++i) {
    const PanelButton& button = buttons[i];
    const float labelWidth = textWidth(canvas, button.label, TextStyle::BodyStrong);
    const float needed = labelWidth + kLabelPadding + (button.icon == Icon::None ? 0 : kIconRoom);
    const float width = std::max(button.minimumWidth, needed);
    left = right - width;
    drawButton(canvas, icons, interaction, regions, {left, top, right, top + kButtonHeight}, button.label,
               button.command, button.style, button.icon, true);
    right = left - gap;
  }
  return left;
}

// The summary, with a failure's details kept to one line: a long message (a path, say) would
// otherwise stretch the card.
std::wstring fittedSummary(Canvas& canvas, const std::wstring& summary, float width) {
  const size_t lineBreak = summary.find(L'\n');
  if (lineBreak == std::wstring::npos) return summary;
  return summary.substr(0, lineBreak + 1) + fitText(canvas, summary.substr(lineBreak + 1), TextStyle::Body, width);
}

void paintProgressBar(Canvas& canvas, const TaskSnapshot& task, Rect panel) {
  const Rect track{panel.left + kInset, panel.top + 86, panel.right - kInset, panel.top + 96};
  canvas.fillRoundedRect(track, kBarRadius, palette::track);
  const float filled = track.width() * float(taskBarFraction(task));
  if (filled > kSmallestBar) {
    canvas.fillRoundedRect({track.left, track.top, track.left + filled, track.bottom}, kBarRadius,
                           task.active || task.succeeded ? palette::brandRed : kPaleBar);
  }
}

float panelWidth(Rect area) { return std::min(area.width() - 80, kTaskPanelMaximumWidth); }

}  // namespace

Rect taskPanelRect(const TaskSnapshot& task, Rect area, float summaryHeight) {
  const float width = panelWidth(area);
  const float height = task.active ? kTaskPanelRunningHeight
                                   : kTaskPanelEndedHeight + std::max(0.0f, summaryHeight - kEndedSummaryHeight);
  const float left = (area.left + area.right) / 2 - width / 2;
  const float top = (area.top + area.bottom) / 2 - height / 2;
  return {left, top, left + width, top + height};
}

void paintTaskPanel(Canvas& canvas, const IconSet& icons, const PageState& state, Rect area, HitRegions& regions) {
  const TaskSnapshot& task = state.taskProgress;
  canvas.fillRect(area, kScrim);
  const float summaryWidth = panelWidth(area) - 2 * kInset;
  const std::wstring summary = fittedSummary(canvas, taskPanelSummary(task), summaryWidth);
  const Rect panel = taskPanelRect(task, area, canvas.measureText(summary, TextStyle::Body, summaryWidth).height);
  const float x0 = panel.left;
  const float y0 = panel.top;
  const float x1 = panel.right;
  const float y1 = panel.bottom;
  canvas.fillRoundedRect(panel, kRadius, palette::white);
  canvas.drawRoundedRect(panel, kRadius, palette::divider, 1);

  canvas.drawText(taskPanelHeadline(task), TextStyle::SectionTitle, {x0 + kInset, y0 + 20, x1 - kInset, y0 + 54},
                  taskHeadlineIsGoodNews(task) ? palette::textPrimary : palette::brandRed, TextAlign::Leading);
  paintProgressBar(canvas, task, panel);

  const bool calm = task.active || task.succeeded;
  // Ended, the summary runs down to 10 above the buttons however far the card grew.
  const float summaryBottom = task.active ? y0 + kSummaryTop + 24 : y1 - 70;
  canvas.drawText(summary, TextStyle::Body, {x0 + kInset, y0 + kSummaryTop, x1 - kInset, summaryBottom},
                  calm ? palette::textSecondary : palette::brandRed, TextAlign::Leading);

  if (task.active) {
    canvas.drawText(translate("common.elapsed") + L"  " + formatDuration(task.elapsedSeconds), TextStyle::BodyStrong,
                    {x0 + kInset, y0 + 142, x1 - kInset, y0 + 168}, palette::textPrimary, TextAlign::Leading);
    canvas.drawText(remainingTimeText(task), TextStyle::Body, {x0 + kInset, y0 + 170, x1 - kInset, y0 + 196},
                    palette::textSecondary, TextAlign::Leading);
  }

  const Interaction interaction = state.interaction();
  const float buttonTop = y1 - kButtonsAbove - kButtonHeight;
  float buttonsLeft = x1 - kInset;
  if (task.active) {
    const PanelButton buttons[] = {
        {translate("action.cancel"), kCancelTaskCommand, ButtonStyle::Secondary, Icon::None, 120},
        {translate(state.taskPaused ? "action.resume" : "action.hold"), kHoldTaskCommand, ButtonStyle::Secondary,
         Icon::None, 120},
    };
    buttonsLeft =
        placeFromRight(canvas, icons, interaction, regions, buttons, std::size(buttons), x1 - kInset, buttonTop, 10);
    // The quiet button keeps to the left edge and gives way to the others.
    const std::wstring hide = translate("action.run_in_background");
    const float hideRight =
        std::max(x0 + 216, x0 + kInset + kLabelPadding + textWidth(canvas, hide, TextStyle::BodyStrong));
    drawButton(canvas, icons, interaction, regions,
               {x0 + kInset, buttonTop, std::min(hideRight, buttonsLeft - 10), buttonTop + kButtonHeight}, hide,
               kHidePanelCommand, ButtonStyle::Quiet, Icon::None, true);
  } else {
    const PanelButton close{translate("action.close"), kClosePanelCommand, ButtonStyle::Primary, Icon::None, 110};
    const PanelButton open{translate("action.open_folder"), kOpenOutputCommand, ButtonStyle::Secondary, Icon::Folder,
                           146};
    const PanelButton buttons[] = {close, open};
    const size_t shown = taskOutputCanBeOpened(task) ? 2 : 1;
    buttonsLeft = placeFromRight(canvas, icons, interaction, regions, buttons, shown, x1 - kInset, buttonTop, 12);
  }

  if (state.openTaskCount > 1) {
    const std::wstring queued = i18n::translatePlural("count.queued", int64_t(state.openTaskCount - 1));
    if (task.active) {
      canvas.drawText(queued, TextStyle::Caption, {x0 + kInset, y1 - 92, x1 - kInset, y1 - 70}, palette::textSecondary,
                      TextAlign::Leading);
    } else {
      // An ended task's summary may take two lines down to where the running look has this line:
      // it goes beside the buttons instead, on two lines where one is too short.
      drawCentredText(canvas, queued, TextStyle::Caption,
                      {x0 + kInset, buttonTop, buttonsLeft - 12, buttonTop + kButtonHeight}, palette::textSecondary,
                      TextAlign::Leading);
    }
  }
}

}  // namespace tolzeb::ui
