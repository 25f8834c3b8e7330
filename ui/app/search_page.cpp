#include "ui/app/search_page.h"

#include <algorithm>
#include <string>

#include "engine/core/fs.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using i18n::formatInteger;
using i18n::translate;
using i18n::translateWithArgs;

constexpr uint16_t kNameHitRow = 10;
constexpr uint16_t kEntryHitRow = 11;
constexpr float kHitRowHeight = 56;
constexpr float kBottomMargin = 24;
// Two spaces either side of a middle dot, and of a single right-pointing angle quotation mark.
constexpr const wchar_t* kPathStepSeparator = L"  \u203A  ";

struct SearchPainter {
  Canvas& canvas;
  const IconSet& icons;
  const PageState& state;
  Rect page;
  HitRegions& regions;
  float left;
  float right;

  // Rows outside the page area are neither drawn nor clickable.
  bool visible(float y) const { return y + kHitRowHeight > page.top && y < page.bottom; }

  // The hover fill of a row; returns the row's box.
  Rect rowBox(float y, uint16_t command, int32_t index) const {
    const Rect box{left + 10, y + 2, right - 10, y + 54};
    if (state.hoverId == command && state.hoverIndex == index) canvas.fillRoundedRect(box, 6, palette::hoverOverlay);
    return box;
  }

  void message(const char* key, float top, float bottom) const {
    drawCentredText(canvas, translate(key), TextStyle::Body, {left + 22, top, right - 22, bottom},
                    palette::textSecondary, TextAlign::Centre);
  }
};

std::wstring lastPathPart(const std::wstring& entryName) {
  const size_t slash = entryName.rfind(L'/');
  if (slash == std::wstring::npos || slash + 1 == entryName.size()) return entryName;
  return entryName.substr(slash + 1);
}

void paintNameHit(const SearchPainter& p, const SearchHit& hit, int32_t index, float y) {
  const Rect box = p.rowBox(y, kNameHitRow, index);
  const float x = box.left, x2 = box.right;
  if (!p.canvas.drawProgramIcon({x + 12, y + 10, x + 46, y + 46})) {
    p.canvas.drawIcon(p.icons, Icon::Document, {x + 12, y, x + 46, y + 56}, palette::brandRed, 20);
  }
  p.canvas.drawText(fileNameOf(hit.archivePath), TextStyle::BodyStrong, {x + 56, y + 8, x2 - 22, y + 32},
                    palette::textPrimary, TextAlign::Leading);
  const float width = std::max(0.0f, x2 - 22 - (x + 56));
  p.canvas.drawText(fitText(p.canvas, hit.archivePath, TextStyle::Caption, width), TextStyle::Caption,
                    {x + 56, y + 30, x2 - 22, y + 50}, palette::textSecondary, TextAlign::Leading);
  addHitRegion(p.regions, box, kNameHitRow, index, true);
}

void paintEntryHit(const SearchPainter& p, const SearchHit& hit, int32_t index, float y) {
  const Rect box = p.rowBox(y, kEntryHitRow, index);
  const float x = box.left, x2 = box.right;
  const Rect iconBox{x + 12, y, x + 46, y + 56};
  if (hit.isFolder) {
    p.canvas.drawIcon(p.icons, Icon::Folder, iconBox, palette::textSecondary, 19);
  } else {
    p.canvas.drawIcon(p.icons, Icon::Document, iconBox, palette::brandRed, 19);
  }
  p.canvas.drawText(lastPathPart(hit.entryName), TextStyle::BodyStrong, {x + 56, y + 8, x2 - 140, y + 32},
                    palette::textPrimary, TextAlign::Leading);
  const std::wstring where = fileNameOf(hit.archivePath) + kPathStepSeparator + hit.entryName;
  const float width = std::max(0.0f, x2 - 140 - (x + 56));
  p.canvas.drawText(fitText(p.canvas, where, TextStyle::Caption, width), TextStyle::Caption,
                    {x + 56, y + 30, x2 - 140, y + 50}, palette::textSecondary, TextAlign::Leading);
  if (!hit.isFolder) {
    p.canvas.drawText(formatBytes(hit.size), TextStyle::Body, {x2 - 130, y + 16, x2 - 22, y + 40},
                      palette::textSecondary, TextAlign::Trailing);
  }
  addHitRegion(p.regions, box, kEntryHitRow, index, true);
}

