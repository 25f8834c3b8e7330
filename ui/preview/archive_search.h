// The archive search: a text looked for in the paths of the recorded archives and in the names of
// the entries inside them. One matching rule serves both halves: the synchronous filter over the
// archive paths that runs while the user types, and the background worker that lists each archive
// and collects the entries whose paths contain the text.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "formats/engine_calls.h"
#include "ui/app/app_message.h"

namespace tolzeb::ui {

// Fixed limits of one search.
inline constexpr uint64_t kSearchArchiveLimit = 200;
inline constexpr size_t kSearchHitLimit = 400;
// Progress posts of the worker are at least this far apart, plus one when it ends.
inline constexpr uint64_t kSearchProgressIntervalMs = 100;

struct SearchHit {
  std::wstring archivePath;
  std::wstring entryName;  // '/'-separated; empty for a hit on the archive's own path
  uint64_t size = 0;
  bool isFolder = false;

  bool operator==(const SearchHit&) const = default;
};

// The text lower-cased by the invariant locale's linguistic rules, so a match does not depend on
// the user's locale; the text unchanged when it cannot be mapped.
std::wstring foldForSearch(const std::wstring& text);
// The folded query is not empty and occurs in the folded name. The query must be folded already.
bool nameMatches(const std::wstring& name, const std::wstring& foldedQuery);
// The paths that contain the query (the whole path is matched), in their order, at most 400; an
// empty folded query gives none. Only `archivePath` of each hit is set.
std::vector<SearchHit> filterEntriesByName(const std::vector<std::wstring>& paths, const std::wstring& query);

// Milliseconds of a monotonic clock.
uint64_t searchClockMilliseconds();

// What the worker uses of the world outside it; a test hands in stand-ins.
struct ArchiveSearchServices {
  const EngineCalls* engine = &linkedEngine();
  std::function<bool(const std::wstring&)> pathExists;  // empty: the file layer's
  std::function<bool(WindowHandle, AppMessage, uintptr_t, intptr_t)> post = postAppMessage;
  std::function<uint64_t()> tickMilliseconds = searchClockMilliseconds;
};

// The background half. Every public operation is called on the UI thread; the worker writes the
// results under `mutex_` (never held across a detection or listing) and posts SearchProgress.
class ArchiveSearch {
 public:
  struct Snapshot {
    std::wstring query;
    std::vector<SearchHit> hits;  // in the order found, at most 400
    uint64_t archivesSearched = 0;    // listed or unreadable
    uint64_t archivesTotal = 0;       // paths handed to start
    uint64_t archivesMissing = 0;     // no longer on disk
    uint64_t archivesUnreadable = 0;  // kind unknown or listing failed
    bool running = false;
    bool truncated = false;  // stopped at a limit
  };

  ArchiveSearch();
  explicit ArchiveSearch(ArchiveSearchServices services);
  ~ArchiveSearch();
  ArchiveSearch(const ArchiveSearch&) = delete;
  ArchiveSearch& operator=(const ArchiveSearch&) = delete;

  // Stops and joins any previous worker, resets the results and starts a worker over the paths,
  // which posts to `window` (when not null). A failure to start the thread throws.
  void start(const std::wstring& query, std::vector<std::wstring> archivePaths, WindowHandle window);
  // Asks the worker to end at its next check; does not wait and keeps the results.
  void requestStop();
  // Asks the worker to end and joins it. Not from the worker (the join refuses it).
  void stopAndJoin();
  Snapshot snapshot() const;

 private:
  void run(const std::wstring& query, const std::vector<std::wstring>& paths, WindowHandle window);
  void post(WindowHandle window);

  ArchiveSearchServices services_;
  mutable std::mutex mutex_;
  Snapshot state_;
  std::atomic<bool> stopRequested_{false};
  std::thread worker_;
};

}  // namespace tolzeb::ui
