#include "ui/app/viewer_rows.h"

#include <algorithm>

namespace tolzeb::ui {
namespace {

wchar_t foldAsciiLetter(wchar_t unit) { return unit >= L'A' && unit <= L'Z' ? wchar_t(unit - L'A' + L'a') : unit; }

// Letter case folded for the filter. Covers ASCII and the Latin-1/Latin Extended-A, Greek and
// Cyrillic capitals whose small letters sit at a fixed distance; the search's shared fold takes
// over once it is in the tree.
std::wstring foldForFilter(const std::wstring& text) {
  std::wstring folded = text;
  for (wchar_t& unit : folded) {
    const unsigned u = unsigned(unit) & 0xFFFFu;
    if (u >= 'A' && u <= 'Z')
      unit = wchar_t(u + 32);
    else if (u >= 0xC0 && u <= 0xDE && u != 0xD7)
      unit = wchar_t(u + 32);
    else if (((u >= 0x100 && u <= 0x137) || (u >= 0x14A && u <= 0x177)) && u != 0x130 && (u & 1) == 0)
      unit = wchar_t(u + 1);
    else if (u >= 0x391 && u <= 0x3A9 && u != 0x3A2)
      unit = wchar_t(u + 32);
    else if (u >= 0x410 && u <= 0x42F)
      unit = wchar_t(u + 32);
    else if (u >= 0x400 && u <= 0x40F)
      unit = wchar_t(u + 80);
  }
  return folded;
}

int compareUnsigned(uint64_t left, uint64_t right) { return left < right ? -1 : left > right ? 1 : 0; }

}  // namespace

std::wstring trimSpacesAndTabs(const std::wstring& text) {
  const auto blank = [](wchar_t unit) { return unit == L' ' || unit == L'\t'; };
  size_t first = 0, last = text.size();
  while (first < last && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::vector<int32_t> filterViewerEntries(const std::vector<ListedEntry>& entries, const std::wstring& filter) {
  const std::wstring folded = foldForFilter(trimSpacesAndTabs(filter));
  std::vector<int32_t> kept;
  kept.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    if (folded.empty() || foldForFilter(entries[i].path).find(folded) != std::wstring::npos) kept.push_back(int32_t(i));
  }
  return kept;
}

int compareEntryNames(const std::wstring& left, const std::wstring& right) {
  const size_t shorter = std::min(left.size(), right.size());
  for (size_t i = 0; i < shorter; ++i) {
    // Units are UTF-16 values, so they compare as unsigned 16-bit numbers on every platform.
    const unsigned a = unsigned(foldAsciiLetter(left[i])) & 0xFFFFu;
    const unsigned b = unsigned(foldAsciiLetter(right[i])) & 0xFFFFu;
    if (a != b) return a < b ? -1 : 1;
  }
  return compareUnsigned(left.size(), right.size());
}

bool compareViewerRows(const PageState& state, int32_t left, int32_t right) {
  const ListedEntry& a = state.viewerEntries[size_t(left)];
  const ListedEntry& b = state.viewerEntries[size_t(right)];
  int order = 0;
  switch (state.viewerSortColumn) {
    case 1:
      // Folders lead whatever the direction, so they are decided before it applies.
      if (a.isDirectory != b.isDirectory) return a.isDirectory;
      order = compareUnsigned(a.size, b.size);
      break;
    case 2:
      order = compareUnsigned(a.modified, b.modified);
      break;
    default:
      break;
  }
  if (order == 0) order = compareEntryNames(a.path, b.path);
  return state.viewerSortAscending ? order < 0 : order > 0;
}

void rebuildViewerRows(PageState& state) {
  state.viewerRows = filterViewerEntries(state.viewerEntries, state.viewerFilter.text);
  std::stable_sort(state.viewerRows.begin(), state.viewerRows.end(),
                   [&state](int32_t left, int32_t right) { return compareViewerRows(state, left, right); });
}

uint64_t tickedFileBytes(const PageState& state) {
  uint64_t total = 0;
  const size_t count = std::min(state.viewerEntries.size(), state.viewerTicked.size());
  for (size_t i = 0; i < count; ++i) {
    if (state.viewerTicked[i] && !state.viewerEntries[i].isDirectory) total += state.viewerEntries[i].size;
  }
  return total;
}

size_t tickedEntryCount(const PageState& state) {
  return size_t(std::count_if(state.viewerTicked.begin(), state.viewerTicked.end(), [](uint8_t t) { return t != 0; }));
}

}  // namespace tolzeb::ui
