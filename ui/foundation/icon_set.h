// The icons of one window as Direct2D path geometries, built once from iconFigures() and kept
// for the window's life: they belong to the factory, not to the render target, so they survive
// device loss and DPI changes (drawing scales them).
#pragma once

#include <array>

#include "ui/foundation/icons.h"

struct ID2D1Factory;
struct ID2D1PathGeometry;

namespace tolzeb::ui {

class IconSet {
 public:
  IconSet() = default;
  IconSet(const IconSet&) = delete;
  IconSet& operator=(const IconSet&) = delete;
  ~IconSet();

  // Builds every icon in kIconBuildOrder. False only for a null factory (or where there is no
  // Direct2D); an icon that fails keeps its previous slot (null at first) and is not drawn.
  bool build(ID2D1Factory* factory);
  // Null for ids above 19 and unbuilt icons.
  ID2D1PathGeometry* geometry(Icon icon) const;
  void release();

 private:
  std::array<ID2D1PathGeometry*, kIconCount> slots_{};
};

}  // namespace tolzeb::ui
