// The twenty vector icons of the interface, described as figures on a 24 x 24 design grid
// (x to the right, y downwards, centre 12, 12). The platform turns them into path geometries
// (icon_set.h); the description itself is shared so that it can be checked anywhere.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ui/foundation/draw_types.h"

namespace tolzeb::ui {

enum class Icon : uint8_t {
  Home = 0,
  Archive = 1,
  Extract = 2,
  Tools = 3,
  Settings = 4,
  Search = 5,
  Add = 6,
  Folder = 7,
  Lock = 8,
  Sliders = 9,
  ChevronRight = 10,
  Gauge = 11,
  Leaf = 12,
  Document = 13,
  TaskList = 14,
  Heart = 15,
  Minimize = 16,
  Maximize = 17,
  Restore = 18,
  Close = 19,
  None = 20,
};
inline constexpr int kIconCount = 20;
inline constexpr float kIconGridSize = 24;

constexpr bool isIcon(Icon icon) { return static_cast<int>(icon) < kIconCount; }

// The order in which an icon set builds its icons.
inline constexpr std::array<Icon, kIconCount> kIconBuildOrder = {
    Icon::Home,     Icon::Archive,      Icon::Extract,  Icon::Tools,   Icon::Settings,
    Icon::Search,   Icon::Add,          Icon::Folder,   Icon::Lock,    Icon::Sliders,
    Icon::TaskList, Icon::ChevronRight, Icon::Gauge,    Icon::Leaf,    Icon::Heart,
    Icon::Document, Icon::Minimize,     Icon::Maximize, Icon::Restore, Icon::Close,
};

// Archive, Lock, Document and Heart are filled; the others are stroked.
bool iconIsFilled(Icon icon);
// Stroke width in grid units for stroked icons.
float iconStrokeWidth(Icon icon);

// One piece of a figure: a straight line to `to`, or, when `radius` is above 0, a circular arc
// of that radius to `to`, clockwise as seen on the screen (y downwards) or not.
struct IconSegment {
  Point to;
  float radius = 0;
  bool clockwise = true;
  bool largeArc = false;
};

struct IconFigure {
  Point start;
  std::vector<IconSegment> segments;
  bool closed = false;
  bool filled = false;  // matters only for the filled icons
};

// The figures of one icon in drawing order; empty for ids above 19. Figures of a filled icon
// that lie inside another cut holes under the alternate fill rule.
std::vector<IconFigure> iconFigures(Icon icon);

}  // namespace tolzeb::ui
