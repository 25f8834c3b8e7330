// The single coders of 7z folders run over whole buffers (the packed header), and what every
// decoder of a folder needs to know about a method.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/status.h"
#include "formats/sevenzip/sevenzip_format.h"

namespace tolzeb {

// One single-input coder by its method id; an output size above `cap` fails with code 8.
Result<std::vector<uint8_t>> decodeSevenZipCoder(const SevenZipCoder& coder, const std::vector<uint8_t>& input,
                                                 uint64_t outputSize, uint64_t cap);

// The code-7 failure for a method this build does not decode (BZip2, encryption, any other).
Failure unreadableSevenZipMethod(uint64_t methodId);

// The dictionary size an LZMA2 property byte of 0 to 40 stands for.
uint32_t lzma2DictionarySize(uint8_t propertyByte);

}  // namespace tolzeb
