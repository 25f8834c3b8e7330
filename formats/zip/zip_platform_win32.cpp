#include <windows.h>

#include "formats/zip/zip_platform.h"

namespace tolzeb {
namespace {

uint64_t fromFileTime(const FILETIME& time) { return uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime; }

FILETIME toFileTime(uint64_t ticks) {
  FILETIME time;
  time.dwLowDateTime = DWORD(ticks);
  time.dwHighDateTime = DWORD(ticks >> 32);
  return time;
}

constexpr UINT kCodePage437 = 437;

}  // namespace

std::optional<uint64_t> localDosTimeToUtc(uint16_t dosDate, uint16_t dosTime) {
  FILETIME local;
  FILETIME utc;
  if (!DosDateTimeToFileTime(dosDate, dosTime, &local)) return std::nullopt;
  if (!LocalFileTimeToFileTime(&local, &utc)) return std::nullopt;
  return fromFileTime(utc);
}

std::optional<DosDateTime> utcToLocalDosTime(uint64_t fileTime) {
  const FILETIME utc = toFileTime(fileTime);
  FILETIME local;
  WORD date = 0;
  WORD time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local)) return std::nullopt;
  if (!FileTimeToDosDateTime(&local, &date, &time)) return std::nullopt;
  return DosDateTime{date, time};
}

std::optional<std::wstring> codePage437ToUtf16(const uint8_t* bytes, size_t length) {
  if (length == 0) return std::wstring();
  if (length > size_t(INT_MAX)) return std::nullopt;
  const char* narrow = reinterpret_cast<const char*>(bytes);
  const int wanted = MultiByteToWideChar(kCodePage437, MB_ERR_INVALID_CHARS, narrow, int(length), nullptr, 0);
  if (wanted <= 0) return std::nullopt;
  std::wstring text(size_t(wanted), L'\0');
  const int got = MultiByteToWideChar(kCodePage437, MB_ERR_INVALID_CHARS, narrow, int(length), text.data(), wanted);
  if (got != wanted) return std::nullopt;
  return text;
}

}  // namespace tolzeb