// Returns the card's bottom.
float paintArchivesCard(const SearchPainter& p, float top) {
  const std::vector<SearchHit>& hits = p.state.searchNameHits;
  const size_t rows = std::max<size_t>(hits.size(), 1);
  const float bottom = top + 58 + kHitRowHeight * float(rows) + 14;
  drawCard(p.canvas, {p.left, top, p.right, bottom}, translate("search.archives_panel"));
  p.canvas.drawText(translateWithArgs("search.matching", {{"count", formatInteger(int64_t(hits.size()))}}),
                    TextStyle::Caption, {p.right - 220, top + 22, p.right - 22, top + 44}, palette::textSecondary,
                    TextAlign::Trailing);
  if (hits.empty()) {
    p.message("search.no_name_match", top + 58, top + 114);
    return bottom;
  }
  for (size_t i = 0; i < hits.size(); ++i) {
    const float y = top + 58 + kHitRowHeight * float(i);
    if (p.visible(y)) paintNameHit(p, hits[i], int32_t(i), y);
  }
  return bottom;
}

std::wstring statusLine(const ArchiveSearch::Snapshot& snapshot, bool current) {
  if (!current) return translate("search.press_enter");
  if (snapshot.running) {
    return translateWithArgs("search.reading", {{"done", formatInteger(int64_t(snapshot.archivesSearched + 1))},
                                                {"total", formatInteger(int64_t(snapshot.archivesTotal))}});
  }
  std::wstring line =
      translateWithArgs("search.matches", {{"matches", formatInteger(int64_t(snapshot.hits.size()))},
                                           {"archives", formatInteger(int64_t(snapshot.archivesSearched))}});
  if (snapshot.archivesMissing > 0) {
    line += i18n::kFactSeparator;
    line += translateWithArgs("search.missing_suffix", {{"count", formatInteger(int64_t(snapshot.archivesMissing))}});
  }
  if (snapshot.archivesUnreadable > 0) {
    line += i18n::kFactSeparator;
    line +=
        translateWithArgs("search.unreadable_suffix", {{"count", formatInteger(int64_t(snapshot.archivesUnreadable))}});
  }
  if (snapshot.truncated) {
    line += i18n::kFactSeparator;
    line += translate("search.truncated_suffix");
  }
  return line;
}

float paintFilesCard(const SearchPainter& p, float top) {
  const ArchiveSearch::Snapshot& snapshot = p.state.searchSnapshot;
  const bool current = p.state.searchedQuery == p.state.searchQuery.text;
  const bool showHits = current && !snapshot.hits.empty();
  const size_t rows = showHits ? snapshot.hits.size() : 1;
  const float bottom = top + 80 + 36 + kHitRowHeight * float(rows);
  drawCard(p.canvas, {p.left, top, p.right, bottom}, translate("search.files_panel"));
  p.canvas.drawText(statusLine(snapshot, current), TextStyle::Caption, {p.left + 22, top + 50, p.right - 22, top + 74},
                    palette::textSecondary, TextAlign::Leading);
  if (showHits) {
    for (size_t i = 0; i < snapshot.hits.size(); ++i) {
      const float y = top + 80 + kHitRowHeight * float(i);
      if (p.visible(y)) paintEntryHit(p, snapshot.hits[i], int32_t(i), y);
    }
  } else if (current) {
    p.message(snapshot.running ? "search.searching" : "search.no_content_match", top + 80, top + 136);
  } else {
    p.message("search.not_searched", top + 80, top + 136);
  }
  return bottom;
}

}  // namespace

std::wstring fileNameOf(const std::wstring& path) {
  std::wstring parent, name;
  splitPath(path, parent, name);
  return name.empty() ? path : name;
}

float paintSearchPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions) {
  const float left = page.left + 28;
  const float right = std::max(page.right - 28, left + 420);
  const float top =
      paintPageHeading(canvas, left, right, page.top + 24 - state.scrollOffset, "search.title", "search.subtitle");

  const SearchPainter painter{canvas, icons, state, page, regions, left, right};
  const float cardsTop = top + 94;
  float bottom = 0;
  if (state.searchQuery.text.empty()) {
    bottom = cardsTop + 120;
    drawCard(canvas, {left, cardsTop, right, bottom}, translate("search.empty_panel"));
    drawCentredText(canvas, translate("search.empty_body"), TextStyle::Body,
                    {left + 22, cardsTop + 54, right - 22, bottom - 16}, palette::textSecondary, TextAlign::Centre);
  } else {
    const float archivesBottom = paintArchivesCard(painter, cardsTop);
    bottom = paintFilesCard(painter, archivesBottom + kCardGap);
  }
  return bottom + kBottomMargin - top + 24;
}

}  // namespace tolzeb::ui
