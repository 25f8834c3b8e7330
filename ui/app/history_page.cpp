// The history page. Only rows that reach into the visible page are drawn and registered, so a
// full history of 200 archives costs no more to paint than a screenful.
#include "ui/app/history_page.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/core/fs.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using i18n::Arg;
using i18n::translate;

constexpr Color kRowArrowColor = rgb(180, 185, 193);  // the row arrow at rest

constexpr float kHistoryMinimumWidth = 420;
constexpr float kTotalsHeight = 112;
constexpr float kListHeading = 58;
constexpr float kHistoryRowHeight = 56;
constexpr float kHistoryEmptyListHeight = 60;
constexpr float kNoteHeight = 104;
constexpr uint16_t kHistoryRow = 73;
constexpr uint16_t kClearHistory = 74;

double shownFigure(double value) {
  if (!(value > 0)) return 0;  // also not-a-number
  return std::min(value, kMaxShownFigure);
}

uint64_t saturatingAdd(uint64_t a, uint64_t b) { return b > UINT64_MAX - a ? UINT64_MAX : a + b; }

std::wstring percentText(double percent) {
  return i18n::translateWithArgs("unit.percent", {Arg("count", i18n::formatDecimal(percent, 1))});
}

void paintTotalsCard(Canvas& canvas, const IconSet& icons, const PageState& state, const History* history, float L,
                     float R, float top, HitRegions& regions) {
  drawCard(canvas, {L, top, R, top + kTotalsHeight}, translate("history.totals_panel"));
  const bool empty = !history || history->entries().empty();
  std::wstring line;
  if (empty) {
    line = translate("history.nothing_recorded");
  } else {
    const HistoryTotals totals = historyTotals(*history);
    const int64_t count = int64_t(std::min<uint64_t>(totals.archives, INT64_MAX));
    line = i18n::translateWithArgs(
        "history.totals",
        {Arg("archives", i18n::translatePlural("count.archives", count)), Arg("input", formatBytes(totals.inputBytes)),
         Arg("written", formatBytes(totals.writtenBytes)), Arg("saved", formatBytes(totals.savedBytes))});
  }
  canvas.drawText(line, TextStyle::Body, {L + 22, top + 54, R - 260, top + 80}, palette::textSecondary,
                  TextAlign::Leading);
  drawButton(canvas, icons, state.interaction(), regions, {R - 198, top + 44, R - 22, top + 86},
             translate("history.clear"), kClearHistory, ButtonStyle::Quiet, Icon::Close, !empty);
}

void paintRow(Canvas& canvas, const IconSet& icons, const PageState& state, const HistoryEntry& entry, int32_t index,
              float L, float R, float r, HitRegions& regions) {
  const Rect box{L + 10, r + 2, R - 10, r + 54};
  const bool hovered = state.hoverId == kHistoryRow && state.hoverIndex == index;
  if (hovered) canvas.fillRoundedRect(box, 6, palette::hoverOverlay);
  if (!canvas.drawProgramIcon({box.left + 12, r + 10, box.left + 46, r + 46})) {
    canvas.drawIcon(icons, Icon::Document, {box.left + 12, r, box.left + 46, r + 56}, palette::brandRed, 20);
  }

  // The name column is empty in the narrowest column; nothing is squeezed into it then.
  const float textLeft = box.left + 56, textRight = box.right - 420;
  if (textRight > textLeft) {
    const float width = textRight - textLeft;
    const std::wstring name = fitText(canvas, historyEntryName(entry.path), TextStyle::BodyStrong, width);
    canvas.drawText(name, TextStyle::BodyStrong, {textLeft, r + 8, textRight, r + 32},
                    entry.missing ? palette::textSecondary : palette::textPrimary, TextAlign::Leading);
    if (entry.missing) {
      canvas.drawText(translate("history.missing"), TextStyle::Caption, {textLeft, r + 30, textRight, r + 50},
                      palette::brandRed, TextAlign::Leading);
    } else {
      canvas.drawText(fitText(canvas, entry.path, TextStyle::Caption, width), TextStyle::Caption,
                      {textLeft, r + 30, textRight, r + 50}, palette::textSecondary, TextAlign::Leading);
    }
  }

  const std::wstring stats = i18n::translateWithArgs(
      "history.row_stats", {Arg("input", formatBytes(entry.inputSize)), Arg("archive", formatBytes(entry.archiveSize)),
                            Arg("ratio", percentText(historyRatioPercent(entry)))});
  canvas.drawText(stats, TextStyle::Body, {box.right - 410, r + 8, box.right - 170, r + 32}, palette::textPrimary,
                  TextAlign::Leading);
  const std::wstring speed =
      i18n::translateWithArgs("unit.mb_per_second", {Arg("count", i18n::formatDecimal(historySpeed(entry), 1))});
  canvas.drawText(i18n::translateWithArgs("history.row_throughput", {Arg("speed", speed)}), TextStyle::Caption,
                  {box.right - 410, r + 30, box.right - 170, r + 50}, palette::textSecondary, TextAlign::Leading);
  drawCentredText(canvas, formatTimestamp(entry.timestamp), TextStyle::Body,
                  {box.right - 160, r, box.right - 48, r + 56}, palette::textSecondary, TextAlign::Trailing);
  canvas.drawIcon(icons, Icon::ChevronRight, {box.right - 38, r, box.right - 14, r + 56},
                  hovered ? palette::brandRed : kRowArrowColor, 14);
  if (state.showFocus && state.focusId == kHistoryRow && state.hoverIndex == index) drawFocusRing(canvas, box, 6);
  // Not a focus stop: the focus walk knows commands, not rows, and would stop turning at the
  // second row.
  addHitRegion(regions, box, kHistoryRow, index, false);
}

