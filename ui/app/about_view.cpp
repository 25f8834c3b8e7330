// The about window's look and behaviour: one painter for the layout pass and the drawing pass, so
// that the window's height always fits what is drawn.
#include "ui/app/about_view.h"

#include <algorithm>
#include <cmath>

#include "ui/app/window_host.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

constexpr float kMargin = 28;
constexpr float kTextWidth = 424;
constexpr float kTextRight = kMargin + kTextWidth;
constexpr float kFooterHeight = 74;

bool insideRect(const Rect& rect, float x, float y) {
  return x >= rect.left && x <= rect.right && y >= rect.top && y <= rect.bottom;
}

bool equalsIgnoringCase(const std::wstring& text, const wchar_t* word) {
  size_t i = 0;
  for (; i < text.size() && word[i] != 0; ++i) {
    wchar_t c = text[i];
    if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
    if (c != word[i]) return false;
  }
  return i == text.size() && word[i] == 0;
}

}  // namespace

AboutPalette aboutPalette(bool dark) {
  if (dark) {
    return {rgb(0x1B, 0x1C, 0x20), rgb(0x25, 0x27, 0x2C),     rgb(0xF2, 0xF3, 0xF5),
            rgb(0xB6, 0xBB, 0xC3), rgb(0x3A, 0x3D, 0x44),     rgb(0xFF, 0x5A, 0x68),
            rgb(0xFF, 0x8A, 0x94), rgb(255, 255, 255, 0.12f), rgb(0, 0, 0, 0.20f)};
  }
  return {rgb(0xFF, 0xFF, 0xFF), rgb(0xF4, 0xF5, 0xF7),     rgb(0x18, 0x19, 0x1F),
          rgb(0x66, 0x6C, 0x75), rgb(0xD8, 0xDC, 0xE3),     rgb(0xC8, 0x00, 0x18),
          rgb(0xC8, 0x00, 0x18), rgb(255, 255, 255, 0.12f), rgb(0, 0, 0, 0.16f)};
}

bool aboutDarkTheme(const std::optional<std::wstring>& environmentValue, std::optional<uint32_t> appsUseLightTheme) {
  // The environment is read into 16 characters; a longer value does not fit and counts as none.
  if (environmentValue && !environmentValue->empty() && environmentValue->size() < 16) {
    if (equalsIgnoringCase(*environmentValue, L"dark")) return true;
    if (equalsIgnoringCase(*environmentValue, L"light")) return false;
  }
  return appsUseLightTheme && *appsUseLightTheme == 0;
}

float drawWrappedText(Canvas& canvas, std::wstring_view text, TextStyle style, float x, float y, float width,
                      Color color, bool draw) {
  const float height = canvas.measureText(text, style, width).height;
  if (draw) canvas.drawText(text, style, {x, y, x + width, y + height + 2}, color, TextAlign::Leading);
  return height;
}

