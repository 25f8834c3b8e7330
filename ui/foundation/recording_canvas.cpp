#include "ui/foundation/recording_canvas.h"

#include <cmath>

namespace tolzeb::ui {

DrawCall& RecordingCanvas::record(DrawCall::Kind kind) {
  DrawCall& call = calls_.emplace_back();
  call.kind = kind;
  return call;
}

void RecordingCanvas::drawText(std::wstring_view text, TextStyle style, Rect layout, Color color,
                               TextAlign align) {
  if (text.empty() || !isTextStyle(style)) return;
  DrawCall& call = record(DrawCall::Kind::Text);
  call.text = text;
  call.style = style;
  call.rect = layout;
  call.color = color;
  call.align = align;
}

Size RecordingCanvas::measureText(std::wstring_view text, TextStyle style, float maxWidth) {
  if (text.empty() || !isTextStyle(style)) return {};
  const float size = textStyleSpec(style).size;
  const float width = static_cast<float>(text.size()) * size * kAdvancePerSize;
  float lines = 1;
  if (maxWidth > 0 && width > maxWidth) lines = std::ceil(width / maxWidth);
  return {lines > 1 ? maxWidth : width, lines * size * kLineHeightPerSize};
}

void RecordingCanvas::fillRect(Rect rect, Color color) {
  DrawCall& call = record(DrawCall::Kind::FillRect);
  call.rect = rect;
  call.color = color;
}

void RecordingCanvas::fillRoundedRect(Rect rect, float radius, Color color) {
  DrawCall& call = record(DrawCall::Kind::FillRoundedRect);
  call.rect = rect;
  call.radius = radius;
  call.color = color;
}

void RecordingCanvas::drawRoundedRect(Rect rect, float radius, Color color, float strokeWidth) {
  DrawCall& call = record(DrawCall::Kind::DrawRoundedRect);
  call.rect = rect;
  call.radius = radius;
  call.color = color;
  call.strokeWidth = strokeWidth;
}

void RecordingCanvas::drawLine(Point from, Point to, Color color, float width) {
  DrawCall& call = record(DrawCall::Kind::Line);
  call.from = from;
  call.to = to;
  call.color = color;
  call.strokeWidth = width;
}

void RecordingCanvas::fillEllipse(Point centre, float radius, Color color) {
  DrawCall& call = record(DrawCall::Kind::Ellipse);
  call.from = centre;
  call.radius = radius;
  call.color = color;
}

void RecordingCanvas::pushClip(Rect rect) { record(DrawCall::Kind::PushClip).rect = rect; }

void RecordingCanvas::popClip() { record(DrawCall::Kind::PopClip); }

void RecordingCanvas::drawIcon(const IconSet&, Icon icon, Rect rect, Color color, float size) {
  if (!isIcon(icon)) return;
  DrawCall& call = record(DrawCall::Kind::Icon);
  call.icon = icon;
  call.rect = rect;
  call.color = color;
  call.size = size;
}

bool RecordingCanvas::drawPixels(Rect destination, uint64_t key, const void* pixels, unsigned width,
                                 unsigned height, unsigned) {
  if (key == 0 || pixels == nullptr || width == 0 || height == 0) return false;
  DrawCall& call = record(DrawCall::Kind::Pixels);
  call.rect = destination;
  call.key = key;
  return true;
}

bool RecordingCanvas::drawProgramIcon(Rect rect) {
  if (!programIconAvailable_) return false;
  record(DrawCall::Kind::ProgramIcon).rect = rect;
  return true;
}

}  // namespace tolzeb::ui
