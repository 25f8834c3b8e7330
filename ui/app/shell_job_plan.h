// Planning a shell job: the concrete steps for what the user clicked in Explorer, with archive
// and folder names chosen so that nothing existing is overwritten. Pure: the file system is seen
// only through the predicates the caller hands in, and a predicate that cannot tell answers false.
// Paths use '\' or '/' as separators.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/app/shell_job.h"

namespace tolzeb::ui {

using PathPredicate = std::function<bool(const std::wstring&)>;

// Candidates tried for a free archive or folder name: the name, then "name (2)" to "name (1000)".
inline constexpr uint64_t kMaxShellNameTries = 1000;

struct ShellStep {
  int32_t operation = 0;             // the job's ShellOperation value
  std::vector<std::wstring> inputs;  // Compress: every path of the job, in order
  std::wstring target;               // the archive to create, or the archive to extract or test
  std::wstring destination;          // ExtractHere, ExtractToFolder: the folder to extract into
  std::wstring archiveName;          // Compress: the name before numbering, such as "Photos.zeb"
};

struct ShellPlan {
  std::vector<ShellStep> steps;  // in the order of the job's paths
  std::wstring error;            // empty for a good plan; else one localised sentence, and no steps
};

// The empty path, "C:", "C:\", "\\server\share" and "\\?\C:\" are roots; "C:\x" and "\x" are not.
bool isRootPath(const std::wstring& path);
// The folder that holds `path`: "C:\" for "C:\file", "\" for "\file"; empty for a root or a
// path without a separator.
std::wstring parentFolder(const std::wstring& path);
// The last component, trailing separators ignored.
std::wstring pathLeaf(const std::wstring& path);
std::wstring pathInFolder(const std::wstring& folder, const std::wstring& name);
// The archive's file name without its archive extension; ".tar.gz" goes whole.
std::wstring archiveStem(const std::wstring& name);
// The name of a new archive of `paths`, without extension: a folder's own name, a file's name
// without its extension, or for several items the name of their folder ("Archive" on a drive).
std::wstring defaultArchiveName(const std::vector<std::wstring>& paths, const PathPredicate& isDirectory);
// The first of numberedName(name, 1) to numberedName(name, limit) for which
// taken(pathInFolder(folder, candidate)) is false (the name alone); empty when all are taken.
std::wstring firstFreeName(const std::wstring& name, const PathPredicate& taken, const std::wstring& folder,
                           uint64_t limit);

// Plans the job; `extension` is that of new archives, dot included. `reservedTargets` are the
// archives that queued or running create tasks are about to write: a new archive never takes one
// of their names, compared without regard to case, although none exists yet.
ShellPlan planShellJob(const shell::ShellJob& job, const PathPredicate& exists, const PathPredicate& isDirectory,
                       const std::wstring& extension, const std::vector<std::wstring>& reservedTargets = {});

// For a create step about to run: its target while that is free, else the first free numbered
// name of its archive name in the same folder; empty when all are taken. An archive that
// appeared after planning is never replaced.
std::wstring freeCreateTarget(const ShellStep& step, const PathPredicate& exists);

}  // namespace tolzeb::ui
