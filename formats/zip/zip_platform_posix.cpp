#include <ctime>

#include "engine/core/file_time.h"
#include "formats/zip/zip_platform.h"

namespace tolzeb {
namespace {

// The upper half of code page 437 as the published mapping gives it.
constexpr char16_t kCodePage437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // E8
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // F8
};

}  // namespace

std::optional<uint64_t> localDosTimeToUtc(uint16_t dosDate, uint16_t dosTime) {
  std::tm local{};
  local.tm_year = 80 + (dosDate >> 9);
  local.tm_mon = ((dosDate >> 5) & 15) - 1;
  local.tm_mday = dosDate & 31;
  local.tm_hour = dosTime >> 11;
  local.tm_min = (dosTime >> 5) & 63;
  local.tm_sec = (dosTime & 31) * 2;
  local.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&local);
  if (seconds == std::time_t(-1)) return std::nullopt;
  const int64_t sinceFileTimeEpoch = int64_t(seconds) + int64_t(kUnixEpochSeconds);
  if (sinceFileTimeEpoch < 0) return std::nullopt;
  return uint64_t(sinceFileTimeEpoch) * kTicksPerSecond;
}

std::optional<DosDateTime> utcToLocalDosTime(uint64_t fileTime) {
  const std::time_t seconds = std::time_t(int64_t(fileTime / kTicksPerSecond) - int64_t(kUnixEpochSeconds));
  std::tm local{};
  if (!localtime_r(&seconds, &local)) return std::nullopt;
  const int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return std::nullopt;
  DosDateTime dos;
  dos.date = uint16_t((year - 1980) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
  // A leap second (60) has no even DOS value below 60; it stays in the same minute.
  const int evenSecond = local.tm_sec > 59 ? 58 : local.tm_sec;
  dos.time = uint16_t(local.tm_hour << 11 | local.tm_min << 5 | evenSecond / 2);
  return dos;
}

std::optional<std::wstring> codePage437ToUtf16(const uint8_t* bytes, size_t length) {
  std::wstring text(length, L'\0');
  for (size_t i = 0; i < length; ++i) {
    text[i] = bytes[i] < 0x80 ? wchar_t(bytes[i]) : wchar_t(kCodePage437High[bytes[i] - 0x80]);
  }
  return text;
}

}  // namespace tolzeb
