#include "cli/archive_commands.h"

#include <memory>
#include <string>

#include "cli/command_support.h"
#include "cli/console_progress.h"
#include "cli/exit_code.h"
#include "cli/option_use.h"
#include "cli/password.h"
#include "cli/report_format.h"
#include "engine/core/bytes.h"

namespace tolzeb::cli {
namespace {

constexpr uint64_t kSevenZipSolidBlockSize = 64ull << 20;

bool endsWithIgnoringCase(const std::wstring& text, std::wstring_view suffix) {
  if (text.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    wchar_t c = text[text.size() - suffix.size() + i];
    if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

int32_t levelForMode(CompressionMode mode) {
  switch (mode) {
    case CompressionMode::lightning: return 1;
    case CompressionMode::compact: return 9;
    case CompressionMode::balanced: break;
  }
  return 6;
}

// The four lines every creation report ends with.
void reportCreationStats(const Environment& environment, const ArchiveStats& stats) {
  environment.console.writeOut(L"  " + decimal(stats.files) + L" files, " + decimal(stats.directories) +
                               L" folders\n" + L"  input  " + formatSize(stats.inputBytes) + L"\n" + L"  output " +
                               formatSize(stats.archiveBytes) + L" (" +
                               fixedDecimals(percentOf(stats.archiveBytes, stats.inputBytes), 1) + L"% of input)\n" +
                               L"  elapsed " + fixedDecimals(stats.seconds, 3) + L" s\n");
}

int createZeb(const CommandLine& line, const Environment& environment) {
  CompressionOptions options = line.compression;
  if (line.wasGiven(L"--kdf-iterations") && !line.encrypt && !line.passwordStdin) {
    return refuse(environment, kWorkFactorWithoutPassword);
  }
  if (line.encrypt || line.passwordStdin) {
    Result<SecureBytes> password =
        line.passwordStdin ? environment.passwords.standardInput() : promptNewPassword(environment.passwords);
    if (password.failed()) return printError(environment.console, password.failure());
    options.password = std::make_shared<const SecureBytes>(std::move(password).value());
  }

  const Result<ArchiveStats> stats = withProgress(line, environment, [&](const ProgressCallback& progress) {
    return environment.engine.createArchive(line.inputs, line.output, options, progress);
  });
  if (stats.failed()) return printError(environment.console, stats.failure());

  const Result<std::wstring> recoveryLine = addRequestedRecoveryRecord(line, environment);
  if (recoveryLine.failed()) return printError(environment.console, recoveryLine.failure());

  environment.console.writeOut(L"Created " + line.output + L"\n");
  reportCreationStats(environment, stats.value());
  environment.console.writeOut(recoveryLine.value());
  return 0;
}

int createForeign(const CommandLine& line, const Environment& environment, ArchiveKind kind) {
  const std::wstring name = environment.engine.archiveKindName(kind);
  if (line.encrypt || line.passwordStdin) {
    return refuse(environment, L"a " + name +
                                   L" archive cannot be password-protected by TOLZEB. Each of these formats has its "
                                   L"own encryption and this build writes none of them; use a .zeb instead.");
  }
  if (const std::wstring refusal = optionTheFormatCannotCarry(line, kind, name); !refusal.empty()) {
    return refuse(environment, refusal);
  }
  const int32_t level = levelForMode(line.compression.mode);
  const Result<ArchiveStats> stats =
      withProgress(line, environment, [&](const ProgressCallback& progress) -> Result<ArchiveStats> {
        const EngineCalls& engine = environment.engine;
        switch (kind) {
          case ArchiveKind::zip: return engine.createZip(line.inputs, line.output, level, progress);
          case ArchiveKind::sevenZip:
            return engine.createSevenZip(line.inputs, line.output, level, kSevenZipSolidBlockSize, progress);
          default: return engine.createTar(line.inputs, line.output, kind == ArchiveKind::tarGz, level, progress);
        }
      });
  if (stats.failed()) return printError(environment.console, stats.failure());
  // Only when asked for: re-reading is not these formats' default.
  if (line.wasGiven(L"--verify") && line.compression.verifyAfterWrite) {
    const Result<ArchiveStats> reread = withProgress(line, environment, [&](const ProgressCallback& progress) {
      return environment.engine.testAnyArchive(line.output, kind, line.extract, progress);
    });
    if (reread.failed()) return printError(environment.console, reread.failure());
  }
  environment.console.writeOut(L"Created " + line.output + L" (" + name + L")\n");
  reportCreationStats(environment, stats.value());
  return 0;
}

// The kind by the file's first bytes; a file that cannot be probed counts as no archive, and the
// dispatcher then says so.
ArchiveKind detectedKind(const Environment& environment, const std::wstring& archive) {
  const Result<ArchiveKind> kind = environment.engine.detectArchiveKind(archive);
  return kind.failed() ? ArchiveKind::unknown : kind.value();
}

void reportListing(const Environment& environment, const std::wstring& archive, ArchiveKind kind,
                   const ArchiveListing& listing) {
  std::wstring text = L"Archive: " + archive + L"\n";
  if (kind == ArchiveKind::zeb) {
    text += L"Format:  v" + decimal(uint32_t(listing.versionMajor)) + L"." + decimal(uint32_t(listing.versionMinor)) +
            L", " + decimal(listing.chunkCount) + L" blocks of up to " + formatSize(listing.chunkSize) + L"\n";
  } else {
    text += L"Format:  " + std::wstring(environment.engine.archiveKindName(kind)) + L", " +
            decimal(uint64_t(listing.entries.size())) + L" entries\n";
  }
  text += L"\n" + padRight(L"Modified", 20) + L" " + padLeft(L"Size", 14) + L"  Name\n";
  text += std::wstring(20, L'-') + L" " + std::wstring(14, L'-') + L"  " + std::wstring(24, L'-') + L"\n";
  environment.console.writeOut(text);
  for (const ListedEntry& entry : listing.entries) {
    const std::wstring when = padRight(formatLocalTime(entry.modified), 20);
    if (entry.isDirectory) {
      environment.console.writeOut(when + L" " + padLeft(L"<DIR>", 14) + L"  " + entry.path + L"/\n");
    } else {
      environment.console.writeOut(when + L" " + padLeft(decimal(entry.size), 14) + L"  " + entry.path + L"\n");
    }
  }
  environment.console.writeOut(L"\n" + decimal(uint64_t(listing.entries.size())) + L" entries, " +
                               formatSize(listing.totalBytes) + L" uncompressed, archive " +
                               formatSize(listing.archiveBytes) + L"\n");
}

// The password for reading an archive of `kind`: asked for only when it is a .zeb (a foreign archive is never encrypted
// by this system); null when none is needed.
Result<Password> passwordForReading(const CommandLine& line, const Environment& environment,
                                    const std::wstring& archive, ArchiveKind kind) {
  if (kind != ArchiveKind::zeb) return Password();
  return passwordForOpening(line, archive, environment.engine, environment.passwords);
}

void reportChecked(const Environment& environment, const ArchiveStats& stats) {
  environment.console.writeOut(L"  " + decimal(stats.entries) + L" entries, " + formatSize(stats.inputBytes) +
                               L" checked in " + fixedDecimals(stats.seconds, 3) + L" s\n");
}

}  // namespace

Result<std::wstring> addRequestedRecoveryRecord(const CommandLine& line, const Environment& environment) {
  if (line.recoveryPercent == 0) return std::wstring();
  const Result<RecoveryReport> record = withProgress(line, environment, [&](const ProgressCallback& progress) {
    return environment.engine.protectArchive(line.output, line.recoveryPercent, progress);
  });
  if (record.failed()) return record.failure();
  const RecoveryLayout& layout = record->layout;
  return L"  recovery record " + formatSize(layout.recordSize) + L" (" +
         fixedDecimals(percentOf(layout.recordSize, layout.protectedLength), 1) +
         L"% of the archive), survives losing any " + decimal(layout.parityShards) + L" shards per group\n";
}

ArchiveKind createdKind(const CommandLine& line) {
  if (!line.format.empty()) {
    if (line.format == L"zip") return ArchiveKind::zip;
    if (line.format == L"7z") return ArchiveKind::sevenZip;
    if (line.format == L"tar") return ArchiveKind::tar;
    if (line.format == L"tar.gz" || line.format == L"tgz") return ArchiveKind::tarGz;
    return ArchiveKind::zeb;
  }
  if (endsWithIgnoringCase(line.output, L".zip")) return ArchiveKind::zip;
  if (endsWithIgnoringCase(line.output, L".7z")) return ArchiveKind::sevenZip;
  if (endsWithIgnoringCase(line.output, L".tar.gz") || endsWithIgnoringCase(line.output, L".tgz")) {
    return ArchiveKind::tarGz;
  }
  if (endsWithIgnoringCase(line.output, L".tar")) return ArchiveKind::tar;
  return ArchiveKind::zeb;
}

int runCreate(const CommandLine& line, const Environment& environment) {
  if (line.inputs.empty()) return refuse(environment, L"'c' needs at least one source file or folder");
  if (line.output.empty()) return refuse(environment, L"'c' needs an output archive (-o <archive.zeb>)");
  if (const std::wstring* source = inputAtOutput(line.output, line.inputs)) {
    return refuseOutputOverSource(environment, line.output, *source);
  }
  const ArchiveKind kind = createdKind(line);
  if (kind == ArchiveKind::zeb) return createZeb(line, environment);
  return createForeign(line, environment, kind);
}

int runExtract(const CommandLine& line, const Environment& environment) {
  if (line.inputs.size() != 1) return refuse(environment, L"'x' needs exactly one archive path");
  if (line.output.empty()) return refuse(environment, L"'x' needs a destination (-o <directory>)");
  const std::wstring& archive = line.inputs[0];
  ExtractOptions options = line.extract;
  const ArchiveKind kind = detectedKind(environment, archive);
  Result<Password> password = passwordForReading(line, environment, archive, kind);
  if (password.failed()) return printError(environment.console, password.failure());
  options.password = std::move(password).value();
  const Result<ArchiveStats> stats = withProgress(line, environment, [&](const ProgressCallback& progress) {
    return environment.engine.extractAnyArchive(archive, kind, line.output, {}, options, progress);
  });
  if (stats.failed()) return printError(environment.console, stats.failure());
  environment.console.writeOut(L"Extracted to " + line.output + L"\n" + L"  " + decimal(stats->files) + L" files, " +
                               decimal(stats->directories) + L" folders, " + formatSize(stats->inputBytes) + L"\n" +
                               L"  elapsed " + fixedDecimals(stats->seconds, 3) + L" s\n");
  return 0;
}

int runList(const CommandLine& line, const Environment& environment) {
  if (line.inputs.size() != 1) return refuse(environment, L"'l' needs exactly one archive path");
  const std::wstring& archive = line.inputs[0];
  const ArchiveKind kind = detectedKind(environment, archive);
  const Result<Password> password = passwordForReading(line, environment, archive, kind);
  if (password.failed()) return printError(environment.console, password.failure());
  const Result<ArchiveListing> listing = environment.engine.listAnyArchive(archive, kind, password.value());
  if (listing.failed()) return printError(environment.console, listing.failure());
  reportListing(environment, archive, kind, listing.value());
  return 0;
}

int runTest(const CommandLine& line, const Environment& environment, bool verify) {
  if (line.inputs.size() != 1) {
    return refuse(environment, std::wstring(L"'") + (verify ? L"v" : L"t") + L"' needs exactly one archive path");
  }
  const std::wstring& archive = line.inputs[0];
  const ArchiveKind kind = detectedKind(environment, archive);
  const Result<Password> password = passwordForReading(line, environment, archive, kind);
  if (password.failed()) return printError(environment.console, password.failure());
  if (kind == ArchiveKind::zeb) {
    const auto& fullTest = verify ? environment.engine.verifyArchive : environment.engine.testArchive;
    const Result<ArchiveStats> stats = withProgress(line, environment, [&](const ProgressCallback& progress) {
      return fullTest(archive, progress, line.checkThreads, line.checkMemory, password.value());
    });
    if (stats.failed()) return printError(environment.console, stats.failure());
    environment.console.writeOut(archive + L": OK\n");
    reportChecked(environment, stats.value());
    return 0;
  }
  const Result<ArchiveStats> stats = withProgress(line, environment, [&](const ProgressCallback& progress) {
    return environment.engine.testAnyArchive(archive, kind, line.extract, progress);
  });
  if (stats.failed()) return printError(environment.console, stats.failure());
  environment.console.writeOut(archive + L": OK (" + environment.engine.archiveKindName(kind) + L")\n");
  reportChecked(environment, stats.value());
  return 0;
}

}  // namespace tolzeb::cli
