// The archives the graphical program has made, newest first, kept in history.txt beside
// settings.txt: a header line, then one line per archive of five tab-separated fields (timestamp,
// archive size, input size, milliseconds, path). UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tolzeb::ui {

inline constexpr size_t kMaxHistoryEntries = 200;
inline constexpr uint64_t kMaxHistoryFileBytes = 4194304;
inline constexpr const wchar_t* kHistoryHeader = L"TOLZEB-HISTORY-1";

struct HistoryEntry {
  std::wstring path;  // the archive's full path as it was written
  uint64_t archiveSize = 0;
  uint64_t inputSize = 0;
  uint64_t timestamp = 0;  // FILETIME, UTC
  double seconds = 0;      // how long the creation took
  bool missing = false;    // set by checkPresence; not stored
};

class History {
 public:
  // <local application data>\TOLZEB\history.txt; empty when that folder is not available.
  static std::wstring filePath();

  // Replaces the entries with the file's (none when it is absent or refused whole).
  void load();
  // Writes the whole file; true when the new file is in place.
  bool save();
  // Puts the entry first, whatever its timestamp, keeps the first 200 and saves.
  bool add(const HistoryEntry& entry);
  // Removes every entry and saves.
  bool clear();
  // Marks the entries whose path no longer names a file; network paths are never looked at.
  void checkPresence();

  // The first entry with a duration and an input size: its MiB per second and timestamp.
  bool latestThroughput(double& mibPerSecond, uint64_t& timestamp) const;
  // Input bytes minus archive bytes over the entries that shrank (at most 2^64 - 1).
  uint64_t bytesSaved() const;

  // True after a load found a file it refused whole (not UTF-8, too large, no header, not
  // readable). Until clear() the file is left as it is: add() then keeps the entry in memory only
  // and answers false, so the next archive does not wipe a history the user may still want to
  // rescue.
  bool fileRefused() const { return fileRefused_; }

  const std::vector<HistoryEntry>& entries() const { return entries_; }
  std::vector<HistoryEntry>& entries() { return entries_; }

 private:
  std::vector<HistoryEntry> entries_;
  bool fileRefused_ = false;
};

// The file's entries, newest first, at most 200; false (and no entries) when the bytes are not
// UTF-8 or the first non-empty line is not the header.
bool parseHistoryFile(const uint8_t* data, size_t size, std::vector<HistoryEntry>& entries);

// The file's text for these entries, newest first. Entries whose lines would take the UTF-8 file
// past 4 MiB are left out (the oldest ones), so the program never writes a file it would refuse to
// read. False when a path cannot be written as UTF-8.
bool historyFileBytes(const std::vector<HistoryEntry>& entries, std::vector<uint8_t>& bytes);

// The duration in whole milliseconds: truncated, NaN and negative as 0, too large as 2^64 - 1.
uint64_t durationMilliseconds(double seconds);

// A decimal field as wcstoull in base 10 reads it: leading blanks, an optional sign, then digits up
// to the first other character; no digits give 0, overflow 2^64 - 1, and a minus sign negates
// modulo 2^64.
uint64_t parseHistoryNumber(const std::wstring& field);

}  // namespace tolzeb::ui
