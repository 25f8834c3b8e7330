#include "engine/tools/compare.h"

#include <algorithm>
#include <map>
#include <set>

#include "engine/core/entry_path.h"
#include "engine/core/fs.h"
#include "engine/create/progress_report.h"
#include "engine/read/list_archive.h"
#include "engine/tools/archive_paths.h"
#include "engine/tools/content_hash.h"

namespace tolzeb {
namespace {

constexpr size_t kReadBufferSize = 1 << 20;

// Deep mode hashes every entry; the shallow one only lists, reading no contents.
Result<std::vector<EntryHash>> archiveSide(const std::wstring& archivePath, Password password, bool deep,
                                           const ProgressCallback& progress) {
  if (deep) return hashEntries(archivePath, std::move(password), progress);
  TOLZEB_ASSIGN_OR_RETURN(const ArchiveListing listing, listArchive(archivePath, password));
  std::vector<EntryHash> side;
  side.reserve(listing.entries.size());
  for (const ListedEntry& listed : listing.entries) {
    EntryHash entry;
    entry.path = listed.path;
    entry.size = listed.size;
    entry.modified = listed.modified;
    entry.isDirectory = listed.isDirectory;
    side.push_back(std::move(entry));
  }
  return side;
}

}  // namespace

Result<CompareResult> compareArchive(const std::wstring& archivePath, const std::wstring& folder, Password password,
                                     bool deep, const ProgressCallback& progress) {
  const Stopwatch clock;
  TOLZEB_ASSIGN_OR_RETURN(const std::wstring root, fullPath(folder));
  if (!isDirectory(root)) return makeFailure(StatusCode::invalid_argument, L"Not a folder: " + folder);
  TOLZEB_ASSIGN_OR_RETURN(const std::vector<EntryHash> archived,
                          archiveSide(archivePath, std::move(password), deep, progress));
  std::map<std::wstring, const EntryHash*> byPath;
  for (const EntryHash& entry : archived) {
    if (!entry.isDirectory) byPath.emplace(entry.path, &entry);
  }

  TOLZEB_ASSIGN_OR_RETURN(const std::vector<FileInfo> items, enumerateTree(root));
  const std::wstring prefix = folderLeafName(root);
  Progress report;
  report.phase = Progress::Phase::Verifying;
  report.itemsTotal = items.size();
  std::vector<uint8_t> buffer(deep ? kReadBufferSize : 0);

  CompareResult result;
  result.hashed = deep;
  std::set<std::wstring> seen;
  for (const FileInfo& item : items) {
    if (item.isDirectory || item.isReparsePoint) continue;
    TOLZEB_ASSIGN_OR_RETURN(std::wstring path, normalizePath(joinArchivePath(prefix, item.relativePath)));
    seen.insert(path);
    const auto found = byPath.find(path);
    if (found == byPath.end()) {
      result.rows.push_back(CompareRow{std::move(path), CompareRow::OnlyInFolder, 0, item.size});
      ++result.onlyInFolder;
      continue;
    }
    const EntryHash& entry = *found->second;
    bool same = false;
    uint8_t kind = CompareRow::SizeDiffers;
    if (entry.size != item.size) {
      kind = CompareRow::SizeDiffers;
    } else if (deep) {
      TOLZEB_ASSIGN_OR_RETURN(const Sha256Digest digest, hashFileSha256(item.path, buffer));
      same = constantTimeEqual(digest.data(), entry.sha256.data(), digest.size());
      kind = CompareRow::Sha256Differs;
    } else {
      same = entry.modified == item.modified;
      kind = CompareRow::TimeDiffers;
    }
    if (same) {
      ++result.identical;
    } else {
      result.rows.push_back(CompareRow{std::move(path), kind, entry.size, item.size});
      ++result.different;
    }
    ++report.itemsDone;
    report.seconds = clock.seconds();
    if (!reportProgress(progress, report)) return makeFailure(StatusCode::canceled, L"Comparison canceled");
  }
  for (const auto& [path, entry] : byPath) {
    if (seen.count(path) != 0) continue;
    result.rows.push_back(CompareRow{path, CompareRow::OnlyInArchive, entry->size, 0});
    ++result.onlyInArchive;
  }
  std::stable_sort(result.rows.begin(), result.rows.end(),
                   [](const CompareRow& a, const CompareRow& b) { return a.path < b.path; });
  result.seconds = clock.seconds();
  return result;
}

}  // namespace tolzeb
