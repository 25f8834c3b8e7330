// The title and detail line of a task, as the task panel and the tasks page show it.
#include "engine/core/fs.h"
#include "ui/app/task_runner.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

std::wstring afterLast(const std::wstring& text, const wchar_t* separators) {
  const size_t cut = text.find_last_of(separators);
  return cut == std::wstring::npos ? text : text.substr(cut + 1);
}

std::wstring titled(const char* key, const std::wstring& name) {
  return i18n::translateWithArgs(key, {{"name", name}});
}

}  // namespace

void TaskRunner::describe(const TaskRequest& request, std::wstring& title, std::wstring& detail) {
  const wchar_t separators[] = {kPathSeparator, 0};
  const std::wstring name = afterLast(request.path, separators);
  title.clear();
  detail.clear();
  switch (taskKindOf(request.kind)) {
    case TaskKind::Create:
      title = titled("queue.create", name.empty() ? i18n::translate("queue.create_unnamed") : name);
      detail = request.sources.size() == 1
                   ? request.sources.front()
                   : i18n::translateWithArgs("queue.sources",
                                             {{"count", i18n::formatInteger(int64_t(request.sources.size()))}});
      return;
    case TaskKind::Extract:
      title = titled("queue.extract", name);
      detail = request.destination;
      return;
    case TaskKind::Export:
      title = titled("queue.export", request.selection.empty() ? i18n::translate("queue.export_unnamed")
                                                               : afterLast(request.selection.front(), L"/\\"));
      detail = request.destination;
      return;
    case TaskKind::Verify:
      title = titled("queue.verify", name);
      break;
    case TaskKind::Test:
      title = titled("queue.test", name);
      break;
    case TaskKind::Split:
      title = titled("queue.split", name);
      break;
    case TaskKind::Merge:
      title = i18n::translate("queue.merge");
      detail = request.destination;
      return;
    case TaskKind::Duplicates:
      title = titled("queue.duplicates", name);
      break;
    case TaskKind::Compare:
      title = titled("queue.compare", name);
      detail = request.compareFolder;
      return;
    case TaskKind::Scan:
      title = titled("queue.scan", name);
      break;
    case TaskKind::Repair:
      title = titled("queue.repair", name);
      break;
    default:
      title = i18n::translate("queue.untitled");
      return;
  }
  detail = request.path;
}

}  // namespace tolzeb::ui
