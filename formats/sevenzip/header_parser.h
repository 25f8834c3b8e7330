// Opening a 7z archive: the signature header, the next header (plain or packed) and the header
// database parsed into folders and an entry table, every count bounded before it sizes anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "engine/core/status.h"
#include "formats/sevenzip/sevenzip_format.h"

namespace tolzeb {

// `entryLimit` bounds the entries; 0 or anything above 2,000,000 means 2,000,000.
Result<SevenZipArchive> openSevenZip(const std::wstring& path, uint64_t entryLimit);

namespace sevenzip {

// Record readers: each starts after the record's own id byte (a Folder record has none).
Status readHeader(ByteReader& reader, uint64_t entryLimit, SevenZipStreamsInfo& streams,
                  std::vector<SevenZipEntry>& entries);
Status readStreamsInfo(ByteReader& reader, SevenZipStreamsInfo& streams);
Status readPackInfo(ByteReader& reader, SevenZipStreamsInfo& streams);
Status readUnpackInfo(ByteReader& reader, SevenZipStreamsInfo& streams);
Status readFolder(ByteReader& reader, SevenZipFolder& folder);
Status readSubStreamsInfo(ByteReader& reader, SevenZipStreamsInfo& streams);
Status readFilesInfo(ByteReader& reader, uint64_t entryLimit, const SevenZipStreamsInfo& streams,
                     std::vector<SevenZipEntry>& entries);
Result<std::vector<std::wstring>> parseNames(const uint8_t* bytes, uint64_t length, uint64_t entryCount);
// The plain header a packed one (after its 0x17) stands for.
Result<std::vector<uint8_t>> decodePackedHeader(const UniqueHandle& file, uint64_t fileSize, ByteReader& reader);

}  // namespace sevenzip
}  // namespace tolzeb
