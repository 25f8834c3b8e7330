#include "formats/source_collection.h"

#include <algorithm>
#include <set>

#include "engine/core/fs.h"
#include "engine/create/source_scan.h"

namespace tolzeb {
namespace {

Failure duplicatePath(const std::wstring& archivePath) {
  return Failure{StatusCode::invalid_argument, L"Two sources map to the same archive path: " + archivePath};
}

}  // namespace

Result<std::vector<SourceEntry>> collectArchiveSources(const std::vector<std::wstring>& sources) {
  std::vector<SourceEntry> entries;
  std::set<std::wstring> taken;

  for (const std::wstring& source : sources) {
    TOLZEB_ASSIGN_OR_RETURN(std::wstring path, fullPath(source));
    trimTrailingSeparators(path);
    TOLZEB_ASSIGN_OR_RETURN(FileInfo info, statPath(path));

    if (!info.isDirectory) {
      // A file named directly is kept even when it is a link: the user chose it. The link's own
      // size is 0, so the size is taken from the file it leads to, or its content would be lost.
      if (info.isReparsePoint) {
        TOLZEB_ASSIGN_OR_RETURN(UniqueHandle target, openForRead(path));
        TOLZEB_ASSIGN_OR_RETURN(info.size, target.fileSize());
      }
      TOLZEB_ASSIGN_OR_RETURN(std::wstring archivePath, archiveNameFor(path, L"", false));
      if (!taken.insert(archivePath).second) return duplicatePath(archivePath);
      entries.push_back(sourceEntryFrom(info, path, std::move(archivePath)));
      continue;
    }

    TOLZEB_ASSIGN_OR_RETURN(std::wstring ownName, archiveNameFor(path, L"", true));
    // Same-named folders from different places merge into one folder of the archive.
    if (taken.insert(ownName).second) entries.push_back(sourceEntryFrom(info, path, std::move(ownName)));

    TOLZEB_ASSIGN_OR_RETURN(std::vector<FileInfo> items, enumerateTree(path));
    for (FileInfo& item : items) {
      if (item.isReparsePoint) continue;
      TOLZEB_ASSIGN_OR_RETURN(std::wstring archivePath, archiveNameFor(path, item.relativePath, true));
      if (!taken.insert(archivePath).second) return duplicatePath(archivePath);
      entries.push_back(sourceEntryFrom(item, std::move(item.path), std::move(archivePath)));
    }
  }

  std::sort(entries.begin(), entries.end(),
            [](const SourceEntry& a, const SourceEntry& b) { return a.archivePath < b.archivePath; });
  return entries;
}

Result<std::vector<uint8_t>> readWholeFile(const std::wstring& path, uint64_t size) {
  if (size == 0) return std::vector<uint8_t>();
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openForRead(path));
  std::vector<uint8_t> buffer(size);
  TOLZEB_ASSIGN_OR_RETURN(uint64_t got, file.readAt(0, buffer.data(), size));
  if (got < size) {
    return Failure{StatusCode::io_failure, L"File changed size while it was being read: " + path};
  }
  return buffer;
}

}  // namespace tolzeb
