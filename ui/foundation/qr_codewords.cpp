// From input bytes to the interleaved codeword sequence: bit stream, padding, Reed-Solomon
// error correction per block (ISO/IEC 18004, clauses 7.4 to 7.6).
#include <algorithm>

#include "engine/recovery/gf256.h"
#include "ui/foundation/qr_format.h"
#include "ui/foundation/qr_steps.h"

namespace tolzeb::ui {

void qrAppendBits(std::vector<uint8_t>& bits, uint32_t value, int count) {
  for (int bit = count - 1; bit >= 0; --bit) bits.push_back(static_cast<uint8_t>((value >> bit) & 1));
}

std::vector<uint8_t> qrPadCodewords(std::vector<uint8_t> bits, int dataCodewords) {
  const size_t capacityBits = static_cast<size_t>(dataCodewords) * 8;
  if (bits.size() < capacityBits) {
    const size_t terminator = std::min<size_t>(qr::kMaxTerminatorBits, capacityBits - bits.size());
    bits.insert(bits.end(), terminator, 0);
  }
  while (bits.size() % 8 != 0) bits.push_back(0);

  std::vector<uint8_t> codewords;
  codewords.reserve(std::max<size_t>(dataCodewords, bits.size() / 8));
  for (size_t at = 0; at < bits.size(); at += 8) {
    uint8_t byte = 0;
    for (size_t bit = 0; bit < 8; ++bit) byte = static_cast<uint8_t>((byte << 1) | bits[at + bit]);
    codewords.push_back(byte);
  }
  for (size_t pad = 0; codewords.size() < static_cast<size_t>(dataCodewords); pad ^= 1) {
    codewords.push_back(qr::kPadCodewords[pad]);
  }
  return codewords;
}

std::vector<uint8_t> qrGenerator(int eccCount) {
  std::vector<uint8_t> coefficients(eccCount, 0);
  if (eccCount == 0) return coefficients;
  coefficients[eccCount - 1] = 1;
  uint8_t root = 1;
  // Multiplies the polynomial by (x - 2^i) once per root.
  for (int i = 0; i < eccCount; ++i) {
    for (int j = 0; j < eccCount; ++j) {
      coefficients[j] = gfMul(coefficients[j], root);
      if (j + 1 < eccCount) coefficients[j] ^= coefficients[j + 1];
    }
    root = gfMul(root, 2);
  }
  return coefficients;
}

std::vector<uint8_t> qrEccBlock(const std::vector<uint8_t>& data, int eccCount) {
  const std::vector<uint8_t> generator = qrGenerator(eccCount);
  std::vector<uint8_t> remainder(eccCount, 0);
  if (eccCount == 0) return remainder;
  // Polynomial division by the generator; what is left is the remainder.
  for (uint8_t byte : data) {
    const uint8_t factor = byte ^ remainder[0];
    remainder.erase(remainder.begin());
    remainder.push_back(0);
    for (int j = 0; j < eccCount; ++j) remainder[j] ^= gfMul(generator[j], factor);
  }
  return remainder;
}

std::vector<uint8_t> qrCodewords(const std::vector<uint8_t>& bytes, int version, QrLevel level) {
  const qr::BlockLayout& layout = qr::kBlockLayouts[version - 1][static_cast<int>(level)];

  std::vector<uint8_t> bits;
  bits.reserve(qr::kModeIndicatorBits + qr::kByteCountBits + 8 * bytes.size());
  qrAppendBits(bits, qr::kByteModeIndicator, qr::kModeIndicatorBits);
  qrAppendBits(bits, static_cast<uint32_t>(bytes.size()), qr::kByteCountBits);
  for (uint8_t byte : bytes) qrAppendBits(bits, byte, 8);
  const std::vector<uint8_t> data = qrPadCodewords(std::move(bits), layout.dataCodewords());

  std::vector<std::vector<uint8_t>> dataBlocks;
  std::vector<std::vector<uint8_t>> eccBlocks;
  size_t taken = 0;
  for (int block = 0; block < layout.blockCount(); ++block) {
    const size_t length = block < layout.blocks1 ? layout.data1 : layout.data2;
    dataBlocks.emplace_back(data.begin() + taken, data.begin() + taken + length);
    eccBlocks.push_back(qrEccBlock(dataBlocks.back(), layout.eccPerBlock));
    taken += length;
  }

  std::vector<uint8_t> sequence;
  sequence.reserve(qr::kTotalCodewords[version - 1]);
  const size_t longestData = static_cast<size_t>(std::max(layout.data1, layout.data2));
  for (size_t i = 0; i < longestData; ++i) {
    for (const std::vector<uint8_t>& block : dataBlocks) {
      if (i < block.size()) sequence.push_back(block[i]);
    }
  }
  for (int i = 0; i < layout.eccPerBlock; ++i) {
    for (const std::vector<uint8_t>& block : eccBlocks) sequence.push_back(block[i]);
  }
  return sequence;
}

}  // namespace tolzeb::ui
