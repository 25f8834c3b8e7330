// The column every page lays itself out in.
#include "ui/app/page_painters.h"

#include <algorithm>

#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"

namespace tolzeb::ui {
namespace {

constexpr float kColumnInset = 28;
constexpr float kColumnTop = 24;
constexpr float kTitleHeight = 52;
constexpr float kSubtitleLine = 26;
constexpr float kOneLineWidth = 100000;

}  // namespace

PageColumn pageColumn(Rect page, float scrollOffset, float minimumWidth) {
  PageColumn column;
  column.left = page.left + kColumnInset;
  column.right = std::max(page.right - kColumnInset, column.left + minimumWidth);
  column.top = page.top + kColumnTop - scrollOffset;
  return column;
}

void PagePainter::text(const std::wstring& shown, TextStyle style, Rect rect, Color color) const {
  canvas.drawText(shown, style, rect, color, TextAlign::Leading);
}

void PagePainter::note(const char* key, Rect rect, Color color) const {
  text(i18n::translate(key), TextStyle::Caption, rect, color);
}

Rect PagePainter::card(float top, float height, const char* titleKey) const {
  const Rect rect{left, top, right, top + height};
  drawCard(canvas, rect, i18n::translate(titleKey));
  return rect;
}

void PagePainter::button(Rect rect, const char* labelKey, uint16_t command, ButtonStyle style, bool enabled,
                         Icon icon) const {
  drawButton(canvas, icons, interaction, regions, rect, i18n::translate(labelKey), command, style, icon, enabled);
}

void PagePainter::checkBox(Rect rect, const char* labelKey, uint16_t command, bool checked, bool enabled) const {
  drawCheckBox(canvas, interaction, regions, rect, i18n::translate(labelKey), command, checked, enabled);
}

float PagePainter::widthFor(const char* labelKey, Icon icon, float minimum) const {
  return buttonWidthFor(canvas, i18n::translate(labelKey), icon, minimum);
}

float PagePainter::buttonFrom(float x, float top, float bottom, float minimum, const char* labelKey, uint16_t command,
                              ButtonStyle style, bool enabled, Icon icon) const {
  const float buttonRight = x + widthFor(labelKey, icon, minimum);
  button({x, top, buttonRight, bottom}, labelKey, command, style, enabled, icon);
  return buttonRight;
}

float PagePainter::buttonTo(float x, float top, float bottom, float minimum, const char* labelKey, uint16_t command,
                            ButtonStyle style, bool enabled, Icon icon) const {
  const float buttonLeft = x - widthFor(labelKey, icon, minimum);
  button({buttonLeft, top, x, bottom}, labelKey, command, style, enabled, icon);
  return buttonLeft;
}

float paintPageHeading(Canvas& canvas, float left, float right, float top, const char* titleKey,
                       const char* subtitleKey) {
  canvas.drawText(i18n::translate(titleKey), TextStyle::PageTitle, {left, top, right, top + kTitleHeight},
                  palette::textPrimary, TextAlign::Leading);
  const std::wstring subtitle = i18n::translate(subtitleKey);
  // Only the lines a wrap adds move the page down; one line keeps its fixed place.
  const float wrapped = canvas.measureText(subtitle, TextStyle::Subtitle, std::max(right - left, 1.0f)).height;
  const float oneLine = canvas.measureText(subtitle, TextStyle::Subtitle, kOneLineWidth).height;
  const float added = std::max(0.0f, wrapped - oneLine);
  const float subtitleTop = top + kTitleHeight;
  canvas.drawText(subtitle, TextStyle::Subtitle, {left, subtitleTop, right, subtitleTop + kSubtitleLine + added},
                  palette::textSecondary, TextAlign::Leading);
  return top + added;
}

}  // namespace tolzeb::ui
