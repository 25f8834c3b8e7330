#include "formats/archive_kind.h"

#include "engine/container/open_archive.h"
#include "engine/container/verify_archive.h"
#include "engine/extract/extract_archive.h"
#include "engine/read/list_archive.h"
#include "formats/sevenzip/sevenzip_read.h"
#include "formats/tar/tar_read.h"
#include "formats/zip/zip.h"

namespace tolzeb {
namespace {

constexpr uint64_t kTestMemoryBudget = 0x20000000;

Failure notAnArchive() {
  return makeFailure(StatusCode::unsupported_version, L"This file is not an archive TOLZEB can read");
}

}  // namespace

const wchar_t* archiveKindName(ArchiveKind kind) {
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

bool isZebKind(ArchiveKind kind) { return kind == ArchiveKind::zeb; }

Result<ArchiveKind> detectArchiveKind(const std::wstring& path) {
  if (probeZebArchive(path).hasValue()) return ArchiveKind::zeb;
  Result<bool> zip = probeZip(path);
  if (zip.hasValue() && zip.value()) return ArchiveKind::zip;
  Result<bool> sevenZip = probeSevenZip(path);
  if (sevenZip.hasValue() && sevenZip.value()) return ArchiveKind::sevenZip;
  bool isGzip = false;
  Result<bool> tar = probeTar(path, isGzip);
  if (tar.hasValue() && tar.value()) return isGzip ? ArchiveKind::tarGz : ArchiveKind::tar;
  // A file that is missing or cannot be read is not "no archive": the zip probe fails only to open
  // or read it, and that is reported as it is, while the other probes' refusals just mean "not
  // this kind".
  if (zip.failed()) return std::move(zip).failure();
  return ArchiveKind::unknown;
}

Result<ArchiveStats> extractAnyArchive(const std::wstring& archive, ArchiveKind kind, const std::wstring& destination,
                                       const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                       const ProgressCallback& progress) {
  switch (kind) {
    case ArchiveKind::zeb: return extractArchive(archive, destination, selection, options, progress);
    case ArchiveKind::zip: return extractZip(archive, destination, selection, options, progress);
    case ArchiveKind::tar:
    case ArchiveKind::tarGz: return extractTar(archive, destination, selection, options, progress);
    case ArchiveKind::sevenZip: return extractSevenZip(archive, destination, selection, options, progress);
    default: return notAnArchive();
  }
}

Result<ArchiveListing> listAnyArchive(const std::wstring& archive, ArchiveKind kind, const Password& password) {
  switch (kind) {
    case ArchiveKind::zeb: return listArchive(archive, password);
    case ArchiveKind::zip: return listZip(archive);
    case ArchiveKind::tar:
    case ArchiveKind::tarGz: return listTar(archive);
    case ArchiveKind::sevenZip: return listSevenZip(archive);
    default: return notAnArchive();
  }
}

Result<ArchiveStats> testAnyArchive(const std::wstring& archive, ArchiveKind kind, const ExtractOptions& options,
                                    const ProgressCallback& progress) {
  switch (kind) {
    case ArchiveKind::zeb: return testArchive(archive, progress, 0, kTestMemoryBudget, options.password);
    case ArchiveKind::zip: return testZip(archive, progress);
    case ArchiveKind::tar:
    case ArchiveKind::tarGz: return testTar(archive, progress);
    case ArchiveKind::sevenZip: return testSevenZip(archive, progress, options.memoryBudget);
    default: return notAnArchive();
  }
}

Result<EntryBytes> readAnyEntry(const std::wstring& archive, ArchiveKind kind, const std::wstring& entryName,
                                uint64_t byteCeiling, bool allowPrefix, const Password& password) {
  if (entryName.empty()) return makeFailure(StatusCode::invalid_argument, L"No entry was named");
  if (byteCeiling == 0) return makeFailure(StatusCode::invalid_argument, L"The byte ceiling must not be zero");
  switch (kind) {
    case ArchiveKind::zeb: return readEntry(archive, entryName, byteCeiling, allowPrefix, password);
    case ArchiveKind::zip: return readZipEntry(archive, entryName, byteCeiling, allowPrefix);
    case ArchiveKind::tar:
    case ArchiveKind::tarGz: return readTarEntry(archive, entryName, byteCeiling, allowPrefix);
    case ArchiveKind::sevenZip: return readSevenZipEntry(archive, entryName, byteCeiling, allowPrefix);
    default: return notAnArchive();
  }
}

}  // namespace tolzeb
