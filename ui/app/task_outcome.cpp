#include "ui/app/task_outcome.h"

namespace tolzeb::ui {

const char* cancelledSummaryKey(const TaskSnapshot& snapshot) {
  // The foreign readers write each file under its final name, and a ".zeb" extraction moves each
  // finished file into place, so what was extracted before the cancel stays.
  if (taskKindOf(snapshot.kind) == TaskKind::Extract) return "task.cancelled_files_kept";
  switch (snapshot.keptArchive) {
    case KeptArchive::Unchecked:
      return "task.cancelled_archive_unchecked";
    case KeptArchive::WithoutRecord:
      return "task.cancelled_archive_without_record";
    case KeptArchive::None:
      break;
  }
  return "task.nothing_left_behind";
}

}  // namespace tolzeb::ui
