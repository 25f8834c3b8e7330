#include "ui/foundation/history.h"

#include <algorithm>

#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "engine/core/text.h"
#include "ui/foundation/app_data.h"
#include "ui/foundation/data_file.h"

namespace tolzeb::ui {
namespace {

constexpr size_t kHistoryFieldCount = 5;
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr double kBytesPerMiB = 1048576.0;
// 2^64 as a double: every product at or above it saturates.
constexpr double kTwoToThe64 = 18446744073709551616.0;

bool isBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

std::vector<std::wstring> splitAtTabs(const std::wstring& line) {
  std::vector<std::wstring> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find(L'\t', start);
    if (tab == std::wstring::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

std::wstring entryLine(const HistoryEntry& entry) {
  std::wstring line;
  line += decimal(entry.timestamp);
  line += L'\t';
  line += decimal(entry.archiveSize);
  line += L'\t';
  line += decimal(entry.inputSize);
  line += L'\t';
  line += decimal(durationMilliseconds(entry.seconds));
  line += L'\t';
  line += entry.path;
  line += L'\n';
  return line;
}

bool isNetworkPath(const std::wstring& path) {
  auto isSeparator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

}  // namespace

uint64_t durationMilliseconds(double seconds) {
  const double milliseconds = seconds * kMillisecondsPerSecond;
  if (!(milliseconds > 0)) return 0;  // NaN too
  if (milliseconds >= kTwoToThe64) return UINT64_MAX;
  return uint64_t(milliseconds);
}

uint64_t parseHistoryNumber(const std::wstring& field) {
  size_t at = 0;
  while (at < field.size() && isBlank(field[at])) ++at;
  bool negative = false;
  if (at < field.size() && (field[at] == L'+' || field[at] == L'-')) negative = field[at++] == L'-';
  uint64_t value = 0;
  for (; at < field.size() && field[at] >= L'0' && field[at] <= L'9'; ++at) {
    const uint64_t digit = uint64_t(field[at] - L'0');
    if (value > (UINT64_MAX - digit) / 10) return UINT64_MAX;
    value = value * 10 + digit;
  }
  return negative ? 0 - value : value;
}

bool parseHistoryFile(const uint8_t* data, size_t size, std::vector<HistoryEntry>& entries) {
  entries.clear();
  Result<std::wstring> decoded = utf8ToUtf16(data, size);
  if (decoded.failed()) return false;
  const std::wstring& text = *decoded;

  bool headerSeen = false;
  for (const std::wstring& line : dataFileLines(text)) {
    if (line.empty()) continue;

    if (!headerSeen) {
      if (line != kHistoryHeader) return false;
      headerSeen = true;
      continue;
    }
    std::vector<std::wstring> fields = splitAtTabs(line);
    if (fields.size() < kHistoryFieldCount || fields[4].empty()) continue;
    HistoryEntry entry;
    entry.timestamp = parseHistoryNumber(fields[0]);
    entry.archiveSize = parseHistoryNumber(fields[1]);
    entry.inputSize = parseHistoryNumber(fields[2]);
    entry.seconds = double(parseHistoryNumber(fields[3])) / kMillisecondsPerSecond;
    entry.path = std::move(fields[4]);
    entries.push_back(std::move(entry));
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const HistoryEntry& a, const HistoryEntry& b) { return a.timestamp > b.timestamp; });
  if (entries.size() > kMaxHistoryEntries) entries.resize(kMaxHistoryEntries);
  return headerSeen;
}

bool historyFileBytes(const std::vector<HistoryEntry>& entries, std::vector<uint8_t>& bytes) {
  Result<std::vector<uint8_t>> header = utf16ToUtf8(std::wstring(kHistoryHeader) + L'\n');
  if (header.failed()) return false;
  bytes = std::move(*header);
  bool full = false;
  for (const HistoryEntry& entry : entries) {
    Result<std::vector<uint8_t>> line = utf16ToUtf8(entryLine(entry));
    if (line.failed()) return false;
    if (full || bytes.size() + line->size() > kMaxHistoryFileBytes) {
      full = true;  // older entries are left out, but every path must still be writable
      continue;
    }
    bytes.insert(bytes.end(), line->begin(), line->end());
  }
  return true;
}

std::wstring History::filePath() { return programDataFilePath(L"history.txt"); }

void History::load() {
  entries_.clear();
  fileRefused_ = false;
  std::vector<uint8_t> bytes;
  switch (readDataFile(filePath(), kMaxHistoryFileBytes, bytes)) {
    case DataFileRead::absent:
      return;
    case DataFileRead::refused:
      fileRefused_ = true;
      return;
    case DataFileRead::read:
      break;
  }
  if (!parseHistoryFile(bytes.data(), bytes.size(), entries_)) fileRefused_ = true;
}

bool History::save() {
  if (fileRefused_) return false;
  const std::wstring path = filePath();
  if (path.empty()) return false;
  std::vector<uint8_t> bytes;
  if (!historyFileBytes(entries_, bytes)) return false;
  return replaceDataFile(path, bytes);
}

bool History::add(const HistoryEntry& entry) {
  entries_.insert(entries_.begin(), entry);
  if (entries_.size() > kMaxHistoryEntries) entries_.resize(kMaxHistoryEntries);
  return save();
}

bool History::clear() {
  entries_.clear();
  // Clearing is the user's own decision about the old file.
  fileRefused_ = false;
  return save();
}

void History::checkPresence() {
  for (HistoryEntry& entry : entries_) {
    if (isNetworkPath(entry.path)) {
      // A look-up on an unreachable server could block the window.
      entry.missing = false;
    } else if (entry.path.empty()) {
      entry.missing = true;
    } else {
      Result<FileInfo> info = statPath(entry.path);
      entry.missing = info.failed() || info->isDirectory;
    }
  }
}

bool History::latestThroughput(double& mibPerSecond, uint64_t& timestamp) const {
  for (const HistoryEntry& entry : entries_) {
    if (entry.seconds > 0 && entry.inputSize != 0) {
      mibPerSecond = double(entry.inputSize) / kBytesPerMiB / entry.seconds;
      timestamp = entry.timestamp;
      return true;
    }
  }
  return false;
}

uint64_t History::bytesSaved() const {
  uint64_t saved = 0;
  for (const HistoryEntry& entry : entries_) {
    if (entry.archiveSize >= entry.inputSize) continue;
    const uint64_t shrink = entry.inputSize - entry.archiveSize;
    saved = shrink > UINT64_MAX - saved ? UINT64_MAX : saved + shrink;
  }
  return saved;
}

}  // namespace tolzeb::ui
