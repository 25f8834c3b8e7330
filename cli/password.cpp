#include "cli/password.h"

#include <cstring>
#include <memory>
#include <vector>

#include "cli/command_line.h"
#include "cli/password_input.h"
#include "engine/core/sha256.h"
#include "engine/core/text.h"

namespace tolzeb::cli {
namespace {

constexpr wchar_t kBackspace = 8;

Password shared(SecureBytes&& bytes) { return std::make_shared<const SecureBytes>(std::move(bytes)); }

// Reads up to and including the next line feed, wiping what passes through the buffer.
void dropRestOfLine(const ReadChunk& read, uint8_t* buffer, size_t capacity) {
  for (;;) {
    Result<size_t> count = read(buffer, capacity);
    if (count.failed() || count.value() == 0) break;
    const bool lineEnds = std::memchr(buffer, '\n', count.value()) != nullptr;
    secureZero(buffer, capacity);
    if (lineEnds) break;
  }
}

}  // namespace

const PasswordReaders& systemPasswordReaders() {
  static const PasswordReaders readers{readConsolePassword, readStdinPassword};
  return readers;
}

Result<SecureBytes> toSecureUtf8(std::wstring& text) {
  Result<std::vector<uint8_t>> utf8 = utf16ToUtf8(text);
  secureZero(text.data(), text.size() * sizeof(wchar_t));
  text.clear();
  if (utf8.failed()) return std::move(utf8).failure();
  std::vector<uint8_t>& bytes = utf8.value();
  SecureBytes password(bytes.data(), bytes.size());
  secureZero(bytes.data(), bytes.size());
  return password;
}

std::wstring collectTypedText(const NextTypedUnit& next) {
  std::wstring text;
  text.reserve(kMaxTypedPasswordUnits);  // never reallocated, so no stale copy is left behind
  bool full = false;
  std::optional<wchar_t> unit;
  while ((unit = next())) {
    if (*unit == L'\n') break;
    if (*unit == L'\r' || full) continue;
    if (*unit == kBackspace) {
      if (!text.empty()) {
        text.back() = 0;
        text.pop_back();
      }
    } else if (text.size() >= kMaxTypedPasswordUnits) {
      full = true;
    } else {
      text.push_back(*unit);
    }
  }
  secureZero(&unit, sizeof unit);
  return text;
}

Result<SecureBytes> typedPassword(std::wstring& text) {
  if (text.empty()) return argumentRefusal(L"An empty password is not accepted");
  return toSecureUtf8(text);
}

Result<SecureBytes> passwordFromReads(const ReadChunk& read, bool fromConsole) {
  SecureBytes data;
  uint8_t buffer[kStdinReadSize];
  for (;;) {
    Result<size_t> count = read(buffer, sizeof buffer);
    if (count.failed()) {
      secureZero(buffer, sizeof buffer);
      return std::move(count).failure();
    }
    if (count.value() == 0) break;
    const size_t before = data.size();
    data.append(buffer, count.value());
    if (data.size() > kMaxStdinPasswordBytes) {
      const bool lineEnded = std::memchr(data.data() + before, '\n', count.value()) != nullptr;
      secureZero(buffer, sizeof buffer);
      if (fromConsole && !lineEnded) dropRestOfLine(read, buffer, sizeof buffer);
      return argumentRefusal(L"Password on stdin is implausibly long");
    }
    if (std::memchr(data.data() + before, '\n', count.value()) != nullptr) break;
  }
  secureZero(buffer, sizeof buffer);

  const void* lineFeed = data.empty() ? nullptr : std::memchr(data.data(), '\n', data.size());
  size_t length = lineFeed ? size_t(static_cast<const uint8_t*>(lineFeed) - data.data()) : data.size();
  while (length > 0 && data[length - 1] == '\r') --length;
  if (length == 0) return argumentRefusal(L"No password was given on stdin");
  return SecureBytes(data.data(), length);
}

Result<SecureBytes> promptNewPassword(const PasswordReaders& readers) {
  TOLZEB_ASSIGN_OR_RETURN(SecureBytes first, readers.console(L"Password: "));
  TOLZEB_ASSIGN_OR_RETURN(SecureBytes second, readers.console(L"Repeat password: "));
  if (first.size() != second.size() || !constantTimeEqual(first.data(), second.data(), first.size())) {
    return argumentRefusal(L"The two passwords do not match; nothing was written");
  }
  return first;
}

Result<Password> passwordForOpening(const CommandLine& line, const std::wstring& archive,
                                    const EngineCalls& engine, const PasswordReaders& readers) {
  if (line.passwordStdin) {
    TOLZEB_ASSIGN_OR_RETURN(SecureBytes bytes, readers.standardInput());
    return shared(std::move(bytes));
  }
  TOLZEB_ASSIGN_OR_RETURN(const bool encrypted, engine.probeZebArchive(archive));
  if (!encrypted) return Password();
  TOLZEB_ASSIGN_OR_RETURN(SecureBytes bytes, readers.console(L"Password: "));
  return shared(std::move(bytes));
}

}  // namespace tolzeb::cli
