// A canvas that draws nothing and keeps every call, so that painters can be checked by what
// they ask to draw: texts, rectangles, colours, styles, icons and clips, in order.
#pragma once

#include <string>
#include <vector>

#include "ui/foundation/canvas.h"

namespace tolzeb::ui {

struct DrawCall {
  enum class Kind {
    Text,
    FillRect,
    FillRoundedRect,
    DrawRoundedRect,
    Line,
    Ellipse,
    PushClip,
    PopClip,
    Icon,
    Pixels,
    ProgramIcon,
  };
  Kind kind = Kind::FillRect;
  Rect rect;  // layout, fill, outline, clip, icon box or destination
  Color color;
  std::wstring text;  // Text
  TextStyle style = TextStyle::Body;
  TextAlign align = TextAlign::Leading;
  float radius = 0;        // rounded rectangles and circles
  float strokeWidth = 0;   // outlines and lines
  Point from;              // Line start; Ellipse centre
  Point to;                // Line end
  Icon icon = Icon::None;  // Icon
  float size = 0;          // Icon edge
  uint64_t key = 0;        // Pixels
};

class RecordingCanvas : public Canvas {
 public:
  // Text is measured with fixed metrics, the same on every machine: each UTF-16 unit advances
  // half the style's size, a line is 1.25 sizes high, and text wider than the maximum wraps
  // into as many lines as it needs.
  static constexpr float kAdvancePerSize = 0.5f;
  static constexpr float kLineHeightPerSize = 1.25f;

  void drawText(std::wstring_view text, TextStyle style, Rect layout, Color color,
                TextAlign align) override;
  Size measureText(std::wstring_view text, TextStyle style, float maxWidth) override;
  void fillRect(Rect rect, Color color) override;
  void fillRoundedRect(Rect rect, float radius, Color color) override;
  void drawRoundedRect(Rect rect, float radius, Color color, float strokeWidth) override;
  void drawLine(Point from, Point to, Color color, float width) override;
  void fillEllipse(Point centre, float radius, Color color) override;
  void pushClip(Rect rect) override;
  void popClip() override;
  void drawIcon(const IconSet& icons, Icon icon, Rect rect, Color color, float size) override;
  bool drawPixels(Rect destination, uint64_t key, const void* pixels, unsigned width,
                  unsigned height, unsigned stride) override;
  bool drawProgramIcon(Rect rect) override;

  const std::vector<DrawCall>& calls() const { return calls_; }
  void clearCalls() { calls_.clear(); }
  // Whether drawProgramIcon finds an icon to draw (it does by default).
  void setProgramIconAvailable(bool available) { programIconAvailable_ = available; }

 private:
  DrawCall& record(DrawCall::Kind kind);

  std::vector<DrawCall> calls_;
  bool programIconAvailable_ = true;
};

}  // namespace tolzeb::ui
