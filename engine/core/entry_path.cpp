#include "engine/core/entry_path.h"

#include <algorithm>
#include <vector>

#include "engine/core/fs.h"

namespace tolzeb {
namespace {

Failure unsafe(const wchar_t* text) { return Failure{StatusCode::path_unsafe, text}; }
Failure unsafe(const wchar_t* text, const std::wstring& path) { return Failure{StatusCode::path_unsafe, text + path}; }

wchar_t asciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c; }
wchar_t asciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c; }

bool isReservedCharacter(wchar_t c) {
  return c == L'"' || c == L'*' || c == L'<' || c == L'>' || c == L'?' || c == L'|';
}

std::vector<std::wstring> splitAtSlashes(const std::wstring& path) {
  std::vector<std::wstring> segments;
  size_t start = 0;
  while (true) {
    const size_t end = path.find(L'/', start);
    if (end == std::wstring::npos) {
      segments.push_back(path.substr(start));
      return segments;
    }
    segments.push_back(path.substr(start, end - start));
    start = end + 1;
  }
}

std::wstring comparable(std::wstring path) {
  if (kPathsIgnoreCase) std::transform(path.begin(), path.end(), path.begin(), asciiLower);
  return path;
}

}  // namespace

// Windows also reads the superscript digits one, two and three as the port numbers 1, 2 and 3.
bool isPortDigit(wchar_t c) { return (c >= L'1' && c <= L'9') || c == 0x00B9 || c == 0x00B2 || c == 0x00B3; }

bool isReservedDeviceName(const std::wstring& segment) {
  std::wstring stem = segment.substr(0, segment.find(L'.'));
  // Windows drops the spaces before an extension when it looks for a device: "con .txt" is CON.
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  if (stem.empty()) return false;
  std::transform(stem.begin(), stem.end(), stem.begin(), asciiUpper);
  if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL") return true;
  if (stem == L"CONIN$" || stem == L"CONOUT$") return true;
  return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
         isPortDigit(stem[3]);
}

Status validateEntryPath(const std::wstring& path) {
  if (path.empty()) return unsafe(L"Archive entry has an empty path");
  if (path.size() > kMaxEntryPathLength) return unsafe(L"Archive entry path exceeds the 32768 character limit");
  if (path.front() == L'/') return unsafe(L"Archive entry path is absolute: ", path);
  if (path.back() == L'/') return unsafe(L"Archive entry path ends with a separator: ", path);
  if (path.size() >= 2 && path[1] == L':') return unsafe(L"Archive entry path carries a drive letter: ", path);

  for (const wchar_t c : path) {
    if (c == 0) return unsafe(L"Archive entry path contains NUL");
    if (uint32_t(c) < 0x20) return unsafe(L"Archive entry path contains a control character");
    if (c == L'\\') return unsafe(L"Archive entry path contains a backslash; stored paths use '/': ", path);
    if (c == L':') return unsafe(L"Archive entry path contains ':' (alternate data stream): ", path);
    if (isReservedCharacter(c)) return unsafe(L"Archive entry path contains a wildcard or reserved character: ", path);
  }

  for (const std::wstring& segment : splitAtSlashes(path)) {
    if (segment.empty()) return unsafe(L"Archive entry path has an empty segment: ", path);
    if (segment == L"." || segment == L"..") return unsafe(L"Archive entry path contains a relative segment: ", path);
    if (segment.back() == L'.' || segment.back() == L' ') {
      return unsafe(L"Archive entry path segment ends with a dot or space: ", path);
    }
    if (isReservedDeviceName(segment)) return unsafe(L"Archive entry path uses a reserved device name: ", path);
  }
  return Status();
}

Result<std::wstring> normalizePath(const std::wstring& path) {
  std::wstring slashed = path;
  std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
  std::wstring joined;
  for (const std::wstring& segment : splitAtSlashes(slashed)) {
    if (segment.empty() || segment == L".") continue;
    if (!joined.empty()) joined.push_back(L'/');
    joined += segment;
  }
  if (joined.empty()) return Failure{StatusCode::invalid_argument, L"Path normalizes to nothing: " + path};
  TOLZEB_TRY(validateEntryPath(joined));
  return joined;
}

Result<std::wstring> resolveExtractionPath(const std::wstring& root, const std::wstring& entryPath) {
  TOLZEB_TRY(validateEntryPath(entryPath));
  TOLZEB_ASSIGN_OR_RETURN(std::wstring fullRoot, fullPath(root));
  // A drive root such as C:\ keeps its separator.
  while (fullRoot.size() > 3 && (fullRoot.back() == L'/' || fullRoot.back() == kPathSeparator)) {
    fullRoot.pop_back();
  }
  std::wstring entry = entryPath;
  std::replace(entry.begin(), entry.end(), L'/', kPathSeparator);
  TOLZEB_ASSIGN_OR_RETURN(std::wstring target, fullPath(joinPath(fullRoot, entry)));

  // Proven below the root: a longer path that starts with the root, at a separator boundary.
  const std::wstring rootKey = comparable(fullRoot);
  const std::wstring targetKey = comparable(target);
  const bool below = targetKey.size() > rootKey.size() && targetKey.compare(0, rootKey.size(), rootKey) == 0 &&
                     (rootKey.back() == kPathSeparator || targetKey[rootKey.size()] == kPathSeparator);
  if (!below) return unsafe(L"Archive entry would be written outside the extraction root: ", entryPath);
  return target;
}

}  // namespace tolzeb
