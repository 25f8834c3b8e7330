// Writing .tar and .tar.gz archives from files and folders chosen by the user.
#pragma once

#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

// Collects the sources into sorted entries and writes them as POSIX ustar headers (with a GNU
// long-name record for names the ustar fields cannot hold) and padded data, ended by two zero
// blocks. With `gzip` the tar is compressed as it is written, at `level` (1, 6 or 9), in bounded
// memory; without it `level` is unused. The archive is written under the output's
// name with ".partial" appended and moved over the output only when complete.
Result<ArchiveStats> createTar(const std::vector<std::wstring>& sources, const std::wstring& output, bool gzip,
                               int level, const ProgressCallback& progress);

}  // namespace tolzeb
