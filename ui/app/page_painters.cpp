// Every page shows its title and subtitle until its own painter takes over.
#include "ui/app/page_painters.h"

#include <algorithm>
#include <string>

#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"

namespace tolzeb::ui {
namespace {

using i18n::translate;

constexpr float kColumnInset = 28;
constexpr float kColumnTop = 24;
constexpr float kBottomMargin = 24;

struct PageHeading {
  const char* titleKey;
  const char* subtitleKey;
  float minimumWidth;
};

constexpr PageHeading kHistoryHeading{"history.title", "history.subtitle", 420};
constexpr PageHeading kTasksHeading{"tasks.title", "tasks.subtitle", 420};
constexpr PageHeading kToolsHeading{"tools.title", "tools.subtitle", 420};
constexpr PageHeading kSettingsHeading{"settings.title", "settings.subtitle", 420};
constexpr PageHeading kSupportHeading{"support.headline_1", "support.intro_1", 420};
constexpr float kHomeMinimumWidth = 200;

float textHeight(Canvas& canvas, const std::wstring& text, TextStyle style, float width) {
  return canvas.measureText(text, style, width).height;
}

// The subtitle under a title line `titleHeight` high; returns the content height.
float paintSubtitle(Canvas& canvas, const PageColumn& column, float titleHeight, const char* subtitleKey) {
  const std::wstring subtitle = translate(subtitleKey);
  const float width = column.right - column.left;
  const float top = column.top + titleHeight;
  const float height = textHeight(canvas, subtitle, TextStyle::Subtitle, width);
  canvas.drawText(subtitle, TextStyle::Subtitle, {column.left, top, column.right, top + height}, palette::textSecondary,
                  TextAlign::Leading);
  return kColumnTop + titleHeight + height + kBottomMargin;
}

float paintHeading(Canvas& canvas, const PageState& state, Rect page, const PageHeading& heading,
                   PageColumn* columnOut = nullptr) {
  const PageColumn column = pageColumn(page, state.scrollOffset, heading.minimumWidth);
  if (columnOut) *columnOut = column;
  const std::wstring title = translate(heading.titleKey);
  const float height = textHeight(canvas, title, TextStyle::PageTitle, column.right - column.left);
  canvas.drawText(title, TextStyle::PageTitle, {column.left, column.top, column.right, column.top + height},
                  palette::textPrimary, TextAlign::Leading);
  return paintSubtitle(canvas, column, height, heading.subtitleKey);
}

}  // namespace

PageColumn pageColumn(Rect page, float scrollOffset, float minimumWidth) {
  PageColumn column;
  column.left = page.left + kColumnInset;
  column.right = std::max(page.right - kColumnInset, column.left + minimumWidth);
  column.top = page.top + kColumnTop - scrollOffset;
  return column;
}

// The greeting names the program in the accent colour after the welcome text, which carries
// its own trailing space.
float paintHomePage(Canvas& canvas, const IconSet&, const PageState& state, Rect page, HitRegions&) {
  const PageColumn column = pageColumn(page, state.scrollOffset, kHomeMinimumWidth);
  const std::wstring welcome = translate("home.welcome");
  const std::wstring name = translate("app.name");
  const Size welcomeSize = canvas.measureText(welcome, TextStyle::PageTitle, column.right - column.left);
  const float nameLeft = column.left + welcomeSize.width;
  const Size nameSize = canvas.measureText(name, TextStyle::PageTitle, std::max(column.right - nameLeft, 1.0f));
  const float height = std::max(welcomeSize.height, nameSize.height);
  canvas.drawText(welcome, TextStyle::PageTitle, {column.left, column.top, column.right, column.top + height},
                  palette::textPrimary, TextAlign::Leading);
  canvas.drawText(name, TextStyle::PageTitle,
                  {nameLeft, column.top, std::max(column.right, nameLeft + nameSize.width), column.top + height},
                  palette::brandRed, TextAlign::Leading);
  return paintSubtitle(canvas, column, height, "home.subtitle");
}

float paintHistoryPage(Canvas& canvas, const IconSet&, const PageState& state, Rect page, HitRegions&) {
  return paintHeading(canvas, state, page, kHistoryHeading);
}

float paintTasksPage(Canvas& canvas, const IconSet&, const PageState& state, Rect page, HitRegions&) {
  return paintHeading(canvas, state, page, kTasksHeading);
}

float paintToolsPage(Canvas& canvas, const IconSet&, const PageState& state, Rect page, HitRegions&) {
  return paintHeading(canvas, state, page, kToolsHeading);
}

// The language box sits at the column's right, level with the title, so that the list has an
// anchor while the page's cards are not drawn.
float paintSettingsPage(Canvas& canvas, const IconSet&, const PageState& state, Rect page, HitRegions&,
                        Rect& languageBox) {
  PageColumn column;
  const float height = paintHeading(canvas, state, page, kSettingsHeading, &column);
  languageBox = {column.right - 260, column.top, column.right, column.top + 42};
  return height;
}

float paintSupportPage(Canvas& canvas, const IconSet&, const PageState& state, Rect page, HitRegions&) {
  return paintHeading(canvas, state, page, kSupportHeading);
}

}  // namespace tolzeb::ui
