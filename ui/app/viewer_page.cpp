// The archive viewer page: the archive card, the password card of a locked archive, the entry list
// with its filter and sort headers, and the extract actions. Every row is laid out so the page
// scrolls as a whole, but only rows meeting the visible content are drawn and hit-tested, so a
// long listing costs what the screen shows.
#include "ui/app/viewer_page.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "formats/archive_kind.h"
#include "ui/app/app_window.h"
#include "ui/app/page_painters.h"
#include "ui/app/viewer_rows.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using i18n::translate;
using i18n::translateWithArgs;

constexpr float kViewerMinimumWidth = 420;

struct Column {
  float left = 0;
  float right = 0;
};

std::wstring summaryText(const PageState& s) {
  const ArchiveKind kind = ArchiveKind(s.viewerKind);
  const std::wstring format =
      kind == ArchiveKind::zeb ? translate("viewer.zeb_archive") : std::wstring(archiveKindName(kind));
  const double ratio = s.viewerTotalSize == 0 ? 0.0 : 100.0 * double(s.viewerArchiveSize) / double(s.viewerTotalSize);
  return translateWithArgs("viewer.summary",
                           {{"format", format},
                            {"entries", i18n::translatePlural("count.entries", int64_t(s.viewerEntries.size()))},
                            {"onDisk", formatBytes(s.viewerArchiveSize)},
                            {"unpacked", formatBytes(s.viewerTotalSize)},
                            {"ratio", translateWithArgs("unit.percent", {{"count", i18n::formatDecimal(ratio, 1)}})}});
}

// Returns the card's bottom.
float paintArchiveCard(Canvas& canvas, const IconSet& icons, const PageState& s, const Interaction& in,
                       HitRegions& regions, Column c, float a) {
  const float L = c.left, R = c.right;
  drawCard(canvas, {L, a, R, a + 150}, translate("viewer.archive_panel"));
  drawPathBox(canvas, {L + 22, a + 56, R - 172, a + 98}, s.viewerArchive, translate("viewer.no_archive"));
  drawButton(canvas, icons, in, regions, {R - 160, a + 56, R - 22, a + 98}, translate("viewer.choose"), 52,
             ButtonStyle::Secondary, Icon::None, true);
  const float u = a + 110;
  const Rect mark{L + 22, u, L + 44, u + 22};
  const Rect marked{L + 50, u, R - 22, u + 26};
  const Rect line{L + 22, u, R - 22, u + 26};
  if (!s.viewerMessage.empty()) {
    canvas.drawIcon(icons, Icon::Close, mark, palette::brandRed, 16);
    canvas.drawText(s.viewerMessage, TextStyle::Body, marked, palette::brandRed, TextAlign::Leading);
  } else if (s.viewerLocked && !s.viewerListed) {
    canvas.drawIcon(icons, Icon::Lock, mark, palette::brandRed, 16);
    canvas.drawText(translate("viewer.locked"), TextStyle::Body, marked, palette::textPrimary, TextAlign::Leading);
  } else if (s.viewerListed) {
    canvas.drawText(summaryText(s), TextStyle::Body, line, palette::textSecondary, TextAlign::Leading);
  } else {
    canvas.drawText(translate("viewer.pick_one"), TextStyle::Body, line, palette::textSecondary, TextAlign::Leading);
  }
  return a + 150;
}

float paintPasswordCard(Canvas& canvas, const IconSet& icons, const PageState& s, const Interaction& in,
                        HitRegions& regions, Column c, float p) {
  const float L = c.left, R = c.right, J = std::min(R - L - 220, 420.0f);
  drawCard(canvas, {L, p, R, p + 132}, translate("viewer.password_panel"));
  drawTextField(canvas, in, regions, {L + 22, p + 56, L + 22 + J, p + 98}, s.viewerPassword,
                command_ids::kViewerPassword, translate("viewer.password_placeholder"));
  drawButton(canvas, icons, in, regions, {L + 34 + J, p + 56, L + 174 + J, p + 98}, translate("viewer.unlock"),
             command_ids::kUnlockViewer, ButtonStyle::Primary, Icon::None, !s.viewerPassword.text.empty());
  if (!s.viewerMessage.empty())
    canvas.drawText(s.viewerMessage, TextStyle::Caption, {L + 22, p + 104, R - 22, p + 122}, palette::brandRed,
                    TextAlign::Leading);
  return p + 132;
}

