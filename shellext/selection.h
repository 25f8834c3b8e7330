// What Explorer's selection holds, as far as the menu needs to know.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tolzeb::shell {

struct SelectionSummary {
  std::vector<std::wstring> paths;
  uint64_t files = 0;
  uint64_t folders = 0;
  uint64_t archives = 0;    // files whose name isArchiveName accepts
  uint64_t unresolved = 0;  // items without a file-system path
};

// Looks at the first `maximum` items only. A zip that Explorer shows as a folder is a file.
SelectionSummary classifySelection(IShellItemArray* items, uint64_t maximum);

// Every item's file-system path, in order; false when any item has none, or the selection is
// empty or holds more than a job file can carry.
bool selectionPaths(IShellItemArray* items, std::vector<std::wstring>& paths);

}  // namespace tolzeb::shell
