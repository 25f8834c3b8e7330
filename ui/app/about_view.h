// The about window without a window: its palettes, its layout and painting on a canvas, where its
// two controls (the web link and the OK button) are, and what keys and the mouse do to them. The
// window system's side lives in about_window_*.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ui/foundation/canvas.h"

namespace tolzeb::ui {

// The content is laid out on this fixed width, in DIPs.
inline constexpr float kAboutWidth = 480;
// The product's site: shown, measured and handed to the browser as it is.
inline constexpr const wchar_t* kProductAddress = L"https://tolzeb.org";

struct AboutPalette {
  Color background;  // also the OK label
  Color footer;
  Color text;  // also the focus ring
  Color secondary;
  Color rule;
  Color accent;
  Color link;
  Color hoverOverlay;
  Color pressedOverlay;
};

AboutPalette aboutPalette(bool dark);

// The theme override from the environment ("dark" or "light" in any case; no value, an empty one
// or one of 16 characters or more leaves the choice to the system), else the system's
// "AppsUseLightTheme" value: dark exactly when it was read and is 0.
bool aboutDarkTheme(const std::optional<std::wstring>& environmentValue, std::optional<uint32_t> appsUseLightTheme);

// The two controls; -1 names neither.
inline constexpr int kAboutNone = -1;
inline constexpr int kAboutLink = 0;
inline constexpr int kAboutOk = 1;

enum class AboutAction : uint8_t { None, OpenLink, Close };

// Measures `text` at `width` and, when `draw` is set, draws it at (x, y); returns its height.
float drawWrappedText(Canvas& canvas, std::wstring_view text, TextStyle style, float x, float y, float width,
                      Color color, bool draw);

struct AboutView {
  explicit AboutView(bool dark) : palette(aboutPalette(dark)) {}

  // A layout pass when `draw` is false: it sets the controls' rectangles and the content height,
  // which it returns, and draws nothing.
  float paint(Canvas& canvas, const IconSet& icons, bool draw);
  // kAboutOk inside the OK button (edges included), else kAboutLink inside the link, else kAboutNone.
  int hitTest(float x, float y) const;

  struct KeyResult {
    bool handled = false;
    bool repaint = false;
    AboutAction action = AboutAction::None;
  };
  KeyResult keyDown(unsigned virtualKey);
  // Each returns whether the window needs painting again.
  bool mouseMove(float x, float y);
  bool mouseDown(float x, float y);  // true also means: capture the mouse
  bool mouseLeave();
  // What a release at (x, y) activates: only the control the press began on, released over it.
  AboutAction mouseUp(float x, float y);
  bool handCursor() const { return hover == kAboutLink; }

  AboutPalette palette;
  // The version text of the program; empty when it has none.
  std::wstring version;
  float contentHeight = 0;
  Rect linkRect;
  Rect closeRect;
  int focus = kAboutOk;
  bool focusVisible = false;
  int hover = kAboutNone;
  int pressed = kAboutNone;
};

// Window sizes and places in whole pixels.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

// The client area for content `contentHeight` DIPs high at `dpi`: 480 DIPs wide, both rounded.
void aboutClientPixels(float contentHeight, float dpi, int& width, int& height);

// The top-left corner of a window of `width` x `height` centred on `reference` (integer halves),
// kept inside `workArea` when it is known.
void centredPosition(const PixelRect& reference, int width, int height, const std::optional<PixelRect>& workArea,
                     int& x, int& y);

}  // namespace tolzeb::ui
