// The one place where zeb meets the engine's archive operations. Until those operations are part
// of the build, every one of them answers as the engine answers a file it has no reader for.
#include "cli/engine_calls.h"

namespace tolzeb::cli {
namespace {

Failure noReader() {
  return makeFailure(StatusCode::unsupported_version, L"This file is not an archive TOLZEB can read");
}

const wchar_t* kindName(ArchiveKind kind) {
  switch (kind) {
    case ArchiveKind::zeb: return L"TOLZEB";
    case ArchiveKind::zip: return L"ZIP";
    case ArchiveKind::tar: return L"TAR";
    case ArchiveKind::tarGz: return L"TAR.GZ";
    case ArchiveKind::sevenZip: return L"7Z";
    case ArchiveKind::unknown: break;
  }
  return L"unknown";
}

EngineCalls makeLinkedEngine() {
  EngineCalls engine;
  engine.createArchive = [](const Sources&, const std::wstring&, const CompressionOptions&,
                            const ProgressCallback&) -> Result<ArchiveStats> { return noReader(); };
  engine.protectArchive = [](const std::wstring&, uint32_t,
                             const ProgressCallback&) -> Result<RecoveryRecordSummary> { return noReader(); };
  engine.createZip = [](const Sources&, const std::wstring&, int32_t,
                        const ProgressCallback&) -> Result<ArchiveStats> { return noReader(); };
  engine.createTar = [](const Sources&, const std::wstring&, bool, int32_t,
                        const ProgressCallback&) -> Result<ArchiveStats> { return noReader(); };
  engine.createSevenZip = [](const Sources&, const std::wstring&, int32_t, uint64_t,
                             const ProgressCallback&) -> Result<ArchiveStats> { return noReader(); };
  engine.probeZebArchive = [](const std::wstring&) -> Result<bool> { return noReader(); };
  engine.testArchive = [](const std::wstring&, const ProgressCallback&, uint32_t, uint64_t,
                          const Password&) -> Result<ArchiveStats> { return noReader(); };
  engine.verifyArchive = engine.testArchive;
  engine.detectArchiveKind = [](const std::wstring&) -> Result<ArchiveKind> { return ArchiveKind::unknown; };
  engine.extractAnyArchive = [](const std::wstring&, ArchiveKind, const std::wstring&,
                                const std::vector<std::wstring>&, const ExtractOptions&,
                                const ProgressCallback&) -> Result<ArchiveStats> { return noReader(); };
  engine.listAnyArchive = [](const std::wstring&, ArchiveKind, const Password&) -> Result<ArchiveListing> {
    return noReader();
  };
  engine.testAnyArchive = [](const std::wstring&, ArchiveKind, const ExtractOptions&,
                             const ProgressCallback&) -> Result<ArchiveStats> { return noReader(); };
  engine.archiveKindName = kindName;
  return engine;
}

}  // namespace

const EngineCalls& linkedEngine() {
  static const EngineCalls engine = makeLinkedEngine();
  return engine;
}

}  // namespace tolzeb::cli
