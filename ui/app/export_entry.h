// The export task: one archive entry extracted into a folder under a free name, through a
// staging folder of its own, so that nothing in the folder is ever overwritten.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/status.h"
#include "engine/core/types.h"
#include "formats/engine_calls.h"
#include "ui/app/task_types.h"

namespace tolzeb::ui {

// Names tried for one export: the entry's name, then "name (2).ext" and so on.
inline constexpr uint64_t kMaxExportNameTries = 1000;

struct ExportedEntry {
  ArchiveStats stats;  // of the extraction
  std::wstring path;   // the exported file's full path
};

// Extracts the request's one selected entry from `path` into `destination`.
Result<ExportedEntry> exportEntries(const EngineCalls& engine, const TaskRequest& request,
                                    const ProgressCallback& progress);

// n of 0 or 1: the name unchanged; otherwise " (n)" before the last '.' of the name when that
// '.' is not its first character, else at the end: Photos.zeb, 2 -> Photos (2).zeb.
std::wstring numberedName(const std::wstring& name, uint64_t n);

}  // namespace tolzeb::ui
