// Wording that depends on what a finished task left behind.
#pragma once

#include "ui/app/task_types.h"

namespace tolzeb::ui {

// The catalogue key of a cancelled task's summary line. A cancelled extraction keeps the files
// it had finished, and a create cancelled while checking its archive or adding its recovery
// record keeps the archive; every other cancelled task removes what it had begun to write.
const char* cancelledSummaryKey(const TaskSnapshot& snapshot);

}  // namespace tolzeb::ui
