#include "ui/foundation/localisation.h"

#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/format.h"
#include "ui/foundation/i18n_platform.h"

namespace tolzeb::ui::i18n {
namespace {

std::wstring widenKey(std::string_view key) {
  std::wstring wide;
  wide.reserve(key.size());
  for (char c : key) wide.push_back(wchar_t(uint8_t(c)));
  return wide;
}

const std::wstring* findText(const Snapshot& state, std::string_view key) {
  if (state.current) {
    if (const std::wstring* text = state.current->find(key)) return text;
  }
  if (state.fallback) {
    if (const std::wstring* text = state.fallback->find(key)) return text;
  }
  return nullptr;
}

// key + "." + suffix, built in a stack buffer so that a lookup allocates nothing.
class SuffixedKey {
 public:
  SuffixedKey(std::string_view key, std::string_view suffix) {
    const size_t length = key.size() + 1 + suffix.size();
    if (length > sizeof(buffer_)) {
      spill_.assign(key).append(".").append(suffix);
      view_ = spill_;
      return;
    }
    std::memcpy(buffer_, key.data(), key.size());
    buffer_[key.size()] = '.';
    std::memcpy(buffer_ + key.size() + 1, suffix.data(), suffix.size());
    view_ = std::string_view(buffer_, length);
  }
  std::string_view view() const { return view_; }

 private:
  char buffer_[128];
  std::string spill_;
  std::string_view view_;
};

bool nameMatches(const std::wstring& text, size_t start, size_t length, const Arg& arg) {
  if (length != arg.nameLength) return false;
  for (size_t i = 0; i < length; ++i) {
    if (text[start + i] != wchar_t(uint8_t(arg.name[i]))) return false;
  }
  return true;
}

}  // namespace

State& sharedState() {
  static State state;
  return state;
}

Snapshot snapshot() {
  State& state = sharedState();
  std::lock_guard<std::mutex> lock(state.mutex);
  return Snapshot{state.current, state.fallback, state.row, state.formatsFollowLanguage};
}

std::wstring initialise(const std::wstring& storedTag) {
  std::shared_ptr<const Catalog> fallback = loadCatalog(kEnglishTag);
  const std::wstring tag = storedTag.empty() ? preferredLanguageTag() : storedTag;
  const LanguageInfo* row = findLanguage(tag);
  if (!row) row = &englishLanguage();
  std::shared_ptr<const Catalog> current =
      std::wstring_view(row->tag) == kEnglishTag ? fallback : loadCatalog(row->tag);
  if (!current) {
    current = fallback;
    row = &englishLanguage();
  }
  State& state = sharedState();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.fallback = std::move(fallback);
    state.current = std::move(current);
    state.row = row;
  }
  return row->tag;
}

bool setLanguage(const std::wstring& tag) {
  const LanguageInfo* row = findLanguage(tag);
  if (!row) return false;
  std::shared_ptr<const Catalog> catalogue = loadCatalog(row->tag);
  if (!catalogue) return false;
  State& state = sharedState();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.fallback) state.fallback = catalogue;
  state.current = std::move(catalogue);
  state.row = row;
  return true;
}

void setFormatsFollowLanguage(bool follow) {
  State& state = sharedState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.formatsFollowLanguage = follow;
}

const LanguageInfo& currentLanguage() {
  const LanguageInfo* row = snapshot().row;
  return row ? *row : englishLanguage();
}

std::wstring currentLanguageTag() {
  const LanguageInfo* row = snapshot().row;
  return row ? row->tag : kEnglishTag;
}

std::wstring preferredLanguageTag() {
  const std::vector<std::wstring> languages = platform::preferredUiLanguages();
  if (languages.empty() || languages.front().empty()) return kEnglishTag;
  for (const std::wstring& language : languages) {
    if (const LanguageInfo* row = matchLanguage(language)) return row->tag;
  }
  return kEnglishTag;
}

std::wstring translate(std::string_view key) {
  const Snapshot state = snapshot();
  if (const std::wstring* text = findText(state, key)) return *text;
  return widenKey(key);
}

std::wstring translateWithArgs(std::string_view key, const Arg* first, const Arg* last) {
  return substitute(translate(key), first, last);
}

std::wstring translateWithArgs(std::string_view key, std::initializer_list<Arg> args) {
  return translateWithArgs(key, args.begin(), args.end());
}

std::wstring translatePlural(std::string_view key, int64_t count, const Arg* first, const Arg* last) {
  const Snapshot state = snapshot();
  const uint8_t rule = state.row ? state.row->pluralRule : 1;
  const std::wstring* text = findText(state, SuffixedKey(key, pluralCategoryName(pluralCategory(rule, count))).view());
  if (!text) text = findText(state, SuffixedKey(key, "other").view());
  const Arg countArg("count", formatInteger(count, state));
  std::wstring counted = substitute(text ? *text : widenKey(key), &countArg, &countArg + 1);
  return substitute(counted, first, last);
}

std::wstring translatePlural(std::string_view key, int64_t count, std::initializer_list<Arg> args) {
  return translatePlural(key, count, args.begin(), args.end());
}

std::wstring substitute(const std::wstring& text, const Arg* first, const Arg* last) {
  if (first == last) return text;
  std::wstring out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find(L'{', pos);
    const size_t close = open == std::wstring::npos ? std::wstring::npos : text.find(L'}', open + 1);
    if (close == std::wstring::npos) {
      out.append(text, pos, std::wstring::npos);
      break;
    }
    out.append(text, pos, open - pos);
    const Arg* match = first;
    while (match != last && !nameMatches(text, open + 1, close - open - 1, *match)) ++match;
    if (match != last) {
      out += match->value;
    } else {
      out.append(text, open, close - open + 1);
    }
    pos = close + 1;
  }
  return out;
}

}  // namespace tolzeb::ui::i18n
