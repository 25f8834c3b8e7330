#include "engine/extract/extraction_run.h"

#include "engine/core/entry_path.h"
#include "engine/create/progress_report.h"

namespace tolzeb {
namespace {

Status createParentOf(const std::wstring& target) {
  std::wstring parent, name;
  splitPath(target, parent, name);
  if (parent.empty() || isDirectory(parent)) return {};
  return createDirectories(parent);
}

// Each item that already exists between the root and the target, the target included, must be
// what it seems: a link or reparse point (a junction, a mount point) would carry the write to
// wherever it points, outside the root as easily as inside.
Status refuseLinksOnTheWay(const std::wstring& root, const std::wstring& target) {
  size_t end = root.size();
  while (end < target.size()) {
    end = target.find(kPathSeparator, end + 1);
    if (end == std::wstring::npos) end = target.size();
    const std::wstring step = target.substr(0, end);
    Result<FileInfo> info = statPath(step);
    if (info.failed()) {
      // What is missing from here on is created by the extraction itself.
      if (info.failure().code == StatusCode::not_found) return {};
      return std::move(info).failure();
    }
    if (info->isReparsePoint) {
      return Failure{StatusCode::path_unsafe, L"Refusing to write through a link inside the destination: " + step};
    }
    if (!info->isDirectory) return {};  // the target itself, or a file in the way that creation reports
  }
  return {};
}

// The folder that holds `target`, opened one component at a time from the root without following
// a link, so that creating, renaming and deleting the file happen there even if a component is
// swapped for a link after the checks.
Result<HeldDirectory> holdParentOf(const std::wstring& root, const std::wstring& target, std::wstring& name) {
  std::wstring parent;
  splitPath(target, parent, name);
  std::wstring rootPrefix = root;
  // A drive root such as C:\ keeps its separator.
  while (rootPrefix.size() > 3 && rootPrefix.back() == kPathSeparator) rootPrefix.pop_back();
  if (parent.compare(0, rootPrefix.size(), rootPrefix) != 0) return HeldDirectory::open(parent, L"");
  return HeldDirectory::open(rootPrefix, parent.substr(rootPrefix.size()));
}

// Read-only, and on Windows hidden and system, make the file system refuse to replace a file;
// the archive's own attributes are applied again afterwards.
void makeReplaceable(const std::wstring& target) { (void)setAttributes(target, kAttributeArchive); }

// Enough for every leftover a user is likely to have; bounded so that a folder full of them
// cannot stall an extraction.
constexpr unsigned kTemporaryNameAttempts = 100;

}  // namespace

ExtractedFileWriter::ExtractedFileWriter(std::wstring root, const ExtractOptions& options, std::wstring existsMessage)
    : root_(std::move(root)), options_(options), existsMessage_(std::move(existsMessage)) {}

Status ExtractedFileWriter::createFolder(const std::wstring& target) {
  TOLZEB_TRY(refuseLinksOnTheWay(root_, target));
  return createDirectories(target);
}

Result<bool> ExtractedFileWriter::begin(const std::wstring& target) {
  discardUnfinished();
  TOLZEB_TRY(refuseLinksOnTheWay(root_, target));
  TOLZEB_TRY(createParentOf(target));
  if (pathExists(target)) {
    if (options_.overwrite == OverwritePolicy::fail) {
      return Failure{StatusCode::already_exists, existsMessage_ + target};
    }
    if (options_.overwrite == OverwritePolicy::skip) return false;
  }
  std::wstring name;
  TOLZEB_ASSIGN_OR_RETURN(HeldDirectory parent, holdParentOf(root_, target, name));
  // An item already holding the temporary name is stepped around, never deleted: it may be a
  // file of this very archive ("x" beside "x.zebtmp") or the user's. The exclusive creation
  // never opens an existing item, a link put there included.
  for (unsigned attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    std::wstring opened = name + (attempt == 0 ? std::wstring() : L"." + std::to_wstring(attempt)) + kReplacementSuffix;
    Result<UniqueHandle> created = parent.createFile(opened, /*exclusive=*/true);
    if (created.failed()) {
      if (created.failure().code == StatusCode::already_exists) continue;
      return std::move(created).failure();
    }
    file_ = std::move(created).value();
    target_ = target;
    targetName_ = std::move(name);
    openedName_ = std::move(opened);
    parent_.emplace(std::move(parent));
    return true;
  }
  return Failure{StatusCode::already_exists, L"No free temporary name to write " + target};
}

Status ExtractedFileWriter::write(const void* data, uint64_t length) {
  if (length == 0) return {};
  return file_.writeAll(data, length);
}

Status ExtractedFileWriter::finish(uint64_t modified, uint32_t attributes) {
  file_.close();
  if (pathExists(target_)) makeReplaceable(target_);
  Status moved = parent_->rename(openedName_, targetName_);
  if (moved.failed()) {
    discardUnfinished();
    return moved;
  }
  openedName_.clear();
  parent_.reset();
  // Failures here are not reported: the data is complete. The time comes first so that a
  // read-only attribute cannot block it.
  if (options_.restoreTimes && modified != 0) (void)setFileTimes(target_, modified);
  if (options_.restoreAttributes && attributes != 0) (void)setAttributes(target_, attributes);
  return {};
}

void ExtractedFileWriter::discardUnfinished() {
  file_.close();
  if (parent_ && !openedName_.empty()) (void)parent_->remove(openedName_);
  openedName_.clear();
  parent_.reset();
}

ExtractionRun::ExtractionRun(const std::wstring& root, const std::vector<std::wstring>& selection,
                             const ExtractOptions& options, const ProgressCallback& progress, uint64_t bytesTotal,
                             uint64_t itemsTotal, std::wstring existsMessage)
    : root_(root),
      selection_(selection.begin(), selection.end()),
      progress_(progress),
      writer_(root, options, std::move(existsMessage)) {
  report_.phase = Progress::Phase::Writing;
  report_.bytesTotal = bytesTotal;
  report_.itemsTotal = itemsTotal;
}

Result<std::wstring> ExtractionRun::prepareRoot(const std::wstring& destination) {
  TOLZEB_ASSIGN_OR_RETURN(std::wstring root, fullPath(destination));
  TOLZEB_TRY(createDirectories(root));
  return root;
}

bool ExtractionRun::isSelected(const std::wstring& entryPath) {
  const bool selected = selection_.empty() || selection_.count(entryPath) != 0;
  anySelected_ = anySelected_ || selected;
  return selected;
}

Status ExtractionRun::createFolder(const std::wstring& entryPath) {
  TOLZEB_ASSIGN_OR_RETURN(const std::wstring target, resolveExtractionPath(root_, entryPath));
  TOLZEB_TRY(writer_.createFolder(target));
  ++stats_.directories;
  return {};
}

Result<bool> ExtractionRun::beginFile(const std::wstring& entryPath) {
  TOLZEB_ASSIGN_OR_RETURN(const std::wstring target, resolveExtractionPath(root_, entryPath));
  TOLZEB_ASSIGN_OR_RETURN(const bool writing, writer_.begin(target));
  if (!writing) ++report_.itemsDone;
  return writing;
}

Status ExtractionRun::write(const void* data, uint64_t length) {
  TOLZEB_TRY(writer_.write(data, length));
  stats_.inputBytes += length;
  return {};
}

Status ExtractionRun::finishFile(const std::wstring& entryPath, uint64_t modified) {
  TOLZEB_TRY(writer_.finish(modified, 0));
  ++stats_.files;
  report_.bytesDone = stats_.inputBytes;
  ++report_.itemsDone;
  report_.currentItem = entryPath;
  report_.seconds = stopwatch_.seconds();
  if (!reportProgress(progress_, report_)) return Failure{StatusCode::canceled, L"Extraction canceled"};
  return {};
}

Result<ArchiveStats> ExtractionRun::finish(uint64_t entries, uint64_t archiveBytes) {
  if (!selection_.empty() && !anySelected_) {
    return Failure{StatusCode::not_found, L"None of the selected entries are in this archive"};
  }
  stats_.entries = entries;
  stats_.archiveBytes = archiveBytes;
  stats_.seconds = stopwatch_.seconds();
  report_.phase = Progress::Phase::Done;
  report_.seconds = stats_.seconds;
  (void)reportProgress(progress_, report_);
  return stats_;
}

}  // namespace tolzeb
