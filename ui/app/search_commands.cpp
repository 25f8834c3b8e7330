// The search field's effects on the window: the archive list searched, the name hits that follow
// every edit, and the background search started by Enter.
#include <set>

#include "ui/app/app_window.h"

namespace tolzeb::ui {

std::vector<std::wstring> AppWindow::searchArchiveList() const {
  std::vector<std::wstring> paths;
  std::set<std::wstring> taken;  // folded forms, so one archive typed two ways is searched once
  for (const HistoryEntry& entry : history.entries()) {
    if (entry.path.empty()) continue;
    if (taken.insert(foldForSearch(entry.path)).second) paths.push_back(entry.path);
  }
  return paths;
}

void AppWindow::refreshSearchNameHits() {
  pageState.searchNameHits = filterEntriesByName(searchArchiveList(), pageState.searchQuery.text);
}

void AppWindow::startSearch() {
  const std::wstring& query = pageState.searchQuery.text;
  if (query.empty()) {
    search.requestStop();
    pageState.searchSnapshot = {};
    pageState.searchedQuery.clear();
  } else {
    pageState.searchedQuery = query;
    search.start(query, searchArchiveList(), host_ ? host_->handle() : nullptr);
    pageState.searchSnapshot = search.snapshot();
  }
  requestRepaint();
}

void AppWindow::onSearchProgress() {
  pageState.searchSnapshot = search.snapshot();
  requestRepaint();
}

}  // namespace tolzeb::ui
