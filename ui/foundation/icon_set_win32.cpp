#include <d2d1.h>

#include <vector>

#include "ui/foundation/arc_curves.h"
#include "ui/foundation/d2d_values_win32.h"
#include "ui/foundation/icon_set.h"

namespace tolzeb::ui {
namespace {

// Arcs go in as Bezier curves: some Direct2D implementations draw no arcs, and the curves look
// the same everywhere.
void addFigure(ID2D1GeometrySink* sink, const IconFigure& figure) {
  sink->BeginFigure(toD2D(figure.start),
                    figure.filled ? D2D1_FIGURE_BEGIN_FILLED : D2D1_FIGURE_BEGIN_HOLLOW);
  Point at = figure.start;
  for (const IconSegment& segment : figure.segments) {
    if (segment.radius > 0) {
      std::vector<D2D1_BEZIER_SEGMENT> curves;
      for (const CubicBezier& curve :
           arcToBeziers(at, segment.to, segment.radius, segment.clockwise, segment.largeArc)) {
        curves.push_back({toD2D(curve.control1), toD2D(curve.control2), toD2D(curve.end)});
      }
      if (!curves.empty()) sink->AddBeziers(curves.data(), static_cast<UINT32>(curves.size()));
    } else {
      sink->AddLine(toD2D(segment.to));
    }
    at = segment.to;
  }
  sink->EndFigure(figure.closed ? D2D1_FIGURE_END_CLOSED : D2D1_FIGURE_END_OPEN);
}

ID2D1PathGeometry* buildIcon(ID2D1Factory* factory, Icon icon) {
  ID2D1PathGeometry* geometry = nullptr;
  if (FAILED(factory->CreatePathGeometry(&geometry))) return nullptr;
  ID2D1GeometrySink* sink = nullptr;
  if (FAILED(geometry->Open(&sink))) {
    geometry->Release();
    return nullptr;
  }
  // The fill mode stays alternate, so a filled figure inside another one cuts a hole.
  for (const IconFigure& figure : iconFigures(icon)) addFigure(sink, figure);
  const HRESULT closed = sink->Close();
  sink->Release();
  if (FAILED(closed)) {
    geometry->Release();
    return nullptr;
  }
  return geometry;
}

}  // namespace

IconSet::~IconSet() { release(); }

bool IconSet::build(ID2D1Factory* factory) {
  if (factory == nullptr) return false;
  for (Icon icon : kIconBuildOrder) {
    ID2D1PathGeometry* geometry = buildIcon(factory, icon);
    if (geometry == nullptr) continue;
    ID2D1PathGeometry*& slot = slots_[static_cast<int>(icon)];
    if (slot != nullptr) slot->Release();
    slot = geometry;
  }
  return true;
}

ID2D1PathGeometry* IconSet::geometry(Icon icon) const {
  return isIcon(icon) ? slots_[static_cast<int>(icon)] : nullptr;
}

void IconSet::release() {
  for (ID2D1PathGeometry*& slot : slots_) {
    if (slot != nullptr) slot->Release();
    slot = nullptr;
  }
}

}  // namespace tolzeb::ui