float AboutView::paint(Canvas& canvas, const IconSet& icons, bool draw) {
  const AboutPalette& p = palette;
  if (draw) {
    const Rect iconBox{kMargin, 26, 92, 90};
    if (!canvas.drawProgramIcon(iconBox)) canvas.drawIcon(icons, Icon::Archive, iconBox, p.accent, 46.08f);
    canvas.drawText(i18n::translate("app.brand"), TextStyle::Metric, {110, 28, kTextRight, 62}, p.text,
                    TextAlign::Leading);
    const std::wstring versionLine = version.empty() ? i18n::translate("about.version_unavailable")
                                                     : i18n::translateWithArgs("about.version", {{"version", version}});
    canvas.drawText(versionLine, TextStyle::Caption, {110, 64, kTextRight, 84}, p.secondary, TextAlign::Leading);
  }

  float y = 112;
  y += drawWrappedText(canvas, i18n::translate("about.headline"), TextStyle::Headline, kMargin, y, kTextWidth, p.text,
                       draw);
  y += 8;
  y += drawWrappedText(canvas, i18n::translate("about.slogan"), TextStyle::Subtitle, kMargin, y, kTextWidth, p.accent,
                       draw);
  y += 22;
  if (draw) canvas.drawLine({kMargin, y}, {kTextRight, y}, p.rule, 1);

  y += 20;
  for (const char* key : {"about.point_threads", "about.point_codec", "about.point_encryption"}) {
    y += drawWrappedText(canvas, i18n::translate(key), TextStyle::Body, kMargin, y, kTextWidth, p.secondary, draw);
    y += 10;
  }

  const Size address = canvas.measureText(kProductAddress, TextStyle::BodyStrong, 100000);
  y += 10;
  linkRect = {kMargin, y, kMargin + address.width, y + address.height};
  if (draw) {
    const Color linkColour = hover == kAboutLink || pressed == kAboutLink ? p.accent : p.link;
    canvas.drawText(kProductAddress, TextStyle::BodyStrong, {kMargin, y, kTextRight, y + address.height + 2},
                    linkColour, TextAlign::Leading);
    const float underline = y + address.height - 1;
    canvas.drawLine({kMargin, underline}, {kMargin + address.width, underline}, linkColour, 1);
    if (focus == kAboutLink && focusVisible) {
      const Rect ring{linkRect.left - 4, linkRect.top - 3, linkRect.right + 4, linkRect.bottom + 3};
      canvas.drawRoundedRect(ring, 6, p.text, 2);
    }
  }

  const float footer = y + address.height + 24;
  closeRect = {348, footer + 18, kTextRight, footer + 56};
  if (draw) {
    canvas.fillRect({0, footer, kAboutWidth, footer + kFooterHeight}, p.footer);
    canvas.drawLine({0, footer}, {kAboutWidth, footer}, p.rule, 1);
    drawCentredText(canvas, i18n::translate("about.copyright"), TextStyle::Caption,
                    {kMargin, footer + 18, 336, footer + 56}, p.secondary, TextAlign::Leading);
    canvas.fillRoundedRect(closeRect, 8, p.accent);
    if (pressed == kAboutOk)
      canvas.fillRoundedRect(closeRect, 8, p.pressedOverlay);
    else if (hover == kAboutOk)
      canvas.fillRoundedRect(closeRect, 8, p.hoverOverlay);
    drawCentredText(canvas, i18n::translate("action.ok"), TextStyle::BodyStrong, closeRect, p.background,
                    TextAlign::Centre);
    if (focus == kAboutOk && focusVisible) canvas.drawRoundedRect(closeRect.grown(2), 10, p.text, 2);
  }

  contentHeight = footer + kFooterHeight;
  return contentHeight;
}

int AboutView::hitTest(float x, float y) const {
  if (insideRect(closeRect, x, y)) return kAboutOk;
  if (insideRect(linkRect, x, y)) return kAboutLink;
  return kAboutNone;
}

AboutView::KeyResult AboutView::keyDown(unsigned virtualKey) {
  switch (virtualKey) {
    case keys::kTab:
    case keys::kLeft:
    case keys::kUp:
    case keys::kRight:
    case keys::kDown:
      focus = focus == kAboutLink ? kAboutOk : kAboutLink;
      focusVisible = true;
      return {true, true, AboutAction::None};
    case keys::kEnter:
    case keys::kSpace:
      return {true, false, focus == kAboutLink ? AboutAction::OpenLink : AboutAction::Close};
    case keys::kEscape:
      return {true, false, AboutAction::Close};
    default:
      return {};
  }
}

bool AboutView::mouseMove(float x, float y) {
  const int now = hitTest(x, y);
  if (now == hover) return false;
  hover = now;
  return true;
}

bool AboutView::mouseDown(float x, float y) {
  pressed = hitTest(x, y);
  if (pressed == kAboutNone) return false;
  focus = pressed;
  focusVisible = false;
  return true;
}

bool AboutView::mouseLeave() {
  if (hover == kAboutNone) return false;
  hover = kAboutNone;
  return true;
}

AboutAction AboutView::mouseUp(float x, float y) {
  const int hit = hitTest(x, y);
  const int wasPressed = pressed;
  pressed = kAboutNone;
  if (wasPressed == kAboutNone || hit != wasPressed) return AboutAction::None;
  return wasPressed == kAboutLink ? AboutAction::OpenLink : AboutAction::Close;
}

void aboutClientPixels(float contentHeight, float dpi, int& width, int& height) {
  width = int(std::lround(kAboutWidth * dpi / 96));
  height = int(std::lround(contentHeight * dpi / 96));
}

void centredPosition(const PixelRect& reference, int width, int height, const std::optional<PixelRect>& workArea,
                     int& x, int& y) {
  x = reference.left + (reference.width() - width) / 2;
  y = reference.top + (reference.height() - height) / 2;
  if (workArea) {
    x = std::max(workArea->left, std::min(x, workArea->right - width));
    y = std::max(workArea->top, std::min(y, workArea->bottom - height));
  }
}

}  // namespace tolzeb::ui
