// The process-wide localisation state and the lookups every painter calls. Any thread may look
// texts up: the state's mutex is held only to copy or swap its catalogue pointers, and lookups
// run on that copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "ui/foundation/catalog.h"
#include "ui/foundation/languages.h"

namespace tolzeb::ui::i18n {

// The language of the built-in catalogue, which stands in wherever no other applies.
inline constexpr const wchar_t* kEnglishTag = L"en-US";

// One per process, created empty on first use. The mutex guards the other four members.
struct State {
  std::mutex mutex;
  std::shared_ptr<const Catalog> current;
  std::shared_ptr<const Catalog> fallback;  // normally English
  const LanguageInfo* row = nullptr;        // null until a language is chosen
  bool formatsFollowLanguage = false;
};

// A copy of the state taken under its mutex; it keeps both catalogues alive.
struct Snapshot {
  std::shared_ptr<const Catalog> current;
  std::shared_ptr<const Catalog> fallback;
  const LanguageInfo* row = nullptr;
  bool formatsFollowLanguage = false;
};

State& sharedState();
Snapshot snapshot();

// Start-up: English as the fallback, then the stored language, or the user's preferred one
// when none is stored; a language that is unknown or does not load gives English. Returns the
// tag chosen; the caller decides whether to store it.
std::wstring initialise(const std::wstring& storedTag);
// Switches to a language of the table; false, with nothing changed, when it is unknown or its
// catalogue does not load.
bool setLanguage(const std::wstring& tag);
void setFormatsFollowLanguage(bool follow);

// The current row, or the first row when none is set.
const LanguageInfo& currentLanguage();
// Its tag, or "en-US" when no row is set.
std::wstring currentLanguageTag();
// The first of the user's preferred UI languages that the table supports, else "en-US".
std::wstring preferredLanguageTag();

// One named argument for a "{name}" placeholder. The name must outlive the call (a literal).
struct Arg {
  Arg(const char* argName, const std::wstring& argValue)
      : name(argName), nameLength(std::strlen(argName)), value(argValue) {}
  Arg(const char* argName, std::wstring&& argValue)
      : name(argName), nameLength(std::strlen(argName)), value(std::move(argValue)) {}

  const char* name;
  size_t nameLength;
  std::wstring value;
};

// The current language's text, else English, else the key itself.
std::wstring translate(std::string_view key);
// translate, then substitute.
std::wstring translateWithArgs(std::string_view key, const Arg* first, const Arg* last);
std::wstring translateWithArgs(std::string_view key, std::initializer_list<Arg> args);
// The text of key.<category of count>, else key.other, else the key; "{count}" becomes the
// count with digit grouping, then the caller's arguments are filled in.
std::wstring translatePlural(std::string_view key, int64_t count, const Arg* first = nullptr,
                             const Arg* last = nullptr);
std::wstring translatePlural(std::string_view key, int64_t count, std::initializer_list<Arg> args);
// Replaces each "{name}" whose name is an argument's by that argument's value; other braces
// stay as they are, and values are not scanned again.
std::wstring substitute(const std::wstring& text, const Arg* first, const Arg* last);

}  // namespace tolzeb::ui::i18n
