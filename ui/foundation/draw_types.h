// The value types every drawing call takes: points and rectangles in device-independent pixels
// (DIPs, 1/96 inch) and colours as red, green, blue, alpha in 0..1.
#pragma once

namespace tolzeb::ui {

struct Point {
  float x = 0;
  float y = 0;
};

struct Rect {
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;

  float width() const { return right - left; }
  float height() const { return bottom - top; }
  float centreY() const { return (top + bottom) / 2; }
  // The rectangle grown by `by` on every side (shrunk when negative).
  Rect grown(float by) const { return {left - by, top - by, right + by, bottom + by}; }
};

struct Color {
  float r = 0;
  float g = 0;
  float b = 0;
  float a = 1;
};

// A colour from 0..255 channels, the way the palette is written down.
constexpr Color rgb(int red, int green, int blue, float alpha = 1) {
  return {red / 255.0f, green / 255.0f, blue / 255.0f, alpha};
}

constexpr bool operator==(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }
constexpr bool operator==(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
constexpr bool operator==(const Color& a, const Color& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

// A width and a height: measured text, or a target's size.
struct Size {
  float width = 0;
  float height = 0;
};

}  // namespace tolzeb::ui
