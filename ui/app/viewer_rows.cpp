#include "ui/app/viewer_rows.h"

#include <algorithm>

#include "ui/preview/archive_search.h"

namespace tolzeb::ui {
namespace {

wchar_t foldAsciiLetter(wchar_t unit) { return unit >= L'A' && unit <= L'Z' ? wchar_t(unit - L'A' + L'a') : unit; }

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
  // The search's fold and match, so the filter and the search agree on every letter.
  const std::wstring folded = foldForSearch(trimSpacesAndTabs(filter));
  std::vector<int32_t> kept;
  kept.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    if (folded.empty() || nameMatches(entries[i].path, folded)) kept.push_back(int32_t(i));
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
