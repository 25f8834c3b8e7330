// Numbers, sizes, dates, durations and failures as text. Numbers and dates follow the user's
// regional settings, or the interface language when formats are set to follow it.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/status.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui::i18n {

// Between the facts shown on one line (sizes, counts, states).
inline constexpr const wchar_t* kFactSeparator = L"  \u00B7  ";

// The locale for numbers: the interface language's tag when formats follow it, else the
// user's default locale, else "en-US".
std::wstring formattingLocaleName();
// With digit grouping; falls back to the plain digits when the locale cannot format.
std::wstring formatInteger(int64_t value);
std::wstring formatInteger(int64_t value, const Snapshot& state);
// With `decimals` decimals (0 when negative) and digit grouping.
std::wstring formatDecimal(double value, int decimals);
bool formatsFollowLanguage();
// B below 1024, then KB, MB, GB or TB from the catalogue, one decimal below 10.
std::wstring formatSize(uint64_t bytes);

}  // namespace tolzeb::ui::i18n

namespace tolzeb::ui {

// The name the pages use for formatSize.
std::wstring formatBytes(uint64_t bytes);
// "Today, <time>", "Yesterday, <time>" or "<date>, <time>" in local time; empty for 0.
std::wstring formatTimestamp(uint64_t fileTime);
// The same, relative to the given current time (a FILETIME, UTC).
std::wstring formatTimestamp(uint64_t fileTime, uint64_t nowFileTime);
// m:ss below an hour, h:mm:ss from an hour on; negative and not-a-number durations read 0:00.
std::wstring formatDuration(double seconds);
// The headline of a failure with this code.
std::wstring statusKeyText(StatusCode code);
// The headline, then, unless the message is empty or the code is 6 (cancelled), a line break
// and the details.
std::wstring statusText(StatusCode code, const std::wstring& message);

}  // namespace tolzeb::ui
