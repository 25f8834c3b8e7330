// The rows the archive viewer shows: the entries kept by the name filter, in the chosen sort
// order, and the sums the page shows about the ticked entries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/types.h"
#include "ui/app/page_state.h"

namespace tolzeb::ui {

// The text without spaces and tabs at either end.
std::wstring trimSpacesAndTabs(const std::wstring& text);

// Indices of the entries whose whole '/'-separated path contains the filter (trimmed, any letter
// case), in listing order; every entry for a blank filter.
std::vector<int32_t> filterViewerEntries(const std::vector<ListedEntry>& entries, const std::wstring& filter);

// Negative, 0 or positive as `left` sorts before, with or after `right`: unit by unit with only
// A-Z folded to a-z, the shorter path first when one is the start of the other.
int compareEntryNames(const std::wstring& left, const std::wstring& right);

// Whether entry `left` comes before entry `right` under the viewer's sort column and direction.
// Sizes put folders first in both directions; equal keys fall back to the names.
bool compareViewerRows(const PageState& state, int32_t left, int32_t right);

// Replaces `viewerRows` from `viewerEntries`, `viewerFilter` and the sort order. Equal keys keep
// the listing order.
void rebuildViewerRows(PageState& state);

// Bytes of the ticked entries that are files, over all entries, hidden by the filter or not.
uint64_t tickedFileBytes(const PageState& state);
// How many entries are ticked, over all entries.
size_t tickedEntryCount(const PageState& state);

}  // namespace tolzeb::ui