void paintFilterRow(Canvas& canvas, const IconSet& icons, const PageState& s, const Interaction& in,
                    HitRegions& regions, Column c, float e) {
  const float L = c.left, R = c.right, B = L + 18;
  const float w = std::max(170.0f, std::min(R - 22 - B - 250, 392.0f));
  const bool filtered = !s.viewerFilter.text.empty();
  canvas.drawIcon(icons, Icon::Search, {L + 22, e + 60, L + 50, e + 98}, palette::textSecondary, 17);
  drawTextField(canvas, in, regions, {B + 36, e + 60, B + w - (filtered ? 34 : 0), e + 98}, s.viewerFilter,
                command_ids::kViewerFilter, translate("viewer.filter_placeholder"));
  if (filtered) {
    const Rect clear{B + w - 34, e + 66, B + w - 6, e + 92};
    const bool hovered = s.hoverId == command_ids::kClearViewerFilter;
    if (hovered) canvas.fillRoundedRect(clear, 6, palette::hoverOverlay);
    canvas.drawIcon(icons, Icon::Close, clear, hovered ? palette::brandRed : palette::textSecondary, 14);
    addHitRegion(regions, clear, command_ids::kClearViewerFilter, -1, false);
  }
  const std::wstring count =
      translateWithArgs("viewer.filtered_count", {{"shown", i18n::formatInteger(int64_t(s.viewerRows.size()))},
                                                  {"total", i18n::formatInteger(int64_t(s.viewerEntries.size()))}});
  drawCentredText(canvas, count, TextStyle::Caption, {B + w + 16, e + 60, R - 22, e + 98},
                  s.viewerRows.empty() ? palette::brandRed : palette::textSecondary, TextAlign::Leading);
}

void paintRow(Canvas& canvas, const IconSet& icons, const PageState& s, const Interaction& in, HitRegions& regions,
              Column c, Rect row, int32_t entry) {
  const float L = c.left, R = c.right;
  const ListedEntry& item = s.viewerEntries[size_t(entry)];
  const bool ticked = size_t(entry) < s.viewerTicked.size() && s.viewerTicked[size_t(entry)] != 0;
  const bool hovered = s.hoverId == 56 && s.hoverIndex == entry;
  if (ticked)
    canvas.fillRoundedRect(row, 5, palette::brandTint);
  else if (hovered)
    canvas.fillRoundedRect(row, 5, palette::hoverOverlay);
  drawTickBox(canvas, in, {L + 18, row.top, L + 36, row.bottom}, 56, entry, ticked);
  canvas.drawIcon(icons, item.isDirectory ? Icon::Folder : Icon::Document, {L + 46, row.top, L + 68, row.bottom},
                  item.isDirectory ? palette::textSecondary : palette::brandRed, 15);
  const Rect name{L + 76, row.top, R - 332, row.bottom};
  drawCentredText(canvas, fitText(canvas, item.path, TextStyle::Body, name.right - name.left), TextStyle::Body, name,
                  palette::textPrimary, TextAlign::Leading);
  drawCentredText(canvas, item.isDirectory ? translate("common.none_dash") : formatBytes(item.size), TextStyle::Body,
                  {R - 316, row.top, R - 206, row.bottom}, palette::textSecondary, TextAlign::Trailing);
  drawCentredText(canvas, formatTimestamp(item.modified), TextStyle::Body, {R - 190, row.top, R - 18, row.bottom},
                  palette::textSecondary, TextAlign::Leading);
  if (s.showFocus && s.focusId == 56 && s.hoverIndex == entry) drawFocusRing(canvas, row, 5);
  addHitRegion(regions, row, 56, entry, true);
}

