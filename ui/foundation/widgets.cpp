#include "ui/foundation/widgets.h"

#include <algorithm>
#include <cmath>

#include "ui/foundation/palette.h"

namespace tolzeb::ui {
namespace {

constexpr float kButtonRadius = 8;
constexpr float kUnboundedWidth = 100000;
constexpr size_t kEllipsisTailUnits = 24;
constexpr size_t kMinimumElisionSide = 4;
constexpr float kSliderInset = 11;
constexpr wchar_t kMaskBullet = 0x2022;

}  // namespace

float textWidth(Canvas& canvas, std::wstring_view text, TextStyle style) {
  return canvas.measureText(text, style, kUnboundedWidth).width;
}

void drawCentredText(Canvas& canvas, std::wstring_view text, TextStyle style, Rect rect, Color color, TextAlign align) {
  if (text.empty()) return;
  const float height = canvas.measureText(text, style, rect.width()).height;
  const float top = rect.top + (rect.height() - height) / 2;
  canvas.drawText(text, style, {rect.left, top, rect.right, top + height + 2}, color, align);
}

void drawFocusRing(Canvas& canvas, Rect rect, float radius) {
  canvas.drawRoundedRect(rect.grown(2), radius + 2, palette::textPrimary, 2);
}

void drawButton(Canvas& canvas, const IconSet& icons, const Interaction& interaction, HitRegions& regions, Rect rect,
                std::wstring_view label, uint16_t command, ButtonStyle style, Icon icon, bool enabled,
                int32_t argument) {
  const bool hovered =
      enabled && interaction.hoverId == command && (argument < 0 || interaction.hoverIndex == argument);
  const bool pressed = enabled && interaction.pressedId == command;

  Color fill = palette::white;
  Color labelColor = palette::textPrimary;
  switch (style) {
    case ButtonStyle::Primary:
      fill = pressed ? palette::brandPressed : hovered ? palette::captionHover : palette::brandRed;
      labelColor = palette::white;
      break;
    case ButtonStyle::Secondary:
      break;
    case ButtonStyle::Quiet:
      fill = hovered ? palette::hoverOverlay : palette::transparent;
      break;
  }
  if (!enabled) {
    fill = style == ButtonStyle::Primary ? palette::disabledFill : palette::white;
    labelColor = palette::textDisabled;
  }

  canvas.fillRoundedRect(rect, kButtonRadius, fill);
  if (style == ButtonStyle::Secondary) {
    if (hovered) canvas.fillRoundedRect(rect, kButtonRadius, palette::hoverOverlay);
    canvas.drawRoundedRect(rect, kButtonRadius, enabled ? palette::divider : palette::dividerDisabled, 1);
  }

  float labelLeft = rect.left + 14;
  TextAlign align = TextAlign::Centre;
  if (icon != Icon::None) {
    canvas.drawIcon(icons, icon, {rect.left + 12, rect.top, rect.left + 34, rect.bottom}, labelColor, 18);
    labelLeft = rect.left + 38;
    align = TextAlign::Leading;
  }
  drawCentredText(canvas, label, TextStyle::BodyStrong, {labelLeft, rect.top, rect.right - 12, rect.bottom}, labelColor,
                  align);

  if (!enabled) return;
  if (interaction.showFocus && interaction.focusId == command) {
    drawFocusRing(canvas, rect, kButtonRadius);
  }
  addHitRegion(regions, rect, command, argument, true);
}

float buttonWidthFor(Canvas& canvas, std::wstring_view label, Icon icon, float minimum) {
  // The label's room in drawButton: 14 before it (38 with an icon) and 12 after; the extra 2
  // keep a rounded-up measure from wrapping the last word.
  const float padding = icon == Icon::None ? 14 + 12 : 38 + 12;
  return std::max(minimum, std::ceil(textWidth(canvas, label, TextStyle::BodyStrong)) + padding + 2);
}

void drawCheckBox(Canvas& canvas, const Interaction& interaction, HitRegions& regions, Rect rect,
                  std::wstring_view label, uint16_t command, bool checked, bool enabled) {
  const float cy = rect.centreY();
  const Rect box{rect.left, cy - 10, rect.left + 20, cy + 10};
  if (checked) {
    canvas.fillRoundedRect(box, 5, enabled ? palette::brandRed : palette::divider);
  } else {
    canvas.fillRoundedRect(box, 5, palette::white);
    canvas.drawRoundedRect(box, 5, palette::divider, 1.4f);
    if (enabled && interaction.hoverId == command) {
      canvas.fillRoundedRect(box, 5, palette::hoverOverlay);
    }
  }
  if (checked) {
    const Point bend{box.left + 8.5f, cy + 3.8f};
    canvas.drawLine({box.left + 5, cy}, bend, palette::white, 2);
    canvas.drawLine(bend, {box.left + 15, cy - 4.2f}, palette::white, 2);
  }
  drawCentredText(canvas, label, TextStyle::Body, {rect.left + 30, rect.top, rect.right, rect.bottom},
                  enabled ? palette::textPrimary : palette::textSecondary, TextAlign::Leading);

  if (!enabled) return;
  if (interaction.showFocus && interaction.focusId == command) drawFocusRing(canvas, box, 5);
  addHitRegion(regions, rect, command, -1, true);
}

std::wstring fitText(Canvas& canvas, const std::wstring& text, TextStyle style, float maxWidth) {
  if (text.empty() || textWidth(canvas, text, style) <= maxWidth) return text;
  const size_t length = text.size();
  // Keeping k units: the first ceil(k/2) and the last floor(k/2). The width grows with k, so the
  // longest that fits is found by halving, in a few measurements even for long paths (every
  // measurement is a text layout, which a paint cannot afford by the hundred).
  const auto candidate = [&](size_t kept) {
    return text.substr(0, (kept + 1) / 2) + L"..." + text.substr(length - kept / 2);
  };
  size_t low = 2 * (kMinimumElisionSide + 1), high = length - 1, best = 0;
  while (low <= high && high < length) {
    const size_t kept = low + (high - low) / 2;
    if (textWidth(canvas, candidate(kept), style) <= maxWidth) {
      best = kept;
      low = kept + 1;
    } else {
      high = kept - 1;
    }
  }
  if (best != 0) return candidate(best);
  const size_t kept = std::min(length, kEllipsisTailUnits);
  return L"..." + text.substr(length - kept);
}

void drawCard(Canvas& canvas, Rect rect, std::wstring_view title) {
  canvas.fillRoundedRect(rect, 12, palette::white);
  canvas.drawRoundedRect(rect, 12, palette::divider, 1);
  canvas.drawText(title, TextStyle::SectionTitle, {rect.left + 22, rect.top + 16, rect.right - 22, rect.top + 50},
                  palette::textPrimary, TextAlign::Leading);
}

void drawPathBox(Canvas& canvas, Rect rect, const std::wstring& path, std::wstring_view placeholder) {
  canvas.fillRoundedRect(rect, 8, palette::fieldFill);
  canvas.drawRoundedRect(rect, 8, palette::divider, 1);
  const Rect area{rect.left + 14, rect.top, rect.right - 14, rect.bottom};
  if (!path.empty()) {
    const std::wstring shown = fitText(canvas, path, TextStyle::Body, rect.width() - 28);
    drawCentredText(canvas, shown, TextStyle::Body, area, palette::textPrimary, TextAlign::Leading);
  } else {
    drawCentredText(canvas, placeholder, TextStyle::Body, area, palette::textSecondary, TextAlign::Leading);
  }
}

void drawListRow(Canvas& canvas, const Interaction& interaction, HitRegions& regions, Rect rect,
                 std::wstring_view label, uint16_t command, bool selected, bool first, bool last, int32_t argument) {
  const bool hovered = interaction.hoverId == command && interaction.hoverIndex == argument;
  Rect r = rect;
  if (!first) r.left += 4;
  if (!last) r.right -= 4;
  Color labelColor = palette::textPrimary;
  if (selected) {
    canvas.fillRoundedRect(r, 8, palette::brandRed);
    labelColor = palette::white;
  } else {
    canvas.fillRoundedRect(r, 8, palette::white);
    if (hovered) canvas.fillRoundedRect(r, 8, palette::hoverOverlay);
    canvas.drawRoundedRect(r, 8, palette::divider, 1);
  }
  drawCentredText(canvas, label, TextStyle::BodyStrong, r, labelColor, TextAlign::Centre);
  if (interaction.showFocus && interaction.focusId == command && interaction.hoverIndex == argument) {
    drawFocusRing(canvas, r, 8);
  }
  addHitRegion(regions, r, command, argument, true);
}

void drawSlider(Canvas& canvas, const Interaction& interaction, HitRegions& regions, Rect rect, double value,
                uint16_t command, std::wstring_view /*label*/, bool enabled) {
  const float v = static_cast<float>(std::clamp(value, 0.0, 1.0));
  const float cy = rect.centreY();
  const Rect track{rect.left + kSliderInset, cy - 3, rect.right - kSliderInset, cy + 3};
  canvas.fillRoundedRect(track, 3, enabled ? palette::track : palette::trackDisabled);
  const float x = track.left + track.width() * v;
  if (x > track.left + 1) {
    canvas.fillRoundedRect({track.left, track.top, x, track.bottom}, 3,
                           enabled ? palette::brandRed : palette::trackFillDisabled);
  }

  const bool active = enabled && (interaction.pressedId == command || interaction.hoverId == command);
  const Rect knob{x - 11, cy - 11, x + 11, cy + 11};
  canvas.fillRoundedRect(knob, 11, palette::white);
  if (enabled) {
    canvas.drawRoundedRect(knob, 11, active ? palette::brandRed : palette::divider, active ? 2.2f : 1.6f);
    canvas.fillRoundedRect(knob.grown(-6), 11, palette::brandRed);
  } else {
    canvas.drawRoundedRect(knob, 11, palette::knobDisabled, 1.6f);
  }

  if (interaction.showFocus && interaction.focusId == command) drawFocusRing(canvas, rect, 11);
  if (enabled) addHitRegion(regions, rect, command, -1, true);
}

double sliderValueAt(const HitRegion& region, float x) {
  const double start = region.left + kSliderInset;
  const double end = region.right - kSliderInset;
  if (start >= end) return 0;
  return std::clamp((x - start) / (end - start), 0.0, 1.0);
}

void drawTextField(Canvas& canvas, const Interaction& interaction, HitRegions& regions, Rect rect,
                   const TextField& field, uint16_t command, std::wstring_view placeholder) {
  const bool focused = interaction.focusId == command;
  canvas.fillRoundedRect(rect, 8, palette::white);
  if (focused) {
    canvas.drawRoundedRect(rect, 8, palette::brandRed, 1.8f);
  } else {
    canvas.drawRoundedRect(rect, 8, palette::divider, 1.4f);
    if (interaction.hoverId == command) canvas.fillRoundedRect(rect, 8, palette::hoverOverlay);
  }

  // A view, not a copy: an unwiped copy of the text must not be left behind.
  const std::wstring bullets(field.masked ? field.text.size() : 0, kMaskBullet);
  const std::wstring_view shown = field.masked ? std::wstring_view(bullets) : field.text;
  const Rect area{rect.left + 14, rect.top, rect.right - 14, rect.bottom};
  const auto widthOfFirst = [&](uint64_t units) { return textWidth(canvas, shown.substr(0, units), TextStyle::Body); };
  if (!shown.empty()) {
    canvas.pushClip({rect.left + 2, rect.top, rect.right - 2, rect.bottom});
    if (focused && field.hasSelection()) {
      const float from = area.left + widthOfFirst(field.selectionStart());
      const float to = area.left + widthOfFirst(field.selectionEnd());
      canvas.fillRoundedRect({from, rect.top + 7, to, rect.bottom - 7}, 2, palette::brandTint);
    }
    // One line that runs on past the right edge, where the clip cuts it: laid out in the
    // field's width it would wrap onto lines of its own.
    const Rect line{area.left, area.top,
                    std::max(area.right, area.left + textWidth(canvas, shown, TextStyle::Body) + 1), area.bottom};
    drawCentredText(canvas, shown, TextStyle::Body, line, palette::textPrimary, TextAlign::Leading);
    canvas.popClip();
  } else {
    drawCentredText(canvas, placeholder, TextStyle::Body, area, palette::textSecondary, TextAlign::Leading);
  }

  if (focused) {
    const float x = area.left + widthOfFirst(std::min<uint64_t>(field.caret, shown.size()));
    canvas.drawLine({x, rect.top + 8}, {x, rect.bottom - 8}, palette::brandRed, 1.6f);
  }
  addHitRegion(regions, rect, command, -1, true);
}

void drawTickBox(Canvas& canvas, const Interaction& interaction, Rect rect, uint16_t command, int32_t argument,
                 bool selected) {
  const float cy = rect.centreY();
  const Rect box{rect.left, cy - 9, rect.left + 18, cy + 9};
  if (selected) {
    canvas.fillRoundedRect(box, 4, palette::brandRed);
    const Point bend{box.left + 7.6f, cy + 3.4f};
    canvas.drawLine({box.left + 4.5f, cy}, bend, palette::white, 1.9f);
    canvas.drawLine(bend, {box.left + 13.5f, cy - 3.8f}, palette::white, 1.9f);
  } else {
    canvas.fillRoundedRect(box, 4, palette::white);
    canvas.drawRoundedRect(box, 4, palette::divider, 1.4f);
    if (interaction.hoverId == command && interaction.hoverIndex == argument) {
      canvas.fillRoundedRect(box, 4, palette::hoverOverlay);
    }
  }
}

}  // namespace tolzeb::ui
