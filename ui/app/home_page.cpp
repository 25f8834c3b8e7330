// The home page. Its six blocks have fixed places in the column; the last row splits between the
// recent archives on the left and the two small cards on the right.
#include "ui/app/home_page.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "ui/app/history_page.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/civil_time.h"
#include "ui/foundation/format.h"
#include "ui/foundation/history.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using i18n::Arg;
using i18n::translate;

constexpr float kHomeMinimumWidth = 200;
// A measuring width no line of this page reaches. Kept modest: the text layout's cost grows
// with the width it is given.
constexpr float kUnlimited = 4096;
constexpr float kRecentRowHeight = 76;
constexpr Color kPressedOverlay = rgb(0, 0, 0, 0.08f);

constexpr uint16_t kViewAll = 22;
constexpr uint16_t kRecentRow = 23;

struct HomeCard {
  uint16_t id;
  Icon icon;
  const char* titleKey;
  const char* bodyKey;
};
constexpr std::array<HomeCard, 4> kCards = {{
    {18, Icon::Archive, "home.card_compress", "home.card_compress_body"},
    {19, Icon::Extract, "home.card_extract", "home.card_extract_body"},
    {20, Icon::Lock, "home.card_secure", "home.card_secure_body"},
    {21, Icon::Sliders, "home.card_mode", "home.card_mode_body"},
}};

Color white(float alpha) { return rgb(255, 255, 255, alpha); }

// A white panel of radius 12 with a grey outline and its heading.
void panel(Canvas& canvas, Rect rect, const char* titleKey, Rect titleRect) {
  canvas.fillRoundedRect(rect, 12, palette::white);
  canvas.drawRoundedRect(rect, 12, palette::divider, 1);
  canvas.drawText(translate(titleKey), TextStyle::SectionTitle, titleRect, palette::textPrimary, TextAlign::Leading);
}

int localHourNow() {
  const auto local = i18n::platform::utcToLocal(i18n::civilFromFileTime(i18n::platform::currentFileTime()));
  return local ? local->hour : 0;
}

const std::vector<HistoryEntry>& historyEntries(const PageState& state) {
  static const std::vector<HistoryEntry> kNone;
  return state.historyView ? state.historyView->entries() : kNone;
}

void paintCard(Canvas& canvas, const IconSet& icons, const PageState& state, const HomeCard& card, Rect rect,
               HitRegions& regions) {
  const bool hovered = state.hoverId == card.id;
  canvas.fillRoundedRect(rect, 12, palette::white);
  if (state.pressedId == card.id) {
    canvas.fillRoundedRect(rect, 12, kPressedOverlay);
  } else if (hovered) {
    canvas.fillRoundedRect(rect, 12, palette::hoverOverlay);
  }
  canvas.drawRoundedRect(rect, 12, hovered ? palette::brandRed : palette::divider, hovered ? 1.4f : 1);

  const float centre = (rect.left + rect.right) / 2;
  const Rect tile{centre - 32, rect.top + 26, centre + 32, rect.top + 90};
  canvas.fillRoundedRect(tile, 14, palette::brandTint);
  canvas.drawIcon(icons, card.icon, tile, palette::brandRed, 32);

  const std::wstring title = translate(card.titleKey);
  const float titleWidth = rect.width() - 24;
  const float titleBottom = rect.top + 110 + canvas.measureText(title, TextStyle::CardTitle, titleWidth).height + 2;
  canvas.drawText(title, TextStyle::CardTitle, {rect.left + 12, rect.top + 110, rect.right - 12, titleBottom},
                  palette::textPrimary, TextAlign::Centre);

  const float bodyTop = titleBottom + 8, bodyLimit = rect.bottom - 34;
  if (bodyLimit - bodyTop > 12) {
    const std::wstring body = translate(card.bodyKey);
    const float bodyWidth = rect.width() - 36;
    const float bodyHeight = canvas.measureText(body, TextStyle::Body, bodyWidth).height;
    canvas.pushClip({rect.left + 6, bodyTop, rect.right - 6, bodyLimit});
    canvas.drawText(body, TextStyle::Body, {rect.left + 18, bodyTop, rect.right - 18, bodyTop + bodyHeight},
                    palette::textSecondary, TextAlign::Centre);
    canvas.popClip();
  }
  canvas.drawIcon(icons, Icon::ChevronRight, {centre - 10, rect.bottom - 28, centre + 10, rect.bottom - 10},
                  palette::brandRed, 18);
  if (state.showFocus && state.focusId == card.id) drawFocusRing(canvas, rect, 12);
  addHitRegion(regions, rect, card.id, -1, true);
}

