#include "shellext/job_image.h"

#include <array>

namespace tolzeb::shell {
namespace {

void appendUint32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(uint8_t(value >> shift));
}

// Letters A to Z only: the endings are ASCII, and other letters must not turn into them.
wchar_t lowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c; }

bool endsWith(const std::wstring& text, const std::wstring& ending) {
  return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

}  // namespace

bool serializeShellJob(const ShellJob& job, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (job.operation < kMinShellOperation || job.operation > kMaxShellOperation) return false;
  if (job.paths.empty() || job.paths.size() > kMaxShellJobPaths) return false;
  uint64_t total = kShellJobHeaderBytes;
  for (const std::wstring& path : job.paths) {
    if (path.empty() || path.size() > kMaxShellJobPathUnits) return false;
    total += 4 + 2 * uint64_t(path.size());
    if (total > kMaxShellJobFileBytes) return false;
  }
  bytes.reserve(size_t(total));
  bytes.insert(bytes.end(), std::begin(kShellJobSignature), std::end(kShellJobSignature));
  appendUint32(bytes, kShellJobVersion);
  appendUint32(bytes, job.operation);
  appendUint32(bytes, 0);  // flags
  appendUint32(bytes, uint32_t(job.paths.size()));
  appendUint32(bytes, 0);  // reserved
  appendUint32(bytes, 0);
  for (const std::wstring& path : job.paths) {
    appendUint32(bytes, uint32_t(path.size()));
    for (wchar_t unit : path) {
      bytes.push_back(uint8_t(uint32_t(unit) & 0xFF));
      bytes.push_back(uint8_t((uint32_t(unit) >> 8) & 0xFF));
    }
  }
  return true;
}

bool isArchiveName(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/");
  std::wstring name = cut == std::wstring::npos ? path : path.substr(cut + 1);
  for (wchar_t& c : name) c = lowerAscii(c);
  if (endsWith(name, L".tar.gz") && name.size() > 7) return true;
  static const std::array<const wchar_t*, 5> endings = {L".zeb", L".zip", L".7z", L".tar", L".tgz"};
  for (const wchar_t* ending : endings) {
    std::wstring e = ending;
    if (endsWith(name, e) && name.size() > e.size()) return true;
  }
  return false;
}

std::wstring quoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  for (size_t i = 0;; ++i) {
    size_t backslashes = 0;
    while (i < argument.size() && argument[i] == L'\\') {
      ++backslashes;
      ++i;
    }
    if (i == argument.size()) {
      // Doubled, so the closing quote stays a quote.
      quoted.append(backslashes * 2, L'\\');
      break;
    }
    if (argument[i] == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    quoted += argument[i];
  }
  quoted += L'"';
  return quoted;
}

std::wstring jobFileNameFromBytes(const uint8_t (&bytes)[16]) {
  static const wchar_t digits[] = L"0123456789abcdef";
  std::wstring name;
  for (uint8_t b : bytes) {
    name += digits[b >> 4];
    name += digits[b & 15];
  }
  return name + kShellJobExtension;
}

}  // namespace tolzeb::shell