// Returns the card's bottom.
float paintListCard(Canvas& canvas, const IconSet& icons, const PageState& state, const History* history, float L,
                    float R, float top, Rect page, HitRegions& regions) {
  const size_t count = history ? history->entries().size() : 0;
  const float rows = count == 0 ? kHistoryEmptyListHeight : kHistoryRowHeight * float(count);
  const float bottom = top + kListHeading + rows + 14;
  drawCard(canvas, {L, top, R, bottom}, translate("history.list_panel"));
  if (count == 0) {
    drawCentredText(canvas, translate("history.empty"), TextStyle::Body,
                    {L + 22, top + kListHeading, R - 22, top + kListHeading + 60}, palette::textSecondary,
                    TextAlign::Centre);
    return bottom;
  }
  for (size_t i = 0; i < count; ++i) {
    const float r = top + kListHeading + kHistoryRowHeight * float(i);
    if (r + kHistoryRowHeight <= page.top) continue;
    if (r >= page.bottom) break;
    paintRow(canvas, icons, state, history->entries()[i], int32_t(i), L, R, r, regions);
  }
  return bottom;
}

void paintNoteCard(Canvas& canvas, float L, float R, float top) {
  drawCard(canvas, {L, top, R, top + kNoteHeight}, L"");
  canvas.drawText(translate("history.note"), TextStyle::Body, {L + 22, top + 18, R - 22, top + 64},
                  palette::textSecondary, TextAlign::Leading);
  const std::wstring file = fitText(canvas, History::filePath(), TextStyle::Caption, R - L - 48);
  canvas.drawText(file, TextStyle::Caption, {L + 24, top + 70, R - 24, top + 92}, palette::textSecondary,
                  TextAlign::Leading);
}

}  // namespace

double historyRatioPercent(const HistoryEntry& entry) {
  if (entry.inputSize == 0) return 0;
  return shownFigure(100.0 * double(entry.archiveSize) / double(entry.inputSize));
}

double historySpeed(const HistoryEntry& entry) {
  if (!(entry.seconds > 0)) return 0;
  return shownFigure(double(entry.inputSize) / 1048576.0 / entry.seconds);
}

std::wstring historyEntryName(const std::wstring& path) {
  std::wstring parent, name;
  splitPath(path, parent, name);
  return name.empty() ? path : name;
}

HistoryTotals historyTotals(const History& history) {
  HistoryTotals totals;
  for (const HistoryEntry& entry : history.entries()) {
    ++totals.archives;
    totals.inputBytes = saturatingAdd(totals.inputBytes, entry.inputSize);
    totals.writtenBytes = saturatingAdd(totals.writtenBytes, entry.archiveSize);
  }
  totals.savedBytes = history.bytesSaved();
  return totals;
}

float paintHistoryPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions) {
  const PageColumn column = pageColumn(page, state.scrollOffset, kHistoryMinimumWidth);
  const float L = column.left, R = column.right;
  const float y0 = paintPageHeading(canvas, L, R, column.top, "history.title", "history.subtitle");

  const History* history = state.historyView;
  const float totalsTop = y0 + 94;
  paintTotalsCard(canvas, icons, state, history, L, R, totalsTop, regions);
  const float listBottom =
      paintListCard(canvas, icons, state, history, L, R, totalsTop + kTotalsHeight + 18, page, regions);
  const float noteTop = listBottom + 18;
  paintNoteCard(canvas, L, R, noteTop);
  return noteTop + kNoteHeight + 24 - (page.top - state.scrollOffset);
}

}  // namespace tolzeb::ui
