#include "ui/app/viewer_rows.h"

#include <numeric>

namespace tolzeb::ui {

void rebuildViewerRows(PageState& state) {
  state.viewerRows.resize(state.viewerEntries.size());
  std::iota(state.viewerRows.begin(), state.viewerRows.end(), int32_t(0));
}

}  // namespace tolzeb::ui