void paintViewAllLink(Canvas& canvas, const IconSet& icons, const PageState& state, Rect K, HitRegions& regions) {
  const std::wstring label = translate("action.view_all");
  const float start = K.right - 46 - canvas.measureText(label, TextStyle::BodyStrong, kUnlimited).width;
  canvas.drawText(label, TextStyle::BodyStrong, {start, K.top + 20, K.right - 46, K.top + 46}, palette::brandRed,
                  TextAlign::Leading);
  canvas.drawIcon(icons, Icon::ChevronRight, {K.right - 42, K.top + 18, K.right - 24, K.top + 46}, palette::brandRed,
                  14);
  const Rect link{start, K.top + 18, K.right - 24, K.top + 46};
  if (state.showFocus && state.focusId == kViewAll) drawFocusRing(canvas, link, 6);
  addHitRegion(regions, link, kViewAll, -1, true);
}

// The text on one line, cut at the column's end: laid out far wider than the column so that it
// does not wrap, and clipped to the column.
void oneLine(Canvas& canvas, const std::wstring& text, TextStyle style, Rect column, Color color) {
  canvas.pushClip(column);
  canvas.drawText(text, style, {column.left, column.top, column.left + kUnlimited, column.bottom}, color,
                  TextAlign::Leading);
  canvas.popClip();
}

void paintRecentRow(Canvas& canvas, const IconSet& icons, const PageState& state, const HistoryEntry& entry,
                    int32_t index, Rect row, HitRegions& regions) {
  const float y = row.top;
  if (state.hoverId == kRecentRow && state.hoverIndex == index) {
    canvas.fillRoundedRect(row, 8, palette::hoverOverlay);
  }
  const Rect thumbnail{row.left + 12, y + 16, row.left + 56, y + 60};
  if (!canvas.drawProgramIcon(thumbnail)) {
    canvas.fillRoundedRect(thumbnail, 8, palette::brandRed);
    canvas.drawIcon(icons, Icon::Document, thumbnail, palette::white, 24);
  }
  const float textLeft = row.left + 70, textRight = row.right - 190;
  if (textRight > textLeft) {
    oneLine(canvas, historyEntryName(entry.path), TextStyle::BodyStrong, {textLeft, y + 16, textRight, y + 38},
            entry.missing ? palette::textSecondary : palette::textPrimary);
    // A line too long for the row is shortened in the middle, so its end still shows.
    const std::wstring detail = entry.missing ? translate("history.missing") : entry.path;
    oneLine(canvas, fitText(canvas, detail, TextStyle::Caption, textRight - textLeft), TextStyle::Caption,
            {textLeft, y + 40, textRight, y + 60}, entry.missing ? palette::brandRed : palette::textSecondary);
  }
  canvas.drawText(formatBytes(entry.archiveSize), TextStyle::BodyStrong, {row.right - 182, y + 16, row.right - 12, y + 38},
                  palette::textPrimary, TextAlign::Trailing);
  canvas.drawText(formatTimestamp(entry.timestamp), TextStyle::Caption, {row.right - 182, y + 40, row.right - 12, y + 60},
                  palette::textSecondary, TextAlign::Trailing);
  // Not a focus stop: the focus walk knows commands, not rows; "view all" leads to the same archives.
  addHitRegion(regions, row, kRecentRow, index, false);
}

struct Stat {
  Icon icon;
  std::wstring value;
  std::wstring label;
};

