#include "engine/create/source_scan.h"

#include <algorithm>

#include "engine/core/entry_path.h"
#include "engine/core/fs.h"
#include "engine/create/progress_report.h"

namespace tolzeb {
void trimTrailingSeparators(std::wstring& path) {
  while (path.size() > 1 && isPathSeparator(path.back())) {
    const bool driveRoot = path.size() == 3 && path[1] == L':';
    if (driveRoot) break;
    path.pop_back();
  }
}

SourceEntry sourceEntryFrom(const FileInfo& item, std::wstring sourcePath, std::wstring archivePath) {
  SourceEntry entry;
  entry.sourcePath = std::move(sourcePath);
  entry.archivePath = std::move(archivePath);
  entry.isDirectory = item.isDirectory;
  entry.size = item.isDirectory ? 0 : item.size;
  entry.modified = item.modified;
  entry.attributes = item.attributes;
  return entry;
}

Result<std::wstring> archiveNameFor(const std::wstring& root, const std::wstring& relative, bool rootIsDirectory) {
  std::wstring parent;
  std::wstring name;
  splitPath(root, parent, name);
  if (name.empty()) {
    return Failure{StatusCode::invalid_argument, L"Cannot derive an archive name from source: " + root};
  }
  std::wstring candidate = rootIsDirectory && !relative.empty() ? name + L"/" + relative : name;
  // Where '\' is an ordinary name character (POSIX), normalising would quietly turn it into a
  // folder boundary; such a name is refused as the entry-path rules refuse a stored backslash.
  if (kPathSeparator == L'/' && candidate.find(L'\\') != std::wstring::npos) {
    return Failure{StatusCode::path_unsafe,
                   L"Archive entry path contains a backslash; stored paths use '/': " + candidate};
  }
  return normalizePath(candidate);
}

Result<std::vector<SourceEntry>> scanSources(const std::vector<std::wstring>& sources, const ProgressCallback& progress,
                                             const Stopwatch& stopwatch, const std::set<std::wstring>* include) {
  std::vector<SourceEntry> entries;
  std::set<std::wstring> seen;
  Progress report;
  report.phase = Progress::Phase::Scanning;

  for (const std::wstring& source : sources) {
    TOLZEB_ASSIGN_OR_RETURN(std::wstring path, fullPath(source));
    trimTrailingSeparators(path);
    TOLZEB_ASSIGN_OR_RETURN(FileInfo info, statPath(path));
    const bool sourceIsDirectory = info.isDirectory;

    if (sourceIsDirectory) {
      TOLZEB_ASSIGN_OR_RETURN(std::wstring ownName, archiveNameFor(path, L"", true));
      // Same-named folders from different places merge into one folder of the archive.
      if (seen.insert(ownName).second) entries.push_back(sourceEntryFrom(info, path, std::move(ownName)));
    }

    TOLZEB_ASSIGN_OR_RETURN(std::vector<FileInfo> items, enumerateTree(path));
    for (FileInfo& item : items) {
      if (item.isReparsePoint) continue;
      TOLZEB_ASSIGN_OR_RETURN(std::wstring archivePath, archiveNameFor(path, item.relativePath, sourceIsDirectory));
      if (!seen.insert(archivePath).second) {
        return Failure{StatusCode::invalid_argument, L"Two sources map to the same archive path: " + archivePath};
      }
      if (include && !item.isDirectory && !include->count(archivePath)) continue;
      entries.push_back(sourceEntryFrom(item, std::move(item.path), std::move(archivePath)));

      report.itemsTotal = entries.size();
      report.currentItem = entries.back().sourcePath;
      report.seconds = stopwatch.seconds();
      if (!reportProgress(progress, report)) return Failure{StatusCode::canceled, L"Scan canceled"};
    }
  }

  std::sort(entries.begin(), entries.end(),
            [](const SourceEntry& a, const SourceEntry& b) { return a.archivePath < b.archivePath; });
  return entries;
}

}  // namespace tolzeb
