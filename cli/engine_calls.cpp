// The one place where zeb meets the engine's archive operations.
#include "cli/engine_calls.h"

#include "engine/container/open_archive.h"
#include "engine/container/verify_archive.h"
#include "engine/create/create_archive.h"
#include "formats/sevenzip/sevenzip_writer.h"
#include "formats/tar/tar_writer.h"
#include "formats/zip/zip.h"

namespace tolzeb::cli {
namespace {

// Writers and tools that this build does not carry answer as the engine answers a feature it
// does not implement.
Failure notInThisBuild(const wchar_t* what) {
  return makeFailure(StatusCode::unsupported_version, std::wstring(what) + L" are not part of this build");
}

EngineCalls makeLinkedEngine() {
  EngineCalls engine;
  engine.createArchive = tolzeb::createArchive;
  engine.protectArchive = [](const std::wstring&, uint32_t, const ProgressCallback&) -> Result<RecoveryReport> {
    return notInThisBuild(L"Recovery records");
  };
  engine.checkRecoveryRecord = [](const std::wstring&, const ProgressCallback&) -> Result<RecoveryReport> {
    return notInThisBuild(L"Recovery records");
  };
  engine.repairArchive = [](const std::wstring&, const ProgressCallback&) -> Result<RecoveryReport> {
    return notInThisBuild(L"Recovery records");
  };
  engine.splitArchive = [](const std::wstring&, uint64_t, const ProgressCallback&) -> Result<SplitResult> {
    return notInThisBuild(L"Split archives");
  };
  engine.mergeParts = [](const std::wstring&, const std::wstring&, const ProgressCallback&) -> Result<MergeResult> {
    return notInThisBuild(L"Split archives");
  };
  engine.compareArchive = [](const std::wstring&, const std::wstring&, const Password&, bool,
                             const ProgressCallback&) -> Result<CompareResult> {
    return notInThisBuild(L"Archive comparisons");
  };
  engine.findDuplicates = [](const std::wstring&, const Password&,
                             const ProgressCallback&) -> Result<DuplicateReport> {
    return notInThisBuild(L"Duplicate searches");
  };
  engine.hashEntries = [](const std::wstring&, const Password&,
                          const ProgressCallback&) -> Result<std::vector<EntryHash>> {
    return notInThisBuild(L"Entry hashes");
  };
  engine.hashFileSha256 = [](const std::wstring&, std::vector<uint8_t>&) -> Result<Sha256Digest> {
    return notInThisBuild(L"File hashes");
  };
  engine.createZip = tolzeb::createZip;
  engine.createTar = tolzeb::createTar;
  engine.createSevenZip = tolzeb::createSevenZip;
  engine.probeZebArchive = tolzeb::probeZebArchive;
  engine.testArchive = tolzeb::testArchive;
  engine.verifyArchive = tolzeb::verifyArchive;
  engine.detectArchiveKind = tolzeb::detectArchiveKind;
  engine.extractAnyArchive = tolzeb::extractAnyArchive;
  engine.listAnyArchive = tolzeb::listAnyArchive;
  engine.testAnyArchive = tolzeb::testAnyArchive;
  engine.archiveKindName = tolzeb::archiveKindName;
  return engine;
}

}  // namespace

const EngineCalls& linkedEngine() {
  static const EngineCalls engine = makeLinkedEngine();
  return engine;
}

}  // namespace tolzeb::cli