std::array<Stat, 3> summaryStats(const PageState& state) {
  const History* history = state.historyView;
  double speed = 0;
  uint64_t when = 0;
  const bool hasSpeed = history && history->latestThroughput(speed, when);
  const size_t count = historyEntries(state).size();
  Stat throughput{Icon::Gauge, translate("common.none_dash"), translate("home.throughput")};
  if (hasSpeed) {
    const double shown = std::clamp(speed, 0.0, kMaxShownFigure);
    throughput.value = i18n::translateWithArgs("unit.mb_per_second", {Arg("count", i18n::formatDecimal(shown, 0))});
    throughput.label = translate("home.last_run");
  }
  return {{throughput,
           {Icon::Leaf, formatBytes(history ? history->bytesSaved() : 0), translate("home.saved_space")},
           {Icon::Archive, i18n::formatInteger(int64_t(count)),
            translate(count == 1 ? "home.archive" : "home.total_archives")}}};
}

// `trackLeft` is where the labels end: 86 DIPs after the card's margin, more for a longer label.
void paintLoadBar(Canvas& canvas, const char* labelKey, double percent, bool valid, Rect G, float l, float trackLeft) {
  canvas.drawText(translate(labelKey), TextStyle::BodyStrong, {G.left + 22, l - 2, trackLeft, l + 22},
                  palette::textPrimary, TextAlign::Leading);
  const Rect track{trackLeft, l + 4, G.right - 78, l + 16};
  canvas.fillRoundedRect(track, 6, palette::track);
  const Rect figure{G.right - 70, l - 2, G.right - 22, l + 22};
  if (!valid) {
    canvas.drawText(translate("common.none_dash"), TextStyle::BodyStrong, figure, palette::textSecondary,
                    TextAlign::Trailing);
    return;
  }
  const double p = percent > 0 ? std::min(percent, 100.0) : 0;  // also not-a-number
  const float filled = float(double(track.width()) * p / 100);
  if (filled > 2) canvas.fillRoundedRect({track.left, track.top, track.left + filled, track.bottom}, 6, palette::brandRed);
  canvas.drawText(i18n::translateWithArgs("unit.percent", {Arg("count", i18n::formatDecimal(p, 0))}),
                  TextStyle::BodyStrong, figure, palette::textPrimary, TextAlign::Trailing);
}

}  // namespace

HomeBlocks homeBlocks(Rect page, float scrollOffset) {
  const PageColumn column = pageColumn(page, scrollOffset, kHomeMinimumWidth);
  const float L = column.left, R = column.right, y0 = column.top;
  const float g = y0 + 523;
  const float M = R - std::min(0.42f * (R - L), 560.0f);
  HomeBlocks blocks;
  blocks.greeting = {L, y0, R, y0 + 118};
  blocks.banner = {L, y0 + 132, R, y0 + 245};
  blocks.cards = {L, y0 + 267, R, y0 + 499};
  blocks.recent = {L, g, M - 22, g + 300};
  blocks.summary = {M, g, R, g + 166};
  blocks.monitor = {M, g + 178, R, g + 300};
  return blocks;
}

const char* homeGreetingKey(int localHour) {
  if (localHour < 12) return "home.greeting_morning";
  if (localHour < 18) return "home.greeting_afternoon";
  return "home.greeting_evening";
}

