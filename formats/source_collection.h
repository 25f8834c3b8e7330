// The user's selection of files and folders, turned into the sorted entries that the zip, tar
// and 7z writers store. Same rules as the engine's own source scan, without progress, without an
// include set, and keeping a directly selected file that is a link (with the size of its target).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

// Every source and everything below the folder sources (links below a folder skipped), sorted by
// archive path in UTF-16 code-unit order. Same-named folders merge; two items with one archive
// path fail with code 2. Any failure discards everything gathered.
Result<std::vector<SourceEntry>> collectArchiveSources(const std::vector<std::wstring>& sources);

// The first `size` bytes of the file; a file that has shrunk below `size` fails with code 5.
Result<std::vector<uint8_t>> readWholeFile(const std::wstring& path, uint64_t size);

}  // namespace tolzeb
