#include "cli/incremental_archive.h"

#include <utility>

#include "engine/core/entry_path.h"
#include "engine/core/fs.h"
#include "engine/core/sha256.h"
#include "engine/tools/archive_paths.h"
#include "formats/archive_kind.h"

namespace tolzeb::cli {
namespace {

constexpr size_t kHashBufferSize = 1u << 20;

Result<std::vector<ReferenceFile>> readReference(const EngineCalls& engine, const std::wstring& reference,
                                                 const Password& password, bool deep,
                                                 const ProgressCallback& progress) {
  std::vector<ReferenceFile> files;
  if (deep) {
    TOLZEB_ASSIGN_OR_RETURN(std::vector<EntryHash> hashes, engine.hashEntries(reference, password, progress));
    for (EntryHash& entry : hashes) {
      files.push_back(
          ReferenceFile{std::move(entry.path), entry.size, entry.modified, entry.isDirectory, entry.sha256});
    }
    return files;
  }
  TOLZEB_ASSIGN_OR_RETURN(ArchiveListing listing, engine.listAnyArchive(reference, ArchiveKind::zeb, password));
  for (ListedEntry& entry : listing.entries) {
    files.push_back(ReferenceFile{std::move(entry.path), entry.size, entry.modified, entry.isDirectory, {}});
  }
  return files;
}

}  // namespace

IncrementalSelection::IncrementalSelection(const std::vector<ReferenceFile>& reference, bool deep) : deep_(deep) {
  for (const ReferenceFile& file : reference) {
    if (!file.isDirectory) reference_.emplace(file.path, file);
  }
}

Status IncrementalSelection::noteFile(const std::wstring& archivePath, uint64_t size, uint64_t modified,
                                      const ContentHash& contentHash) {
  seen_.insert(archivePath);
  const auto found = reference_.find(archivePath);
  bool changed = found == reference_.end() || found->second.size != size;
  if (!changed) {
    if (deep_) {
      TOLZEB_ASSIGN_OR_RETURN(Sha256Digest digest, contentHash());
      changed = !constantTimeEqual(digest.data(), found->second.sha256.data(), digest.size());
    } else {
      changed = found->second.modified != modified;
    }
  }
  if (changed) {
    include_->insert(archivePath);
    ++changed_;
  } else {
    ++unchanged_;
  }
  return {};
}

uint64_t IncrementalSelection::gone() const {
  uint64_t count = 0;
  for (const auto& [path, file] : reference_) {
    if (seen_.count(path) == 0) ++count;
  }
  return count;
}

Result<IncrementalResult> createIncrementalArchive(const EngineCalls& engine, const std::vector<std::wstring>& sources,
                                                   const std::wstring& reference, const std::wstring& output,
                                                   const CompressionOptions& options, const Password& password,
                                                   bool deep, const ProgressCallback& progress) {
  const Stopwatch stopwatch;
  TOLZEB_ASSIGN_OR_RETURN(std::vector<ReferenceFile> referenceFiles,
                          readReference(engine, reference, password, deep, progress));
  IncrementalSelection selection(referenceFiles, deep);
  std::vector<uint8_t> hashBuffer;  // one buffer for every file hashed in this run
  if (deep) hashBuffer.assign(kHashBufferSize, 0);

  for (const std::wstring& source : sources) {
    TOLZEB_ASSIGN_OR_RETURN(std::wstring full, fullPath(source));
    const bool folder = isDirectory(full);
    const std::wstring leaf = folderLeafName(full);
    std::vector<FileInfo> entries;
    if (folder) {
      TOLZEB_ASSIGN_OR_RETURN(entries, enumerateTree(full));
    } else {
      TOLZEB_ASSIGN_OR_RETURN(FileInfo file, statPath(full));
      entries.push_back(std::move(file));
    }
    for (const FileInfo& entry : entries) {
      if (entry.isDirectory || entry.isReparsePoint) continue;
      TOLZEB_ASSIGN_OR_RETURN(std::wstring archivePath,
                              normalizePath(folder ? joinArchivePath(leaf, entry.relativePath) : leaf));
      const ContentHash contentHash = [&] { return engine.hashFileSha256(entry.path, hashBuffer); };
      TOLZEB_TRY(selection.noteFile(archivePath, entry.size, entry.modified, contentHash));
    }
  }

  if (selection.includePaths()->empty()) {
    return makeFailure(StatusCode::not_found, L"Nothing has changed since the reference archive; no archive written");
  }
  CompressionOptions incremental = options;
  incremental.includePaths = selection.includePaths();
  TOLZEB_ASSIGN_OR_RETURN(ArchiveStats stats, engine.createArchive(sources, output, incremental, progress));
  stats.seconds = stopwatch.seconds();
  return IncrementalResult{stats, selection.changed(), selection.unchanged(), selection.gone()};
}

}  // namespace tolzeb::cli
