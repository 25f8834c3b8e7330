// What every extractor shares once it has an entry's bytes: the overwrite policy, writing each
// file and putting it in place, restoring its time, counting, progress and cancellation.
//
// ExtractedFileWriter writes one file at a time, in as many pieces as the reader likes. Each file
// is written under its name with ".zebtmp" appended (".1.zebtmp", ".2.zebtmp"... while that name
// is taken: an item there is never deleted) and moved to its name once complete, so whatever
// moment the extraction is stopped at, the final name never holds a partial file. A new file
// takes a name that is still free (one taken meanwhile goes by the overwrite policy); a file
// that replaces an existing one (as the policy allows) is moved over it, and the old contents
// survive until the move is on disk. A file left unfinished (a failure, a cancel, the writer's
// end) is deleted.
//
// Nothing is written through a link or reparse point below the root: a link already there, on
// the way to a target or at the target itself, is refused with code 9, and every file is created
// anew, never opened through whatever holds its name. Files are created, moved and given their
// time inside their folder held open from the root without following links, so a component
// swapped for a link after the checks cannot carry the write elsewhere. The folders of the last
// file stay held for the next one; before each file the writer checks that its folder's path
// still leads there, and walks down again (refusing a link made since) when it does not.
//
// ExtractionRun drives the writer for readers that hand over one file after another (zip, tar,
// 7z). Its use:
//   root = prepareRoot(destination); ExtractionRun run(root, selection, ..., existsMessage);
//   each folder entry:  if (run.isSelected(path)) run.createFolder(path);
//   each file entry:    if (run.isSelected(path) && run.beginFile(path)) {   false: skipped
//                         run.write(...) as often as needed; run.finishFile(path, modified); }
//   return run.finish(entries, archiveBytes);
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/core/fs.h"
#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

inline constexpr wchar_t kReplacementSuffix[] = L".zebtmp";

class ExtractedFileWriter {
 public:
  // `root` is the extraction root as a full path; every target lies below it. `existsMessage`
  // starts the code-10 failure of policy fail; the target's path follows it.
  ExtractedFileWriter(std::wstring root, const ExtractOptions& options, std::wstring existsMessage);
  ExtractedFileWriter(const ExtractedFileWriter&) = delete;
  ExtractedFileWriter& operator=(const ExtractedFileWriter&) = delete;
  ~ExtractedFileWriter() { discardUnfinished(); }

  // Creates the folder `target` and any missing folders above it.
  Status createFolder(const std::wstring& target);
  // Creates the target's parent folders and opens the file to write, unless the policy skips an
  // existing target: then false, and nothing was touched.
  Result<bool> begin(const std::wstring& target);
  Status write(const void* data, uint64_t length);
  // Closes the file and puts it in place; the time (FILETIME, 0 = none) and the attribute word
  // (0 = none) are restored as the options say. A new file whose name was taken while it was
  // written goes by the policy: fail is code 10, skip drops the file and succeeds.
  Status finish(uint64_t modified, uint32_t attributes);
  // Deletes the file being written, if any.
  void discardUnfinished();

 private:
  // The target's folder components below the root and its own name; a target not below the
  // root is refused.
  Status splitBelowRoot(const std::wstring& target, std::vector<std::wstring>& folders, std::wstring& name) const;
  // The folder below the root that `folders` names, made when missing, each step opened without
  // following a link. Reuses what the last call held as far as its path still leads there.
  Result<std::shared_ptr<const HeldDirectory>> holdFolder(const std::vector<std::wstring>& folders);
  // Moves the finished file over whatever holds the target's name.
  Status replaceTarget();

  std::wstring root_;
  const ExtractOptions& options_;
  std::wstring existsMessage_;
  // held_[0] is the root; held_[i + 1] is the folder heldNames_[i] inside held_[i]. Past
  // kHeldDepth levels the rest of a path is held as one step, so that a deep tree does not take
  // a descriptor per level.
  std::vector<std::shared_ptr<const HeldDirectory>> held_;
  std::vector<std::wstring> heldNames_;
  UniqueHandle file_;
  // While a file is being written: the folder that holds it, the target's name, the name it is
  // written under (a ".zebtmp"), and whether an item held the target's name when it began.
  std::shared_ptr<const HeldDirectory> parent_;
  std::wstring targetName_;
  std::wstring openedName_;
  bool replacing_ = false;
};

class ExtractionRun {
 public:
  // `root` comes from prepareRoot. The totals are those of the progress reports.
  ExtractionRun(const std::wstring& root, const std::vector<std::wstring>& selection, const ExtractOptions& options,
                const ProgressCallback& progress, uint64_t bytesTotal, uint64_t itemsTotal, std::wstring existsMessage);

  // The destination as a full path, created when missing.
  static Result<std::wstring> prepareRoot(const std::wstring& destination);

  // Whether the entry is to be extracted; notes that the selection matched something.
  bool isSelected(const std::wstring& entryPath);
  Status createFolder(const std::wstring& entryPath);
  // false when the overwrite policy skips an existing file (counted as an item done).
  Result<bool> beginFile(const std::wstring& entryPath);
  Status write(const void* data, uint64_t length);
  // Puts the file in place and reports progress; a callback that answers false cancels.
  Status finishFile(const std::wstring& entryPath, uint64_t modified);
  uint64_t bytesWritten() const { return stats_.inputBytes; }

  // Fails when a selection matched nothing; otherwise reports Done and returns the statistics.
  // `entries` and `archiveBytes` are the archive's own figures.
  Result<ArchiveStats> finish(uint64_t entries, uint64_t archiveBytes);

 private:
  std::wstring root_;
  std::set<std::wstring> selection_;
  const ProgressCallback& progress_;
  ExtractedFileWriter writer_;
  Stopwatch stopwatch_;
  Progress report_;
  ArchiveStats stats_;
  bool anySelected_ = false;
};

}  // namespace tolzeb
