#include "engine/core/crc32c.h"

#include <cstring>

#include "engine/core/crc_slicing.h"

#if defined(__x86_64__)
#include <cpuid.h>
#include <nmmintrin.h>
#endif

namespace tolzeb {
namespace {

bool detectSse42() {
#if defined(__x86_64__)
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx) || eax < 1) return false;
  __cpuid(1, eax, ebx, ecx, edx);
  return (ecx >> 20) & 1;
#else
  return false;
#endif
}

// Set before main so the hot path reads a plain flag.
const bool gHasSse42 = detectSse42();

const detail::CrcSlicingTables& tables() {
  static const detail::CrcSlicingTables t = [] {  // thread-safe one-time initialisation
    detail::CrcSlicingTables built;
    detail::buildCrcSlicingTables(0x82F63B78u, built);
    return built;
  }();
  return t;
}

}  // namespace

namespace detail {

bool cpuHasSse42() { return gHasSse42; }

uint32_t crc32cTable(uint32_t previous, const void* data, size_t length) {
  return crcSlicing8(tables(), previous, data, length);
}

#if defined(__x86_64__)
__attribute__((target("sse4.2"))) uint32_t crc32cHardware(uint32_t previous, const void* data,
                                                          size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint64_t crc = ~previous;
  while (length && (reinterpret_cast<uintptr_t>(p) & 7)) {
    crc = _mm_crc32_u8(uint32_t(crc), *p++);
    --length;
  }
  while (length >= 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    crc = _mm_crc32_u64(crc, word);
    p += 8;
    length -= 8;
  }
  while (length--) crc = _mm_crc32_u8(uint32_t(crc), *p++);
  return ~uint32_t(crc);
}
#else
uint32_t crc32cHardware(uint32_t previous, const void* data, size_t length) {
  return crc32cTable(previous, data, length);
}
#endif

}  // namespace detail

uint32_t crc32c(uint32_t previous, const void* data, size_t length) {
  if (length == 0) return previous;
  return gHasSse42 ? detail::crc32cHardware(previous, data, length)
                   : detail::crc32cTable(previous, data, length);
}

uint32_t recordCrc32c(const uint8_t* record, size_t size, size_t crcAt) {
  constexpr uint8_t kZeroField[4] = {};
  uint32_t crc = crc32c(0, record, crcAt);
  crc = crc32c(crc, kZeroField, sizeof kZeroField);
  return crc32c(crc, record + crcAt + sizeof kZeroField, size - crcAt - sizeof kZeroField);
}

}  // namespace tolzeb
