// The named colours of the widgets.
#pragma once

#include "ui/foundation/draw_types.h"

namespace tolzeb::ui::palette {

inline constexpr Color brandRed = rgb(200, 0, 24);
inline constexpr Color brandPressed = rgb(181, 0, 23);
inline constexpr Color captionHover = rgb(226, 11, 34);
inline constexpr Color brandTint = rgb(255, 231, 235);
inline constexpr Color white = rgb(255, 255, 255);
inline constexpr Color textPrimary = rgb(24, 25, 31);
inline constexpr Color textSecondary = rgb(102, 108, 117);
inline constexpr Color textDisabled = rgb(168, 174, 183);
inline constexpr Color divider = rgb(216, 220, 227);
inline constexpr Color dividerDisabled = rgb(232, 234, 238);
inline constexpr Color disabledFill = rgb(227, 229, 233);
inline constexpr Color hoverOverlay = rgb(0, 0, 0, 0.04f);
inline constexpr Color track = rgb(230, 232, 236);
inline constexpr Color trackDisabled = rgb(237, 238, 241);
inline constexpr Color trackFillDisabled = rgb(201, 205, 212);
inline constexpr Color knobDisabled = rgb(221, 224, 229);
inline constexpr Color fieldFill = rgb(247, 248, 250);
inline constexpr Color transparent = rgb(255, 255, 255, 0);

}  // namespace tolzeb::ui::palette
