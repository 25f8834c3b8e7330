// Writing the entries of a ".zeb" archive, or a chosen subset, under a destination folder.
// Folders and empty files come first; the chunks that hold selected file data are then decoded
// in parallel and written in order by the calling thread.
//
// A new file is written under its final name; a file that replaces an existing one is written
// under its name with ".zebtmp" appended and moved over the old file once complete, so the old
// contents survive any failure before that. A failure midway keeps what was finished and deletes
// only the file being written.
#pragma once

#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

inline constexpr wchar_t kReplacementSuffix[] = L".zebtmp";

// `selection` holds archive paths, matched exactly; empty selects everything. Naming a folder
// selects that folder entry only. Progress: phase Restoring after each decoded chunk, then Done.
Result<ArchiveStats> extractArchive(const std::wstring& archivePath, const std::wstring& destination,
                                    const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                    const ProgressCallback& progress);

}  // namespace tolzeb
