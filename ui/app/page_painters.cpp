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

constexpr PageHeading kSearchHeading{"search.title", "search.subtitle", 420};

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

float paintHeading(Canvas& canvas, const PageState& state, Rect page, const PageHeading& heading) {
  const PageColumn column = pageColumn(page, state.scrollOffset, heading.minimumWidth);
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

float paintSearchPage(Canvas& canvas, const IconSet&, const PageState& state, Rect page, HitRegions&) {
  return paintHeading(canvas, state, page, kSearchHeading);
}

}  // namespace tolzeb::ui