// Returns the card's bottom.
float paintEntriesCard(Canvas& canvas, const IconSet& icons, const PageState& s, const Interaction& in,
                       HitRegions& regions, Column c, float e, Rect visible) {
  const float L = c.left, R = c.right;
  const bool populated = s.viewerListed && !s.viewerEntries.empty();
  const float F = populated ? 50 : 0;
  const size_t rows = s.viewerRows.size();
  const float H = rows == 0 ? 54 : kViewerRowHeight * float(rows);
  const float bottom = e + 58 + F + 34 + H + 14;
  drawCard(canvas, {L, e, R, bottom}, translate("viewer.entries_panel"));
  if (populated) {
    const char* paneKey = s.previewPaneShown ? "viewer.hide_preview" : "viewer.show_preview";
    drawButton(canvas, icons, in, regions, {R - 396, e + 14, R - 252, e + 46}, translate(paneKey),
               command_ids::kTogglePreviewPane, ButtonStyle::Secondary, Icon::None, true);
    drawButton(canvas, icons, in, regions, {R - 244, e + 14, R - 126, e + 46}, translate("viewer.select_all"), 57,
               ButtonStyle::Secondary, Icon::None, true);
    drawButton(canvas, icons, in, regions, {R - 118, e + 14, R - 22, e + 46}, translate("viewer.clear_selection"), 58,
               ButtonStyle::Secondary, Icon::None, true);
    paintFilterRow(canvas, icons, s, in, regions, c, e);
  }
  const float bandTop = e + 58 + F, h = e + 92 + F;
  canvas.fillRect({L + 14, h - 1, R - 14, h}, palette::divider);
  if (populated) {
    const bool up = s.viewerSortAscending;
    drawColumnHeader(canvas, s, regions, {L + 76, bandTop, R - 332, h}, translate("viewer.column_name"), 53,
                     s.viewerSortColumn == 0, up, TextAlign::Leading);
    drawColumnHeader(canvas, s, regions, {R - 316, bandTop, R - 206, h}, translate("viewer.column_size"), 54,
                     s.viewerSortColumn == 1, up, TextAlign::Trailing);
    drawColumnHeader(canvas, s, regions, {R - 190, bandTop, R - 18, h}, translate("viewer.column_modified"), 55,
                     s.viewerSortColumn == 2, up, TextAlign::Leading);
  }
  if (rows == 0) {
    const char* key = populated        ? "viewer.empty_filtered"
                      : s.viewerListed ? "viewer.empty_archive"
                                       : "viewer.empty_no_archive";
    drawCentredText(canvas, translate(key), TextStyle::Body, {L + 22, h, R - 22, h + 54}, palette::textSecondary,
                    TextAlign::Centre);
    return bottom;
  }
  // The rows meeting the visible content, found by arithmetic rather than by walking the list.
  const float firstVisible = std::floor((visible.top - h) / kViewerRowHeight);
  const size_t first = size_t(std::clamp(firstVisible, 0.0f, float(rows)));
  for (size_t k = first; k < rows; ++k) {
    const float top = h + kViewerRowHeight * float(k);
    if (top >= visible.bottom) break;
    if (top + kViewerRowHeight <= visible.top) continue;
    const int32_t entry = s.viewerRows[k];
    if (entry < 0 || size_t(entry) >= s.viewerEntries.size()) continue;
    paintRow(canvas, icons, s, in, regions, c, {L + 10, top, R - 10, top + kViewerRowHeight}, entry);
  }
  return bottom;
}

