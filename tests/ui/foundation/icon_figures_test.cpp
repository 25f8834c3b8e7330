#include <gtest/gtest.h>

#include <cmath>

#include "ui/foundation/arc_curves.h"
#include "ui/foundation/icons.h"

namespace tolzeb::ui {
namespace {

float distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

Point bezierAt(Point start, const CubicBezier& c, float t) {
  const float u = 1 - t;
  const float a = u * u * u, b = 3 * u * u * t, d = 3 * u * t * t, e = t * t * t;
  return {a * start.x + b * c.control1.x + d * c.control2.x + e * c.end.x,
          a * start.y + b * c.control1.y + d * c.control2.y + e * c.end.y};
}

// Samples every piece of the arc and returns the points, the start included.
std::vector<Point> sampleArc(Point from, const std::vector<CubicBezier>& curves) {
  std::vector<Point> points{from};
  Point start = from;
  for (const CubicBezier& curve : curves) {
    for (int i = 1; i <= 8; ++i) points.push_back(bezierAt(start, curve, i / 8.0f));
    start = curve.end;
  }
  return points;
}

TEST(ArcCurves, ArcsStayOnTheirCircleAndTurnTheAskedWay) {
  struct Case {
    const char* name;
    Point from, to;
    float radius;
    bool clockwise, large;
    Point centre;
    Point passes;  // a point the arc must come near
    size_t pieces;
  } cases[] = {
      {"half circle clockwise over the top",
       {7.4f, 9.6f},
       {16.6f, 9.6f},
       4.6f,
       true,
       false,
       {12, 9.6f},
       {12, 5},
       2},
      {"half circle counter-clockwise over the top",
       {14.8f, 9.6f},
       {9.2f, 9.6f},
       2.8f,
       false,
       false,
       {12, 9.6f},
       {12, 6.8f},
       2},
      {"half circle counter-clockwise under the bottom",
       {9.2f, 9.6f},
       {14.8f, 9.6f},
       2.8f,
       false,
       false,
       {12, 9.6f},
       {12, 12.4f},
       2},
      {"large gauge arc over the top",
       {3.6f, 17.5f},
       {20.4f, 17.5f},
       9,
       true,
       true,
       {12, 17.5f - std::sqrt(81 - 8.4f * 8.4f)},
       {12, 17.5f - std::sqrt(81 - 8.4f * 8.4f) - 9},
       3},
      {"quarter corner",
       {10, 0},
       {12, 2},
       2,
       true,
       false,
       {10, 2},
       {10 + std::sqrt(2.0f), 2 - std::sqrt(2.0f)},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto curves = arcToBeziers(c.from, c.to, c.radius, c.clockwise, c.large);
    ASSERT_EQ(curves.size(), c.pieces);
    EXPECT_EQ(curves.back().end, c.to);
    float nearest = 1e9f;
    for (Point p : sampleArc(c.from, curves)) {
      EXPECT_NEAR(distance(p, c.centre), c.radius, 0.01f);
      nearest = std::min(nearest, distance(p, c.passes));
    }
    EXPECT_LT(nearest, 0.05f);
  }
}

TEST(ArcCurves, DegenerateArcs) {
  EXPECT_TRUE(arcToBeziers({1, 1}, {1, 1}, 5, true, false).empty());
  // A radius too small for the chord grows to half of it: a half circle.
  const auto curves = arcToBeziers({0, 0}, {10, 0}, 1, true, false);
  for (Point p : sampleArc({0, 0}, curves)) EXPECT_NEAR(distance(p, {5, 0}), 5, 0.01f);
}

TEST(IconFigures, EveryIconLiesOnTheGridAndHasItsShape) {
  struct Case {
    Icon icon;
    size_t figures;
    bool filled;
    float stroke;
  } cases[] = {
      {Icon::Home, 2, false, 2},
      {Icon::Archive, 3, true, 2},
      {Icon::Extract, 3, false, 2},
      {Icon::Tools, 2, false, 2.5f},
      {Icon::Settings, 9, false, 2},
      {Icon::Search, 2, false, 2},
      {Icon::Add, 2, false, 2},
      {Icon::Folder, 1, false, 2},
      {Icon::Lock, 4, true, 2},
      {Icon::Sliders, 6, false, 2},
      {Icon::ChevronRight, 1, false, 2.4f},
      {Icon::Gauge, 2, false, 2},
      {Icon::Leaf, 3, false, 2},
      {Icon::Document, 1, true, 2},
      {Icon::TaskList, 6, false, 2},
      {Icon::Heart, 1, true, 2},
      {Icon::Minimize, 1, false, 1.4f},
      {Icon::Maximize, 1, false, 1.4f},
      {Icon::Restore, 2, false, 1.4f},
      {Icon::Close, 2, false, 1.4f},
  };
  ASSERT_EQ(std::size(cases), static_cast<size_t>(kIconCount));
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.icon));
    const auto figures = iconFigures(c.icon);
    ASSERT_EQ(figures.size(), c.figures);
    EXPECT_EQ(iconIsFilled(c.icon), c.filled);
    if (!c.filled) {
      EXPECT_FLOAT_EQ(iconStrokeWidth(c.icon), c.stroke);
    }
    for (const IconFigure& figure : figures) {
      EXPECT_EQ(figure.filled, c.filled);
      Point at = figure.start;
      for (const IconSegment& segment : figure.segments) {
        std::vector<Point> points{segment.to};
        if (segment.radius > 0) {
          points = sampleArc(at, arcToBeziers(at, segment.to, segment.radius, segment.clockwise,
                                              segment.largeArc));
        }
        for (Point p : points) {
          EXPECT_GE(p.x, 0);
          EXPECT_LE(p.x, kIconGridSize);
          EXPECT_GE(p.y, 0);
          EXPECT_LE(p.y, kIconGridSize);
        }
        at = segment.to;
      }
    }
  }
  EXPECT_TRUE(iconFigures(Icon::None).empty());
  EXPECT_TRUE(iconFigures(static_cast<Icon>(255)).empty());
}

TEST(IconFigures, GearTeethSitOnTheirCircles) {
  const auto figures = iconFigures(Icon::Settings);
  for (size_t k = 1; k < figures.size(); ++k) {
    const IconFigure& tooth = figures[k];
    ASSERT_TRUE(tooth.closed);
    ASSERT_EQ(tooth.segments.size(), 3u);
    EXPECT_NEAR(distance(tooth.start, {12, 12}), 7.3f, 1e-4f);
    EXPECT_NEAR(distance(tooth.segments[0].to, {12, 12}), 9.9f, 1e-4f);
    EXPECT_NEAR(distance(tooth.segments[1].to, {12, 12}), 9.9f, 1e-4f);
    EXPECT_NEAR(distance(tooth.segments[2].to, {12, 12}), 7.3f, 1e-4f);
  }
  // The first tooth points right: its middle is on the x axis.
  EXPECT_NEAR(figures[1].start.y + figures[1].segments[2].to.y, 24, 1e-4f);
}

}  // namespace
}  // namespace tolzeb::ui
