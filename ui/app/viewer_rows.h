// The rows the archive viewer shows: entry indices in display order.
#pragma once

#include "ui/app/page_state.h"

namespace tolzeb::ui {

// Replaces `viewerRows` from `viewerEntries`. The rows are the entries in listing order; the
// filter and the sort orders join when the viewer page draws them.
void rebuildViewerRows(PageState& state);

}  // namespace tolzeb::ui
