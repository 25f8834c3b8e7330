#include "ui/app/task_outcome.h"

namespace tolzeb::ui {

const char* cancelledSummaryKey(const TaskSnapshot& snapshot) {
  switch (taskKindOf(snapshot.kind)) {
    case TaskKind::Extract:
      // Every extraction moves each finished file into place, so what was extracted before the
      // cancel stays.
      return "task.cancelled_files_kept";
    case TaskKind::Verify:
    case TaskKind::Test:
    case TaskKind::Duplicates:
    case TaskKind::Compare:
    case TaskKind::Scan:
      return "task.cancelled_nothing_written";
    case TaskKind::Repair:
      // Each damaged group is rewritten in place as soon as it is rebuilt.
      return "task.cancelled_repair_kept";
    case TaskKind::Split:
      // Only the part being written is removed; the parts before it stay, and the archive was
      // never touched.
      return "task.cancelled_parts_kept";
    case TaskKind::Create:
      if (snapshot.keptArchive == KeptArchive::Unchecked) return "task.cancelled_archive_unchecked";
      if (snapshot.keptArchive == KeptArchive::WithoutRecord) return "task.cancelled_archive_without_record";
      break;
    default:
      break;
  }
  return "task.nothing_left_behind";
}

}  // namespace tolzeb::ui
