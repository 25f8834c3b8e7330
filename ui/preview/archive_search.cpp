#include "ui/preview/archive_search.h"

#include <chrono>
#include <utility>

#include "engine/core/fs.h"

namespace tolzeb::ui {

bool nameMatches(const std::wstring& name, const std::wstring& foldedQuery) {
  if (foldedQuery.empty()) return false;
  return foldForSearch(name).find(foldedQuery) != std::wstring::npos;
}

std::vector<SearchHit> filterEntriesByName(const std::vector<std::wstring>& paths, const std::wstring& query) {
  std::vector<SearchHit> hits;
  const std::wstring folded = foldForSearch(query);
  if (folded.empty()) return hits;
  for (const std::wstring& path : paths) {
    if (hits.size() >= kSearchHitLimit) break;
    if (nameMatches(path, folded)) hits.push_back(SearchHit{path, {}, 0, false});
  }
  return hits;
}

uint64_t searchClockMilliseconds() {
  using namespace std::chrono;
  return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

ArchiveSearch::ArchiveSearch() : ArchiveSearch(ArchiveSearchServices{}) {}

ArchiveSearch::ArchiveSearch(ArchiveSearchServices services) : services_(std::move(services)) {
  if (!services_.engine) services_.engine = &linkedEngine();
  if (!services_.pathExists) services_.pathExists = [](const std::wstring& path) { return pathExists(path); };
  if (!services_.tickMilliseconds) services_.tickMilliseconds = searchClockMilliseconds;
}

ArchiveSearch::~ArchiveSearch() { stopAndJoin(); }

void ArchiveSearch::start(const std::wstring& query, std::vector<std::wstring> archivePaths, WindowHandle window) {
  stopAndJoin();
  stopRequested_ = false;
  {
    std::lock_guard lock(mutex_);
    state_ = Snapshot{};
    state_.query = query;
    state_.archivesTotal = archivePaths.size();
    state_.running = true;
  }
  worker_ = std::thread([this, query, paths = std::move(archivePaths), window] { run(query, paths, window); });
}

void ArchiveSearch::requestStop() { stopRequested_ = true; }

void ArchiveSearch::stopAndJoin() {
  stopRequested_ = true;
  if (worker_.joinable()) worker_.join();
}

ArchiveSearch::Snapshot ArchiveSearch::snapshot() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void ArchiveSearch::post(WindowHandle window) {
  if (window && services_.post) services_.post(window, AppMessage::SearchProgress, 0, 0);
}

void ArchiveSearch::run(const std::wstring& query, const std::vector<std::wstring>& paths, WindowHandle window) {
  const EngineCalls& engine = *services_.engine;
  const std::wstring folded = foldForSearch(query);
  uint64_t lastPost = 0;

  for (const std::wstring& path : paths) {
    if (stopRequested_) break;
    {
      std::lock_guard lock(mutex_);
      if (state_.archivesSearched >= kSearchArchiveLimit || state_.hits.size() >= kSearchHitLimit) {
        state_.truncated = true;
        break;
      }
    }
    if (!services_.pathExists(path)) {
      std::lock_guard lock(mutex_);
      ++state_.archivesMissing;
      continue;
    }

    std::vector<SearchHit> found;
    bool readable = false;
    bool entriesLeft = false;
    Result<ArchiveKind> kind = engine.detectArchiveKind(path);
    if (kind.hasValue()) {
      Result<ArchiveListing> listing = engine.listAnyArchive(path, kind.value(), Password{});
      if (listing.hasValue()) {
        readable = true;
        const std::vector<ListedEntry>& entries = listing.value().entries;
        for (size_t i = 0; i < entries.size() && !stopRequested_; ++i) {
          if (found.size() >= kSearchHitLimit) {
            entriesLeft = true;
            break;
          }
          const ListedEntry& entry = entries[i];
          if (nameMatches(entry.path, folded)) found.push_back({path, entry.path, entry.size, entry.isDirectory});
        }
      }
    }

    {
      std::lock_guard lock(mutex_);
      ++state_.archivesSearched;
      if (!readable) {
        ++state_.archivesUnreadable;
      } else {
        if (entriesLeft) state_.truncated = true;
        for (SearchHit& hit : found) {
          if (state_.hits.size() >= kSearchHitLimit) {
            state_.truncated = true;
            break;
          }
          state_.hits.push_back(std::move(hit));
        }
      }
    }

    const uint64_t now = services_.tickMilliseconds();
    if (now - lastPost >= kSearchProgressIntervalMs) {
      post(window);
      lastPost = now;
    }
  }

  {
    std::lock_guard lock(mutex_);
    state_.running = false;
  }
  post(window);
}

}  // namespace tolzeb::ui
