// Wording that depends on what a finished task left behind.
#pragma once

#include "ui/app/task_types.h"

namespace tolzeb::ui {

// The catalogue key of a cancelled task's summary line, true to what the task left: the files an
// extraction had finished, the archive of a create stopped after it was in place, the groups a
// repair had rewritten, the parts a split had finished, nothing at all for the kinds that only
// read; every other cancelled task removes what it had begun to write.
const char* cancelledSummaryKey(const TaskSnapshot& snapshot);

}  // namespace tolzeb::ui
