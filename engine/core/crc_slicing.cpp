#include "engine/core/crc_slicing.h"

#include "engine/core/bytes.h"

namespace tolzeb::detail {

void buildCrcSlicingTables(uint32_t reflectedPolynomial, CrcSlicingTables& tables) {
  tables = {};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (reflectedPolynomial & (0u - (c & 1)));
    tables[0][i] = c;
  }
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = tables[0][i];
    for (int k = 1; k < 8; ++k) {
      c = (c >> 8) ^ tables[0][c & 0xFF];
      tables[k][i] = c;
    }
  }
}

uint32_t crcSlicing8(const CrcSlicingTables& t, uint32_t previous, const void* data, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t crc = ~previous;
  while (length >= 8) {
    uint32_t lo = readU32le(p) ^ crc;
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^ t[3][p[4]] ^
          t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    p += 8;
    length -= 8;
  }
  while (length--) crc = (crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF];
  return ~crc;
}

}  // namespace tolzeb::detail
