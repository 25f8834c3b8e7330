// The one place that calls a progress callback.
#pragma once

#include "engine/core/types.h"

namespace tolzeb {

// True when the callback is empty; otherwise the callback's own answer. False asks the caller
// to stop, which every caller turns into a code 6 failure with its own message.
bool reportProgress(const ProgressCallback& callback, const Progress& progress);

}  // namespace tolzeb
