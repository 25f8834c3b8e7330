// Turns the caller's files and folders into the sorted entries of a new archive, each with a
// unique archive path. Reads only directory listings and attributes; changes nothing on disk.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "engine/core/fs.h"
#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

// Trailing separators go, except the one that makes a root: "C:\" on Windows, "/" on POSIX.
void trimTrailingSeparators(std::wstring& path);

// A writer's record of one scanned item under the given source and archive paths.
SourceEntry sourceEntryFrom(const FileInfo& item, std::wstring sourcePath, std::wstring archivePath);

// The archive path of the item at `relative` ('/'-separated) below the source `root`: the
// root's own last component, then "/" and `relative` when the root is a folder and `relative`
// is not empty; normalised and checked by the entry-path rules.
Result<std::wstring> archiveNameFor(const std::wstring& root, const std::wstring& relative, bool rootIsDirectory);

// Every source and everything below the folder sources, links skipped and never followed,
// sorted by archive path in UTF-16 code-unit order. Folders of the same name from different
// places merge into one; two items with one archive path fail with code 2. With `include`, only
// the files whose archive paths it lists are kept (folders always are). Reports each item in the
// Scanning phase; a false answer fails with code 6 "Scan canceled".
Result<std::vector<SourceEntry>> scanSources(const std::vector<std::wstring>& sources, const ProgressCallback& progress,
                                             const Stopwatch& stopwatch, const std::set<std::wstring>* include);

}  // namespace tolzeb
