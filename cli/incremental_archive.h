// Incremental archives: a standalone .zeb of the source files that changed since a reference
// archive. Files deleted since the reference are counted but cannot be recorded.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"
#include "formats/engine_calls.h"

namespace tolzeb::cli {

struct ReferenceFile {
  std::wstring path;  // archive path, '/'-separated
  uint64_t size = 0;
  uint64_t modified = 0;  // FILETIME
  bool isDirectory = false;
  Sha256Digest sha256{};  // filled only when contents are compared
};

struct IncrementalResult {
  ArchiveStats stats;  // of the new archive; seconds cover the whole run
  uint64_t changed = 0;
  uint64_t unchanged = 0;
  uint64_t gone = 0;
};

// The SHA-256 of one source file's content; asked for only when contents are compared.
using ContentHash = std::function<Result<Sha256Digest>()>;

// Decides, file by file, which sources differ from the reference. Paths compare exactly
// (case-sensitively); a path met twice is counted twice but included once.
class IncrementalSelection {
 public:
  // `deep`: files of equal size are compared by content instead of modification time.
  IncrementalSelection(const std::vector<ReferenceFile>& reference, bool deep);

  // `contentHash` is called only in deep mode and only when the reference has the path with the
  // same size; its failure is returned.
  Status noteFile(const std::wstring& archivePath, uint64_t size, uint64_t modified, const ContentHash& contentHash);

  uint64_t changed() const { return changed_; }
  uint64_t unchanged() const { return unchanged_; }
  // Reference files whose paths no source had.
  uint64_t gone() const;
  const std::shared_ptr<std::set<std::wstring>>& includePaths() const { return include_; }

 private:
  std::map<std::wstring, ReferenceFile> reference_;  // files only
  bool deep_;
  std::shared_ptr<std::set<std::wstring>> include_ = std::make_shared<std::set<std::wstring>>();
  std::set<std::wstring> seen_;
  uint64_t changed_ = 0;
  uint64_t unchanged_ = 0;
};

// Reads the reference (its listing, or with `deep` the hashes of its contents), compares the
// sources with it and writes the changed files to `output` with createArchive. Nothing changed,
// or only deletions: code 11 and no archive written.
Result<IncrementalResult> createIncrementalArchive(const EngineCalls& engine, const std::vector<std::wstring>& sources,
                                                   const std::wstring& reference, const std::wstring& output,
                                                   const CompressionOptions& options, const Password& password,
                                                   bool deep, const ProgressCallback& progress);

}  // namespace tolzeb::cli
