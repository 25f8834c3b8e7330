#include "ui/app/task_types.h"

namespace tolzeb::ui {

bool isFinished(TaskState state) {
  return state == TaskState::Done || state == TaskState::Failed || state == TaskState::Cancelled;
}

std::wstring outputPathOf(const TaskRequest& request) {
  switch (taskKindOf(request.kind)) {
    case TaskKind::Create:
    case TaskKind::Split:
    case TaskKind::Repair:
      return request.path;
    case TaskKind::Extract:
    case TaskKind::Export:
    case TaskKind::Merge:
      return request.destination;
    default:
      return std::wstring();
  }
}

}  // namespace tolzeb::ui
