// The archive operations the front ends call, gathered in one record so that zeb's commands and
// the graphical program's tasks can run against the real engine or against a stand-in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"
#include "engine/recovery/protect.h"
#include "engine/tools/compare.h"
#include "engine/tools/content_hash.h"
#include "engine/tools/duplicates.h"
#include "engine/tools/split_merge.h"
#include "formats/archive_kind.h"

namespace tolzeb {

using Sources = std::vector<std::wstring>;

struct EngineCalls {
  // Writing
  std::function<Result<ArchiveStats>(const Sources& sources, const std::wstring& output,
                                     const CompressionOptions& options, const ProgressCallback& progress)>
      createArchive;
  std::function<Result<RecoveryReport>(const std::wstring& archive, uint32_t percent, const ProgressCallback& progress)>
      protectArchive;
  std::function<Result<ArchiveStats>(const Sources& sources, const std::wstring& output, int32_t level,
                                     const ProgressCallback& progress)>
      createZip;
  std::function<Result<ArchiveStats>(const Sources& sources, const std::wstring& output, bool gzip, int32_t level,
                                     const ProgressCallback& progress)>
      createTar;
  std::function<Result<ArchiveStats>(const Sources& sources, const std::wstring& output, int32_t level,
                                     uint64_t solidBlockSize, const ProgressCallback& progress)>
      createSevenZip;

  // Reading a .zeb
  std::function<Result<bool>(const std::wstring& archive)> probeZebArchive;  // true: encrypted
  std::function<Result<ArchiveStats>(const std::wstring& archive, const ProgressCallback& progress, uint32_t threads,
                                     uint64_t memoryBudget, const Password& password)>
      testArchive;
  std::function<Result<ArchiveStats>(const std::wstring& archive, const ProgressCallback& progress, uint32_t threads,
                                     uint64_t memoryBudget, const Password& password)>
      verifyArchive;

  // Reading any kind
  std::function<Result<ArchiveKind>(const std::wstring& archive)> detectArchiveKind;
  std::function<Result<ArchiveStats>(const std::wstring& archive, ArchiveKind kind, const std::wstring& destination,
                                     const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                     const ProgressCallback& progress)>
      extractAnyArchive;
  std::function<Result<ArchiveListing>(const std::wstring& archive, ArchiveKind kind, const Password& password)>
      listAnyArchive;
  std::function<Result<ArchiveStats>(const std::wstring& archive, ArchiveKind kind, const ExtractOptions& options,
                                     const ProgressCallback& progress)>
      testAnyArchive;

  // Tools on a finished .zeb
  std::function<Result<RecoveryReport>(const std::wstring& archive, const ProgressCallback& progress)>
      checkRecoveryRecord;
  std::function<Result<RecoveryReport>(const std::wstring& archive, const ProgressCallback& progress)> repairArchive;
  std::function<Result<SplitResult>(const std::wstring& archive, uint64_t partSize, const ProgressCallback& progress)>
      splitArchive;
  std::function<Result<MergeResult>(const std::wstring& firstPart, const std::wstring& output,
                                    const ProgressCallback& progress)>
      mergeParts;
  std::function<Result<CompareResult>(const std::wstring& archive, const std::wstring& folder, const Password& password,
                                      bool deep, const ProgressCallback& progress)>
      compareArchive;
  std::function<Result<DuplicateReport>(const std::wstring& archive, const Password& password,
                                        const ProgressCallback& progress)>
      findDuplicates;
  std::function<Result<std::vector<EntryHash>>(const std::wstring& archive, const Password& password,
                                               const ProgressCallback& progress)>
      hashEntries;
  // The SHA-256 of a whole file on disk, read through the caller's buffer.
  std::function<Result<Sha256Digest>(const std::wstring& file, std::vector<uint8_t>& buffer)> hashFileSha256;

  // "TOLZEB", "ZIP", "TAR", "TAR.GZ", "7Z"; "unknown" otherwise.
  std::function<const wchar_t*(ArchiveKind kind)> archiveKindName;
};

// The engine this program is linked with.
const EngineCalls& linkedEngine();

}  // namespace tolzeb
