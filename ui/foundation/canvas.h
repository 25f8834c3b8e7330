// The drawing surface the painters draw on. The window's Direct2D renderer is one; a recording
// canvas that keeps every call is the other, so that layouts can be checked without pixels.
#pragma once

#include <cstdint>
#include <string_view>

#include "ui/foundation/draw_types.h"
#include "ui/foundation/icons.h"
#include "ui/foundation/text_styles.h"

namespace tolzeb::ui {

class IconSet;

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Wrapped at the rectangle's width, not clipped. Nothing for an empty text or a style above 9.
  virtual void drawText(std::wstring_view text, TextStyle style, Rect layout, Color color,
                        TextAlign align) = 0;
  // Width (trailing spaces included) and height of the text laid out at most `maxWidth` wide;
  // 0, 0 for an empty text or a style above 9.
  virtual Size measureText(std::wstring_view text, TextStyle style, float maxWidth) = 0;

  virtual void fillRect(Rect rect, Color color) = 0;
  virtual void fillRoundedRect(Rect rect, float radius, Color color) = 0;
  // The stroke lies inside `rect`: the outline runs on the rectangle inset by half the stroke.
  virtual void drawRoundedRect(Rect rect, float radius, Color color, float strokeWidth) = 0;
  virtual void drawLine(Point from, Point to, Color color, float width) = 0;
  // A filled circle.
  virtual void fillEllipse(Point centre, float radius, Color color) = 0;

  // Axis-aligned clip; calls are paired.
  virtual void pushClip(Rect rect) = 0;
  virtual void popClip() = 0;

  // One icon of edge `size` DIPs centred in `rect`; nothing for ids above 19.
  virtual void drawIcon(const IconSet& icons, Icon icon, Rect rect, Color color, float size) = 0;
  // Premultiplied BGRA pixels scaled into `destination`; the bitmap is kept while `key` stays
  // the same, so the caller changes the key whenever the pixels change. False for key 0, no
  // pixels or an empty size.
  virtual bool drawPixels(Rect destination, uint64_t key, const void* pixels, unsigned width,
                          unsigned height, unsigned stride) = 0;
  // The program icon fitted as a centred square; false when there is none to draw, so that the
  // caller draws a substitute.
  virtual bool drawProgramIcon(Rect rect) = 0;
};

}  // namespace tolzeb::ui
