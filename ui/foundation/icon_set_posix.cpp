// Without Direct2D there are no geometries to build; the recording canvas draws icons by id.
#include "ui/foundation/icon_set.h"

namespace tolzeb::ui {

IconSet::~IconSet() = default;

bool IconSet::build(ID2D1Factory*) { return false; }

ID2D1PathGeometry* IconSet::geometry(Icon icon) const {
  return isIcon(icon) ? slots_[static_cast<int>(icon)] : nullptr;
}

void IconSet::release() {}

}  // namespace tolzeb::ui
