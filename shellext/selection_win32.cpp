#include "shellext/selection.h"

#include "shellext/job_image.h"
#include "ui/foundation/com_owner_win32.h"

namespace tolzeb::shell {
namespace {

using ui::ComOwner;

// The item's file-system path; empty when it has none.
std::wstring fileSystemPath(IShellItem* item) {
  PWSTR text = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &text)) || !text) return {};
  std::wstring path = text;
  CoTaskMemFree(text);
  return path;
}

}  // namespace

SelectionSummary classifySelection(IShellItemArray* items, uint64_t maximum) {
  SelectionSummary summary;
  DWORD count = 0;
  if (!items || FAILED(items->GetCount(&count)) || count == 0) return summary;
  uint64_t limit = maximum < count ? maximum : count;
  for (uint64_t i = 0; i < limit; ++i) {
    ComOwner<IShellItem> item;
    if (FAILED(items->GetItemAt(DWORD(i), item.out())) || !item) {
      ++summary.unresolved;
      continue;
    }
    std::wstring path = fileSystemPath(item.get());
    if (path.empty()) {
      ++summary.unresolved;
      continue;
    }
    SFGAOF attributes = 0;
    // S_FALSE only says not every asked-for bit is set; the bits are still valid.
    HRESULT read = item->GetAttributes(SFGAO_FOLDER | SFGAO_STREAM, &attributes);
    if (SUCCEEDED(read) && (attributes & (SFGAO_FOLDER | SFGAO_STREAM)) == SFGAO_FOLDER) {
      ++summary.folders;
    } else {
      ++summary.files;
      if (isArchiveName(path)) ++summary.archives;
    }
    summary.paths.push_back(std::move(path));
  }
  return summary;
}

bool selectionPaths(IShellItemArray* items, std::vector<std::wstring>& paths) {
  paths.clear();
  DWORD count = 0;
  if (!items || FAILED(items->GetCount(&count)) || count < 1 || count > kMaxShellJobPaths) return false;
  for (DWORD i = 0; i < count; ++i) {
    ComOwner<IShellItem> item;
    if (FAILED(items->GetItemAt(i, item.out())) || !item) return false;
    std::wstring path = fileSystemPath(item.get());
    if (path.empty()) return false;
    paths.push_back(std::move(path));
  }
  return true;
}

}  // namespace tolzeb::shell
