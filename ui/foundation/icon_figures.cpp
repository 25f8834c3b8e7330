#include <cmath>
#include <numbers>
#include <utility>

#include "ui/foundation/icons.h"

namespace tolzeb::ui {
namespace {

// Builds one figure segment by segment.
class FigureBuilder {
 public:
  explicit FigureBuilder(Point start, bool filled = false) {
    figure_.start = start;
    figure_.filled = filled;
  }
  FigureBuilder& line(Point to) {
    figure_.segments.push_back({to});
    return *this;
  }
  FigureBuilder& arc(Point to, float radius, bool clockwise, bool largeArc = false) {
    figure_.segments.push_back({to, radius, clockwise, largeArc});
    return *this;
  }
  IconFigure open() { return std::move(figure_); }
  IconFigure closed() {
    figure_.closed = true;
    return std::move(figure_);
  }

 private:
  IconFigure figure_;
};

IconFigure polyline(std::initializer_list<Point> points) {
  FigureBuilder builder(*points.begin());
  for (auto it = points.begin() + 1; it != points.end(); ++it) builder.line(*it);
  return builder.open();
}

IconFigure polygon(std::initializer_list<Point> points, bool filled) {
  FigureBuilder builder(*points.begin(), filled);
  for (auto it = points.begin() + 1; it != points.end(); ++it) builder.line(*it);
  return builder.closed();
}

// Two clockwise half circles from `start` through the opposite point and back.
IconFigure circleThrough(Point start, Point opposite, float radius, bool filled) {
  return FigureBuilder(start, filled).arc(opposite, radius, true).arc(start, radius, true).closed();
}

// A circle starting at its top point.
IconFigure circle(Point centre, float radius, bool filled) {
  return circleThrough({centre.x, centre.y - radius}, {centre.x, centre.y + radius}, radius,
                       filled);
}

IconFigure roundedRectangle(float left, float top, float right, float bottom, float r,
                            bool filled) {
  return FigureBuilder({left + r, top}, filled)
      .line({right - r, top})
      .arc({right, top + r}, r, true)
      .line({right, bottom - r})
      .arc({right - r, bottom}, r, true)
      .line({left + r, bottom})
      .arc({left, bottom - r}, r, true)
      .line({left, top + r})
      .arc({left + r, top}, r, true)
      .closed();
}

// A point on the circle of radius `radius` around the grid centre, at `degrees` (clockwise
// from the x axis on the screen), computed in single precision.
Point onGearCircle(float radius, float degrees) {
  const float radians = degrees * (std::numbers::pi_v<float> / 180.0f);
  return {12 + radius * std::cos(radians), 12 + radius * std::sin(radians)};
}

std::vector<IconFigure> gear() {
  std::vector<IconFigure> figures;
  figures.push_back(circle({12, 12}, 5, false));
  for (int k = 0; k < 8; ++k) {
    const float a = 45.0f * static_cast<float>(k);
    figures.push_back(polygon({onGearCircle(7.3f, a - 13), onGearCircle(9.9f, a - 13),
                               onGearCircle(9.9f, a + 13), onGearCircle(7.3f, a + 13)},
                              false));
  }
  return figures;
}

std::vector<IconFigure> sliders() {
  std::vector<IconFigure> figures;
  const Point rows[] = {{15, 7}, {9, 12}, {16.5f, 17}};  // knob x, row y
  for (Point row : rows) {
    const float x = row.x, y = row.y;
    figures.push_back(polyline({{3.5f, y}, {20.5f, y}}));
    figures.push_back(circleThrough({x - 2.1f, y}, {x + 2.1f, y}, 2.1f, false));
  }
  return figures;
}

}  // namespace

bool iconIsFilled(Icon icon) {
  return icon == Icon::Archive || icon == Icon::Lock || icon == Icon::Document ||
         icon == Icon::Heart;
}

float iconStrokeWidth(Icon icon) {
  switch (icon) {
    case Icon::Tools:
      return 2.5f;
    case Icon::ChevronRight:
      return 2.4f;
    case Icon::Minimize:
    case Icon::Maximize:
    case Icon::Restore:
    case Icon::Close:
      return 1.4f;
    default:
      return 2.0f;
  }
}

std::vector<IconFigure> iconFigures(Icon icon) {
  switch (icon) {
    case Icon::Home:
      return {polyline({{3, 10.5f}, {12, 3}, {21, 10.5f}}),
              polyline({{5.5f, 9.5f}, {5.5f, 20}, {18.5f, 20}, {18.5f, 9.5f}})};
    case Icon::Archive: {
      std::vector<IconFigure> figures;
      for (float y : {6.5f, 12.0f, 17.5f})
        figures.push_back(polygon({{12, y - 3.6f}, {21, y}, {12, y + 3.6f}, {3, y}}, true));
      return figures;
    }
    case Icon::Extract:
      return {polyline({{12, 15}, {12, 3.5f}}), polyline({{7, 8.5f}, {12, 3.5f}, {17, 8.5f}}),
              polyline({{4, 14}, {4, 20}, {20, 20}, {20, 14}})};
    case Icon::Tools:
      return {polyline(
                  {{18.5f, 3.7f}, {21, 8}, {18.5f, 12.3f}, {13.5f, 12.3f}, {11, 8}, {13.5f, 3.7f}}),
              polyline({{15.1f, 12.9f}, {5.4f, 20.4f}})};
    case Icon::Settings:
      return gear();
    case Icon::Search:
      return {circle({10.5f, 10.5f}, 6, false), polyline({{15.2f, 15.2f}, {20, 20}})};
    case Icon::Add:
      return {polyline({{12, 5}, {12, 19}}), polyline({{5, 12}, {19, 12}})};
    case Icon::Folder:
      return {polygon({{3, 7}, {9.5f, 7}, {11.5f, 9.5f}, {21, 9.5f}, {21, 19}, {3, 19}}, false)};
    case Icon::Lock:
      return {FigureBuilder({7.4f, 9.6f}, true)
                  .arc({16.6f, 9.6f}, 4.6f, true)
                  .line({14.8f, 9.6f})
                  .arc({9.2f, 9.6f}, 2.8f, false)
                  .closed(),
              roundedRectangle(4.6f, 9.6f, 19.4f, 21, 2.6f, true), circle({12, 14.6f}, 1.7f, true),
              polygon({{11.1f, 15.4f}, {12.9f, 15.4f}, {12.4f, 18.6f}, {11.6f, 18.6f}}, true)};
    case Icon::Sliders:
      return sliders();
    case Icon::ChevronRight:
      return {polyline({{9, 5}, {16, 12}, {9, 19}})};
    case Icon::Gauge:
      return {FigureBuilder({3.6f, 17.5f}).arc({20.4f, 17.5f}, 9, true, true).open(),
              polyline({{12, 16.5f}, {16.5f, 9.5f}})};
    case Icon::Leaf:
      return {FigureBuilder({4.5f, 19.5f}).arc({19.5f, 4.5f}, 15, true).open(),
              FigureBuilder({19.5f, 4.5f}).arc({4.5f, 19.5f}, 15, true).open(),
              polyline({{6.5f, 17.5f}, {17, 7}})};
    case Icon::Document:
      return {polygon({{5, 2.5f}, {14, 2.5f}, {19, 7.5f}, {19, 21.5f}, {5, 21.5f}}, true)};
    case Icon::TaskList:
      return {polyline({{10, 6.5f}, {20, 6.5f}}),
              polyline({{10, 12}, {20, 12}}),
              polyline({{10, 17.5f}, {20, 17.5f}}),
              polyline({{3.5f, 6.5f}, {5.2f, 8.2f}, {8.2f, 4.4f}}),
              polyline({{3.6f, 12}, {6.4f, 12}}),
              polyline({{3.6f, 17.5f}, {6.4f, 17.5f}})};
    case Icon::Heart:
      return {FigureBuilder({12, 8.6f}, true)
                  .arc({4.4f, 8.6f}, 3.8f, false)
                  .line({12, 20.4f})
                  .line({19.6f, 8.6f})
                  .arc({12, 8.6f}, 3.8f, false)
                  .closed()};
    case Icon::Minimize:
      return {polyline({{6, 12}, {18, 12}})};
    case Icon::Maximize:
      return {polygon({{6.5f, 6.5f}, {17.5f, 6.5f}, {17.5f, 17.5f}, {6.5f, 17.5f}}, false)};
    case Icon::Restore:
      return {polygon({{5.5f, 9}, {15, 9}, {15, 18.5f}, {5.5f, 18.5f}}, false),
              polyline({{9, 9}, {9, 5.5f}, {18.5f, 5.5f}, {18.5f, 15}, {15, 15}})};
    case Icon::Close:
      return {polyline({{6.5f, 6.5f}, {17.5f, 17.5f}}), polyline({{17.5f, 6.5f}, {6.5f, 17.5f}})};
    default:
      return {};
  }
}

}  // namespace tolzeb::ui
