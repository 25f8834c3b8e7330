// Decoding 7z folders: the packed streams run through the folder's coder graph into memory, and
// the archive keeps the last decoded folder so that its entries decode it once.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/status.h"
#include "formats/sevenzip/sevenzip_format.h"

namespace tolzeb {

// Every coder run inside a folder produces at most this much.
inline constexpr uint64_t kSevenZipCoderCap = 0x200000000;

// The folder's decoded bytes, owned by the archive and valid until another folder is decoded.
Result<const std::vector<uint8_t>*> decodeSevenZipFolder(SevenZipArchive& archive, uint64_t folderIndex);

// The folder's packed streams, back to back.
Result<std::vector<uint8_t>> readPackedStreams(const SevenZipArchive& archive, const SevenZipFolder& folder);

// One single-input coder by its method id.
Result<std::vector<uint8_t>> decodeSevenZipCoder(const SevenZipCoder& coder, const std::vector<uint8_t>& input,
                                                 uint64_t outputSize, uint64_t cap);

// The dictionary size an LZMA2 property byte of 0 to 40 stands for.
uint32_t lzma2DictionarySize(uint8_t propertyByte);

}  // namespace tolzeb
