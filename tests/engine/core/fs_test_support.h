// Checks shared by the file-layer tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/core/fs.h"

namespace tolzeb::testing {

// "<action> '<path>': <some system text> (0x<8 hex digits>)"; the system's wording is not pinned,
// since it differs between systems and languages.
inline ::testing::AssertionResult hasErrorShape(const Failure& failure, const std::wstring& action,
                                                const std::wstring& path) {
  const std::wstring& text = failure.message;
  const std::wstring prefix = action + L" '" + path + L"': ";
  if (text.compare(0, prefix.size(), prefix) != 0) {
    return ::testing::AssertionFailure() << "no prefix " << ::testing::PrintToString(prefix) << " in "
                                         << ::testing::PrintToString(text);
  }
  const size_t suffixSize = 13;  // " (0x00000002)"
  if (text.size() < prefix.size() + 1 + suffixSize) return ::testing::AssertionFailure() << "too short";
  const std::wstring suffix = text.substr(text.size() - suffixSize);
  bool hexOk = suffix.compare(0, 4, L" (0x") == 0 && suffix.back() == L')';
  for (size_t i = 4; i < 12; ++i) {
    const wchar_t c = suffix[i];
    hexOk = hexOk && ((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'));
  }
  if (!hexOk) return ::testing::AssertionFailure() << "bad error number in " << ::testing::PrintToString(text);
  const std::wstring system = text.substr(prefix.size(), text.size() - prefix.size() - suffixSize);
  if (system.empty() || system.find_first_of(L"\r\n") != std::wstring::npos) {
    return ::testing::AssertionFailure() << "bad system text in " << ::testing::PrintToString(text);
  }
  return ::testing::AssertionSuccess();
}

}  // namespace tolzeb::testing