void paintActionRow(Canvas& canvas, const IconSet& icons, const PageState& s, const Interaction& in,
                    HitRegions& regions, Column c, float y) {
  const float L = c.left, R = c.right;
  const size_t T = tickedEntryCount(s);
  const bool populated = s.viewerListed && !s.viewerEntries.empty();
  const std::wstring extractLabel =
      T != 0 ? translateWithArgs("viewer.extract_selected_count", {{"count", i18n::formatInteger(int64_t(T))}})
             : translate("viewer.extract_selected");
  drawButton(canvas, icons, in, regions, {L, y, L + 226, y + 48}, extractLabel, 59, ButtonStyle::Primary, Icon::Extract,
             T != 0);
  drawButton(canvas, icons, in, regions, {L + 238, y, L + 388, y + 48}, translate("viewer.extract_all"), 60,
             ButtonStyle::Secondary, Icon::Extract, populated);
  drawButton(canvas, icons, in, regions, {L + 400, y, L + 550, y + 48}, translate("viewer.verify"), 61,
             ButtonStyle::Secondary, Icon::None, s.viewerListed);
  std::wstring note;
  if (T != 0) {
    size_t visibleTicked = 0;
    for (int32_t entry : s.viewerRows)
      if (size_t(entry) < s.viewerTicked.size() && s.viewerTicked[size_t(entry)]) ++visibleTicked;
    const std::wstring size = formatBytes(tickedFileBytes(s));
    note = visibleTicked < T
               ? translateWithArgs("viewer.will_write_hidden",
                                   {{"size", size}, {"hidden", i18n::formatInteger(int64_t(T - visibleTicked))}})
               : translateWithArgs("viewer.will_write", {{"size", size}});
  } else if (s.viewerListed) {
    note = translate("viewer.tick_hint");
  }
  if (!note.empty())
    canvas.drawText(note, TextStyle::Body, {L + 566, y + 12, std::max(R, L + 566), y + 40}, palette::textSecondary,
                    TextAlign::Leading);
}

}  // namespace

void drawColumnHeader(Canvas& canvas, const PageState& state, HitRegions& regions, Rect rect, std::wstring_view label,
                      uint16_t command, bool active, bool ascending, TextAlign align) {
  if (state.hoverId == command) canvas.fillRoundedRect(rect, 5, palette::hoverOverlay);
  const bool trailing = align == TextAlign::Trailing;
  const Rect labelBox{rect.left, rect.top, trailing ? rect.right - 14 : rect.right, rect.bottom};
  const Color color = active ? palette::brandRed : palette::textSecondary;
  drawCentredText(canvas, label, TextStyle::Caption, labelBox, color, align);
  if (active) {
    const float labelWidth = canvas.measureText(label, TextStyle::Caption, labelBox.right - labelBox.left).width;
    const float cx = trailing ? rect.right - 7 : rect.left + labelWidth + 10;
    const float cy = (rect.top + rect.bottom) / 2;
    // Two strokes meeting at the tip: up when ascending, down when descending.
    const float tip = ascending ? cy - 3 : cy + 3, ends = ascending ? cy + 3 : cy - 3;
    canvas.drawLine({cx - 4, ends}, {cx, tip}, palette::brandRed, 1.6f);
    canvas.drawLine({cx, tip}, {cx + 4, ends}, palette::brandRed, 1.6f);
  }
  if (state.showFocus && state.focusId == command) drawFocusRing(canvas, rect, 5);
  addHitRegion(regions, rect, command, -1, true);
}

float paintViewerPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions) {
  const PageState& s = state;
  const Interaction in = s.interaction();
  const PageColumn pc = pageColumn(page, s.scrollOffset, kViewerMinimumWidth);
  const Column c{pc.left, pc.right};
  const float y0 = paintPageHeading(canvas, c.left, c.right, pc.top, "viewer.title", "viewer.subtitle");
  float next = paintArchiveCard(canvas, icons, s, in, regions, c, y0 + 94) + kCardGap;
  if (s.viewerLocked && !s.viewerListed) next = paintPasswordCard(canvas, icons, s, in, regions, c, next) + kCardGap;
  const float entriesBottom = paintEntriesCard(canvas, icons, s, in, regions, c, next, page);
  const float y = entriesBottom + 20;
  paintActionRow(canvas, icons, s, in, regions, c, y);
  return (y + 72) - (page.top - s.scrollOffset);
}

}  // namespace tolzeb::ui