void paintHomeGreeting(Canvas& canvas, Rect block, int localHour) {
  const float L = block.left, R = block.right;
  const std::wstring greeting = translate(homeGreetingKey(localHour));
  const float greetingBottom = block.top + canvas.measureText(greeting, TextStyle::Body, kUnlimited).height + 2;
  canvas.drawText(greeting, TextStyle::Body, {L, block.top, R, greetingBottom}, palette::textPrimary,
                  TextAlign::Leading);

  // The welcome text carries its own trailing space before the program's name.
  const std::wstring welcome = translate("home.welcome");
  const std::wstring name = translate("app.name");
  const Size welcomeSize = canvas.measureText(welcome, TextStyle::PageTitle, kUnlimited);
  const Size nameSize = canvas.measureText(name, TextStyle::PageTitle, kUnlimited);
  const float titleTop = greetingBottom + 6;
  const float titleBottom = titleTop + std::max(welcomeSize.height, nameSize.height) + 4;
  const float nameLeft = L + welcomeSize.width;
  canvas.drawText(welcome, TextStyle::PageTitle, {L, titleTop, std::max(R, nameLeft), titleBottom},
                  palette::textPrimary, TextAlign::Leading);
  canvas.drawText(name, TextStyle::PageTitle, {nameLeft, titleTop, std::max(R, nameLeft + nameSize.width), titleBottom},
                  palette::brandRed, TextAlign::Leading);

  const std::wstring subtitle = translate("home.subtitle");
  const float subtitleHeight = canvas.measureText(subtitle, TextStyle::Subtitle, kUnlimited).height;
  canvas.drawText(subtitle, TextStyle::Subtitle, {L, titleBottom, R, titleBottom + subtitleHeight},
                  palette::textSecondary, TextAlign::Leading);
}

void paintHomeBanner(Canvas& canvas, const IconSet& icons, Rect B) {
  const float c = B.centreY();
  canvas.fillRoundedRect(B, 12, palette::brandRed);
  if (!canvas.drawProgramIcon({B.left + 32, c - 28, B.left + 88, c + 28})) {
    canvas.drawIcon(icons, Icon::Archive, {B.left + 36, c - 24, B.left + 84, c + 24}, palette::white, 40);
  }
  const std::wstring name = translate("app.name");
  drawCentredText(canvas, name, TextStyle::Headline, {B.left + 96, B.top, B.left + 320, B.bottom}, palette::white,
                  TextAlign::Leading);
  const float x = B.left + 96 + canvas.measureText(name, TextStyle::Headline, kUnlimited).width + 34;
  canvas.drawLine({x, c - 22}, {x, c + 22}, white(0.55f), 1.5f);

  const float r = B.right - 40;
  if (r - 150 > x + 40) {
    canvas.fillRoundedRect({r - 132, c - 44, r - 26, c + 22}, 8, white(0.14f));
    canvas.fillRoundedRect({r - 120, c - 32, r - 14, c + 34}, 8, white(0.22f));
    canvas.fillRoundedRect({r - 108, c - 20, r, c + 46}, 8, white(0.30f));
    canvas.fillRoundedRect({r - 27, c - 14, r - 21, c + 30}, 3, white(0.75f));
  }
  drawCentredText(canvas, translate("app.tagline"), TextStyle::Subtitle,
                  {x + 34, B.top, std::max(r - 150, x + 60), B.bottom}, palette::white, TextAlign::Leading);
}

void paintHomeCards(Canvas& canvas, const IconSet& icons, const PageState& state, Rect block, HitRegions& regions) {
  const float w = (block.width() - 54) / 4;
  if (w < 100) return;
  for (size_t i = 0; i < kCards.size(); ++i) {
    const float left = block.left + float(i) * (w + 18);
    paintCard(canvas, icons, state, kCards[i], {left, block.top, left + w, block.bottom}, regions);
  }
}

void paintRecentArchives(Canvas& canvas, const IconSet& icons, const PageState& state, Rect K, HitRegions& regions) {
  if (K.width() < 120) return;
  panel(canvas, K, "home.recent_archives", {K.left + 24, K.top + 18, K.right - 120, K.top + 52});
  const std::vector<HistoryEntry>& entries = historyEntries(state);
  if (entries.empty()) {
    const float m = K.top + 62 + (K.height() - 62 - 52) / 2;
    drawCentredText(canvas, translate("home.no_recent"), TextStyle::BodyStrong, {K.left + 24, m, K.right - 24, m + 26},
                    palette::textPrimary, TextAlign::Centre);
    drawCentredText(canvas, translate("home.no_recent_body"), TextStyle::Body,
                    {K.left + 24, m + 26, K.right - 24, m + 52}, palette::textSecondary, TextAlign::Centre);
    return;
  }
  paintViewAllLink(canvas, icons, state, K, regions);
  const float limit = K.bottom - 8;
  for (size_t i = 0; i < entries.size(); ++i) {
    const float y = K.top + 62 + kRecentRowHeight * float(i);
    if (y + kRecentRowHeight > limit) break;
    paintRecentRow(canvas, icons, state, entries[i], int32_t(i), {K.left + 12, y, K.right - 12, y + kRecentRowHeight},
                   regions);
    const float next = y + kRecentRowHeight;
    if (i + 1 < entries.size() && next + kRecentRowHeight <= limit) {
      canvas.drawLine({K.left + 24, next}, {K.right - 24, next}, palette::divider, 1);
    }
  }
}

