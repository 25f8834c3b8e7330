#include "engine/core/crc32c.h"

#include <array>

#include "engine/core/bytes.h"

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

using Crc32cTables = std::array<std::array<uint32_t, 256>, 8>;

Crc32cTables buildCrc32cTables() {
  Crc32cTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0x82F63B78u & (0u - (c & 1)));
    t[0][i] = c;
  }
  for (int k = 0; k < 7; ++k)
    for (uint32_t i = 0; i < 256; ++i) t[k + 1][i] = (t[k][i] >> 8) ^ t[0][t[k][i] & 0xFF];
  return t;
}

const Crc32cTables& tables() {
  static const Crc32cTables t = buildCrc32cTables();  // thread-safe one-time initialisation
  return t;
}

}  // namespace

namespace detail {

bool cpuHasSse42() { return gHasSse42; }

uint32_t crc32cTable(uint32_t previous, const void* data, size_t length) {
  const Crc32cTables& t = tables();
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t crc = ~previous;
  while (length >= 8) {
    uint32_t lo = readU32le(p) ^ crc;
    uint32_t hi = readU32le(p + 4);
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
          t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    p += 8;
    length -= 8;
  }
  while (length--) crc = (crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF];
  return ~crc;
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

}  // namespace tolzeb
