#include "engine/extract/extraction_run.h"

#include "engine/core/entry_path.h"
#include "engine/create/progress_report.h"

namespace tolzeb {
namespace {

// Read-only, and on Windows hidden and system, make the file system refuse to replace a file;
// the archive's own attributes are applied again afterwards.
void makeReplaceable(const HeldDirectory& folder, const std::wstring& name) {
  (void)folder.setAttributes(name, kAttributeArchive);
}

Failure linkAt(const std::wstring& target) {
  return Failure{StatusCode::path_unsafe, L"Refusing to write through a link inside the destination: " + target};
}

// Enough for every leftover a user is likely to have; bounded so that a folder full of them
// cannot stall an extraction.
constexpr unsigned kTemporaryNameAttempts = 100;
// Folder levels held open one by one; below them, the rest of the path is one step.
constexpr size_t kHeldDepth = 24;

}  // namespace

ExtractedFileWriter::ExtractedFileWriter(std::wstring root, const ExtractOptions& options, std::wstring existsMessage)
    : root_(std::move(root)), options_(options), existsMessage_(std::move(existsMessage)) {
  // A drive root such as C:\ keeps its separator.
  while (root_.size() > 3 && root_.back() == kPathSeparator) root_.pop_back();
}

Status ExtractedFileWriter::splitBelowRoot(const std::wstring& target, std::vector<std::wstring>& folders,
                                           std::wstring& name) const {
  folders.clear();
  name.clear();
  size_t start = root_.size();
  if (target.size() <= start || target.compare(0, start, root_) != 0 ||
      (root_.back() != kPathSeparator && target[start] != kPathSeparator)) {
    return Failure{StatusCode::path_unsafe, L"Archive entry would be written outside the extraction root: " + target};
  }
  while (start < target.size()) {
    size_t end = target.find(kPathSeparator, start);
    if (end == std::wstring::npos) end = target.size();
    if (end > start) {
      if (!name.empty()) folders.push_back(std::move(name));
      name = target.substr(start, end - start);
    }
    start = end + 1;
  }
  if (name.empty()) {
    return Failure{StatusCode::path_unsafe, L"Archive entry would be written outside the extraction root: " + target};
  }
  if (folders.size() > kHeldDepth) {
    std::wstring rest = std::move(folders[kHeldDepth]);
    for (size_t i = kHeldDepth + 1; i < folders.size(); ++i) rest += kPathSeparator + folders[i];
    folders.resize(kHeldDepth);
    folders.push_back(std::move(rest));
  }
  return {};
}

Result<std::shared_ptr<const HeldDirectory>> ExtractedFileWriter::holdFolder(const std::vector<std::wstring>& folders) {
  if (held_.empty()) {
    Result<HeldDirectory> root = HeldDirectory::open(root_, L"");
    if (root.failed() && root.failure().code == StatusCode::not_found) {
      TOLZEB_TRY(createDirectories(root_));
      root = HeldDirectory::open(root_, L"");
    }
    if (root.failed()) return std::move(root).failure();
    held_.push_back(std::make_shared<const HeldDirectory>(std::move(root).value()));
  }
  size_t kept = 0;
  while (kept < heldNames_.size() && kept < folders.size() && heldNames_[kept] == folders[kept]) ++kept;
  // A folder moved, or a component swapped for a link, since it was opened: walk down anew from
  // the root, which meets and refuses the link.
  if (kept > 0 && !held_[kept]->stillAtItsPath()) kept = 0;
  held_.resize(kept + 1);
  heldNames_.resize(kept);
  for (size_t i = kept; i < folders.size(); ++i) {
    // One component, or past kHeldDepth the rest of the path, walked a component at a time.
    std::shared_ptr<const HeldDirectory> step = held_.back();
    for (size_t start = 0; start < folders[i].size();) {
      size_t end = folders[i].find(kPathSeparator, start);
      if (end == std::wstring::npos) end = folders[i].size();
      TOLZEB_ASSIGN_OR_RETURN(HeldDirectory next, step->openChild(folders[i].substr(start, end - start), true));
      step = std::make_shared<const HeldDirectory>(std::move(next));
      start = end + 1;
    }
    held_.push_back(std::move(step));
    heldNames_.push_back(folders[i]);
  }
  return held_.back();
}

Status ExtractedFileWriter::createFolder(const std::wstring& target) {
  std::vector<std::wstring> folders;
  std::wstring name;
  TOLZEB_TRY(splitBelowRoot(target, folders, name));
  TOLZEB_ASSIGN_OR_RETURN(const std::shared_ptr<const HeldDirectory> parent, holdFolder(folders));
  TOLZEB_ASSIGN_OR_RETURN(const HeldDirectory::Item item, parent->itemAt(name));
  switch (item) {
    case HeldDirectory::Item::link:
      return linkAt(target);
    case HeldDirectory::Item::absent:
      return parent->createFolder(name);
    case HeldDirectory::Item::folder:
    case HeldDirectory::Item::file:  // as the folder chain is made: an item there is left to later steps
      return {};
  }
  return {};
}

Result<bool> ExtractedFileWriter::begin(const std::wstring& target) {
  discardUnfinished();
  std::vector<std::wstring> folders;
  std::wstring name;
  TOLZEB_TRY(splitBelowRoot(target, folders, name));
  TOLZEB_ASSIGN_OR_RETURN(std::shared_ptr<const HeldDirectory> parent, holdFolder(folders));
  TOLZEB_ASSIGN_OR_RETURN(const HeldDirectory::Item item, parent->itemAt(name));
  if (item == HeldDirectory::Item::link) return linkAt(target);
  const bool replacing = item != HeldDirectory::Item::absent;
  if (replacing && options_.overwrite == OverwritePolicy::fail) {
    return Failure{StatusCode::already_exists, existsMessage_ + target};
  }
  if (replacing && options_.overwrite == OverwritePolicy::skip) return false;
  // An item already holding the temporary name is stepped around, never deleted: it may be a
  // file of this very archive ("x" beside "x.zebtmp") or the user's. The exclusive creation
  // never opens an existing item, a link put there included.
  for (unsigned attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    std::wstring opened = name + (attempt == 0 ? std::wstring() : L"." + std::to_wstring(attempt)) + kReplacementSuffix;
    Result<UniqueHandle> created = parent->createFile(opened, /*exclusive=*/true);
    if (created.failed()) {
      if (created.failure().code == StatusCode::already_exists) continue;
      return std::move(created).failure();
    }
    file_ = std::move(created).value();
    targetName_ = std::move(name);
    openedName_ = std::move(opened);
    parent_ = std::move(parent);
    replacing_ = replacing;
    return true;
  }
  return Failure{StatusCode::already_exists, L"No free temporary name to write " + target};
}

Status ExtractedFileWriter::write(const void* data, uint64_t length) {
  if (length == 0) return {};
  return file_.writeAll(data, length);
}

Status ExtractedFileWriter::replaceTarget() {
  makeReplaceable(*parent_, targetName_);
  return parent_->rename(openedName_, targetName_);
}

Status ExtractedFileWriter::finish(uint64_t modified, uint32_t attributes) {
  file_.close();
  // A new file takes its free name without waiting for the folder to reach the disk: a crash
  // may lose the move, never leave a partial file under the name. A replacement waits, so that
  // the old file is not lost with it.
  Status moved = replacing_ ? replaceTarget() : parent_->renameToFreeName(openedName_, targetName_);
  if (!replacing_ && moved.failed() && moved.code() == StatusCode::already_exists) {
    // The name was taken while the file was written: the policy decides, as it would have had
    // the item been there from the start.
    switch (options_.overwrite) {
      case OverwritePolicy::overwrite:
        moved = replaceTarget();
        break;
      case OverwritePolicy::skip:
        discardUnfinished();
        return {};
      case OverwritePolicy::fail:
        moved = Failure{StatusCode::already_exists, existsMessage_ + joinPath(parent_->path(), targetName_)};
        break;
    }
  }
  if (moved.failed()) {
    discardUnfinished();
    return moved;
  }
  openedName_.clear();
  // Failures here are not reported: the data is complete. The time comes first so that a
  // read-only attribute cannot block it.
  if (options_.restoreTimes && modified != 0) (void)parent_->setFileTimes(targetName_, modified);
  if (options_.restoreAttributes && attributes != 0) (void)parent_->setAttributes(targetName_, attributes);
  parent_.reset();
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
