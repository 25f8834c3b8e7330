#include "formats/sevenzip/sevenzip_format.h"

namespace tolzeb {

uint64_t SevenZipFolder::totalInputs() const {
  uint64_t total = 0;
  for (const SevenZipCoder& coder : coders) total += coder.inputCount;
  return total;
}

uint64_t SevenZipFolder::totalOutputs() const {
  uint64_t total = 0;
  for (const SevenZipCoder& coder : coders) total += coder.outputCount;
  return total;
}

Result<uint64_t> SevenZipFolder::mainOutput() const {
  const uint64_t outputs = totalOutputs();
  for (uint64_t index = 0; index < outputs; ++index) {
    bool bound = false;
    for (const SevenZipBindPair& pair : bindPairs) bound = bound || pair.outputIndex == index;
    if (!bound) return index;
  }
  return makeFailure(StatusCode::corrupt_archive, L"7z: folder has no unbound output");
}

uint64_t SevenZipArchive::totalFileBytes() const {
  // Sizes are not bounded by the header, so the sum stops at the largest value.
  uint64_t total = 0;
  for (const SevenZipEntry& entry : entries)
    if (!entry.isDirectory) total = checkedAdd(total, entry.size).value_or(UINT64_MAX);
  return total;
}

void appendSevenZipNumber(Bytes& out, uint64_t value) {
  // n extra bytes hold 8n low bits; the first byte keeps 7 - n more above its n marker bits.
  unsigned extra = 0;
  while (extra < 8 && value >= (uint64_t(1) << (7 * (extra + 1)))) ++extra;
  if (extra == 8) {
    out.push_back(0xFF);
  } else {
    const uint8_t marker = uint8_t(0xFF00u >> extra);
    out.push_back(uint8_t(marker | (value >> (8 * extra))));
  }
  for (unsigned i = 0; i < extra; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

void appendBitVector(Bytes& out, const std::vector<bool>& bits) {
  uint8_t current = 0;
  for (size_t i = 0; i < bits.size(); ++i) {
    if (bits[i]) current |= uint8_t(0x80u >> (i % 8));
    if (i % 8 == 7) {
      out.push_back(current);
      current = 0;
    }
  }
  if (bits.size() % 8 != 0) out.push_back(current);
}

}  // namespace tolzeb
