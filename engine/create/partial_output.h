// Staged output: a new archive is written under its target's name with ".partial" appended and
// replaces the target only once it is complete and on disk, so a failed or cancelled write never
// leaves a half-written archive under the final name, and an existing target stays untouched
// until the last step.
//
// Protocol of a staged writer:
//   partial = partialPathFor(target);
//   open with openPartialOutput(partial)       a failure is returned as it is: nothing exists yet
//   write everything                           every failure: return abandonPartialOutput(...)
//   commitPartialOutput(handle, partial, target)
#pragma once

#include <string>

#include "engine/core/fs.h"
#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

inline constexpr wchar_t kPartialSuffix[] = L".partial";

// The target followed by ".partial": same folder, so the final move is a rename on one volume.
std::wstring partialPathFor(const std::wstring& target);

// Creates the staging file anew: a leftover of an earlier run, or a link in its place, is removed
// first (the link, not what it names), and the file is created exclusively.
Result<UniqueHandle> openPartialOutput(const std::wstring& partialPath);

// Closes the handle, deletes the staging file (a failure to delete is not reported) and returns
// the failure that ended the write, unchanged.
Result<ArchiveStats> abandonPartialOutput(UniqueHandle& handle, const std::wstring& partialPath, Failure&& failure);

// Flushes, closes and moves the staging file over the target. On any failure the staging file
// is deleted (silently) and the target keeps its old content or stays absent.
Status commitPartialOutput(UniqueHandle& handle, const std::wstring& partialPath, const std::wstring& target);

}  // namespace tolzeb
