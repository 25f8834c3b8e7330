#include "ui/foundation/json_reader.h"

#include <unordered_set>

#include "engine/core/text.h"

namespace tolzeb::ui::i18n {
namespace {

constexpr size_t kByteOrderMarkSize = 3;

bool isWhitespace(uint8_t b) { return b == ' ' || b == '\t' || b == '\r' || b == '\n'; }

bool isKeyCharacter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'.' ||
         c == L'_' || c == L'-';
}

int hexValue(uint8_t b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

std::string quoted(const std::string& key) { return "\"" + key + "\""; }

// One pass over the text. Nested objects recurse, but only as deep as kMaxFullKeyBytes allows,
// since every level adds at least one name byte and a dot to the full key.
class JsonReader {
 public:
  JsonReader(const uint8_t* text, size_t length, CatalogueEntries& entries)
      : text_(text), length_(length), entries_(entries) {}

  ParseResult read() {
    if (length_ > kByteOrderMarkSize - 1 && text_[0] == 0xEF && text_[1] == 0xBB && text_[2] == 0xBF) {
      pos_ = kByteOrderMarkSize;
    }
    std::string prefix;
    if (readDocument(prefix)) return ParseResult{true, 0, 0, {}};
    return ParseResult{false, errorLine_, errorColumn_, errorMessage_};
  }

 private:
  bool atEnd() const { return pos_ >= length_; }
  bool next(uint8_t b) const { return pos_ < length_ && text_[pos_] == b; }

  uint8_t take() {
    uint8_t b = text_[pos_++];
    if (b == '\n') {
      ++line_;
      lineStart_ = pos_;
    }
    return b;
  }

  void skipWhitespace() {
    while (!atEnd() && isWhitespace(text_[pos_])) take();
  }

  // Records the first error only; the column counts bytes from the start of the current line.
  bool fail(std::string message) {
    if (!failed_) {
      failed_ = true;
      errorLine_ = line_;
      errorColumn_ = pos_ - lineStart_ + 1;
      errorMessage_ = std::move(message);
    }
    return false;
  }

  bool readDocument(std::string& prefix) {
    skipWhitespace();
    if (!next('{')) return fail("the file must be a JSON object, starting with '{'");
    take();
    if (!readMembers(prefix)) return false;
    skipWhitespace();
    if (!atEnd()) return fail("unexpected text after the closing '}'");
    return true;
  }

  // The members of an object whose '{' is consumed; `prefix` is the object's full key and is
  // given back unchanged.
  bool readMembers(std::string& prefix) {
    skipWhitespace();
    if (next('}')) {
      take();
      return true;
    }
    for (;;) {
      skipWhitespace();
      if (!next('"')) return fail("expected a key in double quotes");
      take();
      std::string key;
      if (!readKey(key)) return false;
      const size_t prefixLength = prefix.size();
      if (prefixLength + (prefixLength > 0 ? 1 : 0) + key.size() > kMaxFullKeyBytes) {
        return fail("a key, joined to the names of the objects around it, must not be longer than " +
                    std::to_string(kMaxFullKeyBytes) + " bytes");
      }
      skipWhitespace();
      if (!next(':')) return fail("expected ':' after the key " + quoted(key));
      take();

      if (prefixLength > 0) prefix += '.';
      prefix += key;
      skipWhitespace();
      if (next('{')) {
        take();
        if (!readMembers(prefix)) return false;
      } else if (next('"')) {
        take();
        std::wstring text;
        if (!readString(text)) return false;
        if (!keys_.insert(prefix).second) return fail("the key " + quoted(prefix) + " appears twice in this file");
        entries_.emplace_back(prefix, std::move(text));
      } else {
        return fail("the value of " + quoted(prefix) +
                    " must be a string or an object; numbers, arrays, booleans and null are not used in locale files");
      }
      prefix.resize(prefixLength);

      skipWhitespace();
      if (next(',')) {
        take();
        skipWhitespace();
        if (next('}')) return fail("a trailing comma before '}'");
        continue;
      }
      if (next('}')) {
        take();
        return true;
      }
      return fail("expected ',' or '}'");
    }
  }

  bool readKey(std::string& key) {
    std::wstring wide;
    if (!readString(wide)) return false;
    if (wide.empty()) return fail("a key must not be empty");
    for (wchar_t c : wide) {
      if (!isKeyCharacter(c)) return fail("a key may only contain letters, digits, '.', '_' and '-'");
    }
    key.assign(wide.begin(), wide.end());  // ASCII only, checked above
    return true;
  }

  // The raw bytes of [start, end) are strict UTF-8.
  bool appendRun(size_t start, size_t end, std::wstring& out) {
    if (start == end) return true;
    Result<std::wstring> run = utf8ToUtf16(text_ + start, end - start);
    if (run.failed()) return fail("the text is not valid UTF-8");
    out += run.value();
    return true;
  }

  // A string whose opening '"' is consumed.
  bool readString(std::wstring& out) {
    size_t runStart = pos_;
    for (;;) {
      if (atEnd()) return fail("the string is never closed");
      const uint8_t b = text_[pos_];
      if (b == '"') {
        const size_t runEnd = pos_;
        take();
        return appendRun(runStart, runEnd, out);
      }
      if (b == '\\') {
        if (!appendRun(runStart, pos_, out)) return false;
        take();
        if (atEnd()) return fail("the string ends in a backslash");
        if (!readEscape(out)) return false;
        runStart = pos_;
        continue;
      }
      if (b < 0x20) return fail("a raw control character inside a string; use \\n or \\t");
      take();
    }
  }

  // The byte after a consumed backslash.
  bool readEscape(std::wstring& out) {
    const uint8_t escape = take();
    switch (escape) {
      case '"': out.push_back(L'"'); return true;
      case '/': out.push_back(L'/'); return true;
      case '\\': out.push_back(L'\\'); return true;
      case 'b': out.push_back(L'\b'); return true;
      case 'f': out.push_back(L'\f'); return true;
      case 'n': out.push_back(L'\n'); return true;
      case 'r': out.push_back(L'\r'); return true;
      case 't': out.push_back(L'\t'); return true;
      case 'u': return readUnicodeEscape(out);
      default: return fail(std::string("\\") + char(escape) + " is not an escape JSON defines");
    }
  }

  // Exactly one UTF-16 unit, surrogates included as written.
  bool readUnicodeEscape(std::wstring& out) {
    unsigned unit = 0;
    for (int i = 0; i < 4; ++i) {
      if (atEnd()) return fail("\\u needs four hexadecimal digits");
      const int digit = hexValue(take());
      if (digit < 0) return fail("\\u needs four hexadecimal digits");
      unit = unit << 4 | unsigned(digit);
    }
    out.push_back(wchar_t(unit));
    return true;
  }

  const uint8_t* text_;
  size_t length_;
  CatalogueEntries& entries_;
  size_t pos_ = 0;
  uint64_t line_ = 1;
  size_t lineStart_ = 0;
  bool failed_ = false;
  uint64_t errorLine_ = 0;
  uint64_t errorColumn_ = 0;
  std::string errorMessage_;
  std::unordered_set<std::string> keys_;
};

}  // namespace

ParseResult parseLocaleFile(const uint8_t* text, size_t length, CatalogueEntries& entries) {
  entries.clear();
  return JsonReader(text, length, entries).read();
}

}  // namespace tolzeb::ui::i18n
