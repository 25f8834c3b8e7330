// The painters of the main window's controls. Each draws onto a canvas from the window's
// interaction fields and, when the control is interactive, appends its hit region; disabled
// controls record none, so they can be neither clicked nor focused. Rectangles are in DIPs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/foundation/canvas.h"
#include "ui/foundation/hit_regions.h"
#include "ui/foundation/icons.h"
#include "ui/foundation/text_field.h"

namespace tolzeb::ui {

enum class ButtonStyle : uint8_t { Primary = 0, Secondary = 1, Quiet = 2 };

// The text centred vertically in `rect` (its height measured at the rectangle's width).
void drawCentredText(Canvas& canvas, std::wstring_view text, TextStyle style, Rect rect, Color color, TextAlign align);

// The focus cue: an outline 2 DIPs outside `rect`, with corner radius `radius` + 2.
void drawFocusRing(Canvas& canvas, Rect rect, float radius);

// `argument` -1 makes the button hovered for any hovered argument of its command.
void drawButton(Canvas& canvas, const IconSet& icons, const Interaction& interaction, HitRegions& regions, Rect rect,
                std::wstring_view label, uint16_t command, ButtonStyle style, Icon icon, bool enabled,
                int32_t argument = -1);

// The width of `text` on one line.
float textWidth(Canvas& canvas, std::wstring_view text, TextStyle style);

// The width a button needs to show `label` on one line with `icon` (Icon::None: no icon), never
// less than `minimum`: a longer translation widens the button instead of wrapping inside it.
float buttonWidthFor(Canvas& canvas, std::wstring_view label, Icon icon, float minimum);

void drawCheckBox(Canvas& canvas, const Interaction& interaction, HitRegions& regions, Rect rect,
                  std::wstring_view label, uint16_t command, bool checked, bool enabled);

// The text unchanged when it fits in `maxWidth`; else its start and end joined by "..."; else
// "..." and its last 24 units.
std::wstring fitText(Canvas& canvas, const std::wstring& text, TextStyle style, float maxWidth);

void drawCard(Canvas& canvas, Rect rect, std::wstring_view title);

// A read-only path, elided in the middle to fit; the placeholder when the path is empty.
void drawPathBox(Canvas& canvas, Rect rect, const std::wstring& path, std::wstring_view placeholder);

// List rows, tabs and segments. Inner edges of a run of segments (not `first`, not `last`) are
// pulled in by 4 DIPs so neighbours keep an 8-DIP gap. Always interactive.
void drawListRow(Canvas& canvas, const Interaction& interaction, HitRegions& regions, Rect rect,
                 std::wstring_view label, uint16_t command, bool selected, bool first, bool last, int32_t argument);

// `value` in 0..1. The label is not drawn here: the page draws the slider's caption.
void drawSlider(Canvas& canvas, const Interaction& interaction, HitRegions& regions, Rect rect, double value,
                uint16_t command, std::wstring_view label, bool enabled);
// The value in 0..1 under `x` while dragging the slider of `region`, matching the drawn knob.
double sliderValueAt(const HitRegion& region, float x);

void drawTextField(Canvas& canvas, const Interaction& interaction, HitRegions& regions, Rect rect,
                   const TextField& field, uint16_t command, std::wstring_view placeholder);

// The selection square of a table row; the caller records the row's region.
void drawTickBox(Canvas& canvas, const Interaction& interaction, Rect rect, uint16_t command, int32_t argument,
                 bool selected);

}  // namespace tolzeb::ui
