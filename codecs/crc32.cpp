#include "codecs/crc32.h"

namespace tolzeb {

namespace {
constexpr uint32_t kCrc32Polynomial = 0xEDB88320u;  // reflected form of 0x04C11DB7
}

void buildCrc32Tables(detail::CrcSlicingTables& tables) { detail::buildCrcSlicingTables(kCrc32Polynomial, tables); }

uint32_t crc32(uint32_t previous, const void* data, size_t length) {
  static const detail::CrcSlicingTables tables = [] {  // thread-safe one-time initialisation
    detail::CrcSlicingTables built;
    buildCrc32Tables(built);
    return built;
  }();
  if (length == 0) return previous;
  return detail::crcSlicing8(tables, previous, data, length);
}

}  // namespace tolzeb
