// Writing the entries of a ".zeb" archive, or a chosen subset, under a destination folder.
// Folders and empty files come first; the chunks that hold selected file data are then decoded
// in parallel and written in order by the calling thread.
//
// Files reach their places as extraction_run.h describes. A failure midway keeps what was
// finished and deletes only the file being written.
#pragma once

#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"
#include "engine/extract/extraction_run.h"

namespace tolzeb {

// `selection` holds archive paths, matched exactly; empty selects everything. Naming a folder
// selects that folder entry only. Progress: phase Restoring after each decoded chunk, then Done.
Result<ArchiveStats> extractArchive(const std::wstring& archivePath, const std::wstring& destination,
                                    const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                    const ProgressCallback& progress);

}  // namespace tolzeb
