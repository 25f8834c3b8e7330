#include "ui/foundation/arc_curves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tolzeb::ui {
namespace {

constexpr double kPi = std::numbers::pi;

// The sweep from angle `from` to angle `to` in the given direction, in (0, 2 pi] clockwise
// (increasing angle with y downwards) or [-2 pi, 0) counter-clockwise.
double sweepBetween(double from, double to, bool clockwise) {
  double sweep = clockwise ? to - from : from - to;
  while (sweep <= 0) sweep += 2 * kPi;
  while (sweep > 2 * kPi) sweep -= 2 * kPi;
  return clockwise ? sweep : -sweep;
}

}  // namespace

std::vector<CubicBezier> arcToBeziers(Point from, Point to, float radius, bool clockwise,
                                      bool largeArc) {
  const double dx = to.x - from.x;
  const double dy = to.y - from.y;
  const double chord = std::hypot(dx, dy);
  if (chord == 0) return {};
  const double r = std::max<double>(radius, chord / 2);
  const double midX = (from.x + to.x) / 2.0;
  const double midY = (from.y + to.y) / 2.0;
  const double offset = std::sqrt(std::max(0.0, r * r - chord * chord / 4));
  const double normalX = -dy / chord;
  const double normalY = dx / chord;

  // Of the two centres on the chord's perpendicular, take the one whose arc in the wanted
  // direction has the wanted size.
  double centreX = midX, centreY = midY, startAngle = 0, sweep = 0;
  for (double side : {1.0, -1.0}) {
    centreX = midX + side * offset * normalX;
    centreY = midY + side * offset * normalY;
    startAngle = std::atan2(from.y - centreY, from.x - centreX);
    const double endAngle = std::atan2(to.y - centreY, to.x - centreX);
    sweep = sweepBetween(startAngle, endAngle, clockwise);
    const bool isLarge = std::fabs(sweep) > kPi + 1e-9;
    if (isLarge == largeArc || offset == 0) break;
  }

  const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-9)));
  const double step = sweep / pieces;
  // Control distance of a cubic that matches a circular arc of `step` radians.
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  std::vector<CubicBezier> curves;
  double angle = startAngle;
  for (int i = 0; i < pieces; ++i) {
    const double next = angle + step;
    const double c0 = std::cos(angle), s0 = std::sin(angle);
    const double c1 = std::cos(next), s1 = std::sin(next);
    CubicBezier curve;
    curve.control1 = {static_cast<float>(centreX + r * (c0 - k * s0)),
                      static_cast<float>(centreY + r * (s0 + k * c0))};
    curve.control2 = {static_cast<float>(centreX + r * (c1 + k * s1)),
                      static_cast<float>(centreY + r * (s1 - k * c1))};
    curve.end = {static_cast<float>(centreX + r * c1), static_cast<float>(centreY + r * s1)};
    curves.push_back(curve);
    angle = next;
  }
  // The last piece ends exactly where asked, so closed figures meet without a seam.
  curves.back().end = to;
  return curves;
}

}  // namespace tolzeb::ui
