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

// Read-only, and on Windows hidden and system, make the file system refuse to replace a file;
// the archive's own attributes are applied again afterwards.
void makeReplaceable(const std::wstring& target) { (void)setAttributes(target, kAttributeArchive); }

}  // namespace

ExtractedFileWriter::ExtractedFileWriter(const ExtractOptions& options, std::wstring existsMessage)
    : options_(options), existsMessage_(std::move(existsMessage)) {}

Result<bool> ExtractedFileWriter::begin(const std::wstring& target) {
  discardUnfinished();
  TOLZEB_TRY(createParentOf(target));
  bool replacing = false;
  if (pathExists(target)) {
    switch (options_.overwrite) {
      case OverwritePolicy::fail:
        return Failure{StatusCode::already_exists, existsMessage_ + target};
      case OverwritePolicy::skip:
        return false;
      case OverwritePolicy::overwrite:
        replacing = true;
        break;
    }
  }
  std::wstring opened = replacing ? target + kReplacementSuffix : target;
  if (replacing) (void)deleteFile(opened);
  TOLZEB_ASSIGN_OR_RETURN(file_, openForWrite(opened, /*exclusive=*/false));
  target_ = target;
  openedPath_ = std::move(opened);
  return true;
}

Status ExtractedFileWriter::write(const void* data, uint64_t length) {
  if (length == 0) return {};
  return file_.writeAll(data, length);
}

Status ExtractedFileWriter::finish(uint64_t modified, uint32_t attributes) {
  file_.close();
  if (openedPath_ != target_) {
    makeReplaceable(target_);
    Status moved = renameReplace(openedPath_, target_);
    if (moved.failed()) {
      discardUnfinished();
      return moved;
    }
  }
  openedPath_.clear();
  // Failures here are not reported: the data is complete. The time comes first so that a
  // read-only attribute cannot block it.
  if (options_.restoreTimes && modified != 0) (void)setFileTimes(target_, modified);
  if (options_.restoreAttributes && attributes != 0) (void)setAttributes(target_, attributes);
  return {};
}

void ExtractedFileWriter::discardUnfinished() {
  file_.close();
  if (!openedPath_.empty()) (void)deleteFile(openedPath_);
  openedPath_.clear();
}

ExtractionRun::ExtractionRun(const std::wstring& root, const std::vector<std::wstring>& selection,
                             const ExtractOptions& options, const ProgressCallback& progress, uint64_t bytesTotal,
                             uint64_t itemsTotal, std::wstring existsMessage)
    : root_(root),
      selection_(selection.begin(), selection.end()),
      progress_(progress),
      writer_(options, std::move(existsMessage)) {
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
  TOLZEB_TRY(createDirectories(target));
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
