// Writing new 7z archives: solid blocks of whole files, each one folder with one LZMA2 coder (or
// Copy when LZMA2 gains nothing), under a plain header with names, times, attributes and CRCs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

// The default and the largest solid block.
inline constexpr uint64_t kSevenZipDefaultSolidBlock = 0x4000000;
inline constexpr uint64_t kSevenZipLargestSolidBlock = 0x80000000;

// `level` goes to the LZMA2 encoder unchanged; a `solidBlockSize` of 0 means 64 MiB. The archive
// is staged under the output's name with ".partial" appended and moved into place at the end.
Result<ArchiveStats> createSevenZip(const std::vector<std::wstring>& sources, const std::wstring& output, int level,
                                    uint64_t solidBlockSize, const std::function<bool(const Progress&)>& progress);

// The smallest LZMA2 property byte whose dictionary holds `dictionarySize`.
Result<uint8_t> lzma2DictionaryByte(uint32_t dictionarySize);

}  // namespace tolzeb