void paintStatusSummary(Canvas& canvas, const IconSet& icons, const PageState& state, Rect S) {
  if (S.width() < 120 || S.height() < 80) return;
  panel(canvas, S, "home.status_summary", {S.left + 22, S.top + 16, S.right - 22, S.top + 48});
  const float columnWidth = (S.width() - 44) / 3;
  const std::array<Stat, 3> stats = summaryStats(state);
  // A label that wraps (long words in some languages) lifts the figures above it, so the card
  // still holds every line.
  float labelHeight = 22;
  for (const Stat& stat : stats)
    labelHeight = std::max(labelHeight, canvas.measureText(stat.label, TextStyle::Caption, columnWidth - 8).height);
  const float a = S.bottom - 6 - labelHeight;
  for (size_t i = 0; i < stats.size(); ++i) {
    const float left = S.left + 22 + columnWidth * float(i), right = left + columnWidth;
    const float centre = (left + right) / 2;
    if (a - 64 > S.top + 46) {
      canvas.drawIcon(icons, stats[i].icon, {centre - 14, a - 64, centre + 14, a - 36}, palette::brandRed, 25);
    }
    drawCentredText(canvas, stats[i].value, TextStyle::Metric, {left, a - 32, right, a + 2}, palette::textPrimary,
                    TextAlign::Centre);
    drawCentredText(canvas, stats[i].label, TextStyle::Caption, {left + 4, a, right - 4, a + labelHeight},
                    palette::textSecondary, TextAlign::Centre);
    if (i + 1 < stats.size()) canvas.drawLine({right, S.top + 50}, {right, S.bottom - 18}, palette::divider, 1);
  }
}

void paintResourceMonitor(Canvas& canvas, const PageState& state, Rect G) {
  if (G.width() < 120 || G.height() < 70) return;
  panel(canvas, G, "home.resource_monitor", {G.left + 22, G.top + 14, G.right - 22, G.top + 46});
  const float labels = std::max(canvas.measureText(translate("home.cpu"), TextStyle::BodyStrong, kUnlimited).width,
                                 canvas.measureText(translate("home.memory"), TextStyle::BodyStrong, kUnlimited).width);
  const float trackLeft = G.left + 22 + std::max(86.0f, std::ceil(labels) + 12);
  if (trackLeft + 24 >= G.right - 78) return;
  const float l = G.top + 52;
  paintLoadBar(canvas, "home.cpu", state.load.cpuPercent, state.load.valid, G, l, trackLeft);
  paintLoadBar(canvas, "home.memory", double(state.load.memoryLoadPercent), state.load.valid, G, l + 40, trackLeft);
}

float paintHomePage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions) {
  const HomeBlocks blocks = homeBlocks(page, state.scrollOffset);
  paintHomeGreeting(canvas, blocks.greeting, localHourNow());
  paintHomeBanner(canvas, icons, blocks.banner);
  paintHomeCards(canvas, icons, state, blocks.cards, regions);
  paintRecentArchives(canvas, icons, state, blocks.recent, regions);
  paintStatusSummary(canvas, icons, state, blocks.summary);
  paintResourceMonitor(canvas, state, blocks.monitor);
  return blocks.recent.top + 324 - blocks.greeting.top;
}

}  // namespace tolzeb::ui
