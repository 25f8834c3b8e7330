#include "cli/tool_commands.h"

#include <memory>

#include "cli/archive_commands.h"
#include "cli/command_support.h"
#include "cli/exit_code.h"
#include "cli/incremental_archive.h"
#include "cli/option_use.h"
#include "cli/password.h"
#include "cli/report_format.h"
#include "engine/core/bytes.h"

namespace tolzeb::cli {
namespace {

constexpr uint32_t kDefaultRecoveryPercent = 5;

const wchar_t* compareKindWord(uint8_t kind) {
  switch (kind) {
    case CompareRow::OnlyInArchive: return L"only in archive";
    case CompareRow::OnlyInFolder: return L"only in folder";
    case CompareRow::SizeDiffers: return L"size differs";
    case CompareRow::TimeDiffers: return L"time differs";
    case CompareRow::Sha256Differs: break;
  }
  return L"content differs";
}

}  // namespace

int runProtect(const CommandLine& line, const Environment& environment) {
  if (line.inputs.size() != 1) return refuse(environment, L"'protect' needs exactly one archive path");
  const std::wstring& archive = line.inputs[0];
  const uint32_t percent = line.recoveryPercent == 0 ? kDefaultRecoveryPercent : line.recoveryPercent;
  const Result<RecoveryReport> report = withProgress(line, environment, [&](const ProgressCallback& progress) {
    return environment.engine.protectArchive(archive, percent, progress);
  });
  if (report.failed()) return printError(environment.console, report.failure());
  const RecoveryLayout& layout = report->layout;
  environment.console.writeOut(
      L"Recovery record added to " + archive + L"\n" + L"  reserved " + decimal(layout.percent) + L"%, costing " +
      formatSize(layout.recordSize) + L" (" + fixedDecimals(percentOf(layout.recordSize, layout.protectedLength), 1) +
      L"% of the archive)\n" + L"  " + decimal(layout.groupCount) + L" groups of " + decimal(layout.dataShards) +
      L" shards plus " + decimal(layout.parityShards) + L" parity, " + formatSize(layout.shardSize) + L" each\n" +
      L"  survives losing any " + decimal(layout.parityShards) + L" shards per group\n");
  return 0;
}

int runScanRepair(const CommandLine& line, const Environment& environment, bool scan) {
  const std::wstring command = scan ? L"scan" : L"repair";
  if (line.inputs.size() != 1) return refuse(environment, L"'" + command + L"' needs exactly one archive path");
  const std::wstring& archive = line.inputs[0];
  const Result<RecoveryReport> report = withProgress(line, environment, [&](const ProgressCallback& progress) {
    return scan ? environment.engine.checkRecoveryRecord(archive, progress)
                : environment.engine.repairArchive(archive, progress);
  });
  if (report.failed()) return printError(environment.console, report.failure());
  Console& console = environment.console;
  console.writeOut(archive + L"\n" + L"  " + decimal(report->shardsChecked) + L" shards checked, " +
                   decimal(report->damagedShards) + L" damaged\n");
  if (report->damagedShards == 0) {
    console.writeOut(L"  nothing to repair: every shard matches its checksum\n");
    return 0;
  }
  if (scan) {
    console.writeOut(L"  run 'zeb repair' to put it back\n");
    return 0;
  }
  console.writeOut(L"  " + decimal(report->shardsRebuilt) + L" shards rebuilt\n");
  if (report->groupsBeyondRepair != 0) {
    console.writeErr(L"zeb: " + decimal(report->groupsBeyondRepair) +
                     L" groups were damaged beyond what the record reserves; the archive is still incomplete\n");
    return exitCodeFor(StatusCode::corrupt_archive);
  }
  console.writeOut(L"  the archive is whole again\n");
  return 0;
}

int runSplit(const CommandLine& line, const Environment& environment) {
  if (line.inputs.size() != 1) return refuse(environment, L"'split' needs exactly one archive path");
  if (line.partSize == 0) return refuse(environment, L"'split' needs --part-size (for example 25M)");
  const std::wstring& archive = line.inputs[0];
  const Result<SplitResult> split = withProgress(line, environment, [&](const ProgressCallback& progress) {
    return environment.engine.splitArchive(archive, line.partSize, progress);
  });
  if (split.failed()) return printError(environment.console, split.failure());
  environment.console.writeOut(L"Split " + archive + L"\n" + L"  " + decimal(split->partCount) + L" parts of up to " +
                               formatSize(split->partSize) + L", " + formatSize(split->archiveLength) + L" in total\n" +
                               L"  the parts are not readable on their own; merge them first\n");
  return 0;
}

int runMerge(const CommandLine& line, const Environment& environment) {
  if (line.inputs.size() != 1) return refuse(environment, L"'merge' needs the .001 part");
  if (line.output.empty()) return refuse(environment, L"'merge' needs an output archive (-o <archive.zeb>)");
  const Result<MergeResult> merged = withProgress(line, environment, [&](const ProgressCallback& progress) {
    return environment.engine.mergeParts(line.inputs[0], line.output, progress);
  });
  if (merged.failed()) return printError(environment.console, merged.failure());
  environment.console.writeOut(L"Merged " + decimal(merged->partCount) + L" parts into " + line.output + L" (" +
                               formatSize(merged->archiveLength) + L")\n");
  return 0;
}

int runCompare(const CommandLine& line, const Environment& environment) {
  if (line.inputs.size() != 2) return refuse(environment, L"'cmp' needs an archive and a folder");
  const std::wstring& archive = line.inputs[0];
  const std::wstring& folder = line.inputs[1];
  const Result<Password> password = passwordForOpening(line, archive, environment.engine, environment.passwords);
  if (password.failed()) return printError(environment.console, password.failure());
  const Result<CompareResult> compared = withProgress(line, environment, [&](const ProgressCallback& progress) {
    return environment.engine.compareArchive(archive, folder, password.value(), line.deep, progress);
  });
  if (compared.failed()) return printError(environment.console, compared.failure());
  std::wstring text;
  for (const CompareRow& row : compared->rows) {
    text += L"  " + padRight(compareKindWord(row.kind), 16) + L" " + row.path + L"\n";
  }
  text += archive + L" vs " + folder + L"\n";
  text += L"  " + decimal(compared->identical) + L" identical, " + decimal(compared->different) + L" differing, " +
          decimal(compared->onlyInArchive) + L" only in the archive, " + decimal(compared->onlyInFolder) +
          L" only in the folder\n";
  if (!compared->hashed) text += L"  compared by size and modification time only; --deep compares the bytes\n";
  environment.console.writeOut(text);
  return 0;
}

int runDuplicates(const CommandLine& line, const Environment& environment) {
  if (line.inputs.size() != 1) return refuse(environment, L"'dup' needs exactly one archive path");
  const std::wstring& archive = line.inputs[0];
  const Result<Password> password = passwordForOpening(line, archive, environment.engine, environment.passwords);
  if (password.failed()) return printError(environment.console, password.failure());
  const Result<DuplicateReport> report = withProgress(line, environment, [&](const ProgressCallback& progress) {
    return environment.engine.findDuplicates(archive, password.value(), progress);
  });
  if (report.failed()) return printError(environment.console, report.failure());
  if (report->groups.empty()) {
    environment.console.writeOut(L"No duplicate files in " + archive + L"\n");
    return 0;
  }
  std::wstring text;
  for (const DuplicateGroup& group : report->groups) {
    text += L"  " + formatSize(group.size) + L" x" + decimal(uint64_t(group.paths.size())) + L"\n";
    for (const std::wstring& path : group.paths) text += L"      " + path + L"\n";
  }
  text += decimal(uint64_t(report->groups.size())) + L" groups, " + decimal(report->redundantCopies) +
          L" redundant copies, " + formatSize(report->reclaimableBytes) + L" reclaimable\n";
  text += L"  empty files are not counted: they reclaim nothing\n";
  environment.console.writeOut(text);
  return 0;
}

int runIncremental(const CommandLine& line, const Environment& environment) {
  if (line.inputs.empty()) return refuse(environment, L"'inc' needs at least one source file or folder");
  if (line.base.empty()) return refuse(environment, L"'inc' needs a reference archive (--base <ref.zeb>)");
  if (line.output.empty()) return refuse(environment, L"'inc' needs an output archive (-o <archive.zeb>)");
  if (sameFile(line.output, line.base)) {
    return refuse(environment, L"the output " + line.output + L" is the reference archive " + line.base +
                                   L"; the increment would replace it. Choose another output name.");
  }
  if (const std::wstring* source = inputAtOutput(line.output, line.inputs)) {
    return refuseOutputOverSource(environment, line.output, *source);
  }
  if (const ArchiveKind kind = createdKind(line); kind != ArchiveKind::zeb) {
    return refuse(environment, L"'inc' writes only .zeb archives, not " +
                                   std::wstring(environment.engine.archiveKindName(kind)) +
                                   L". Name the output .zeb, or write the archive with 'c'.");
  }
  if (line.wasGiven(L"--kdf-iterations") && !line.encrypt) return refuse(environment, kWorkFactorWithoutPassword);
  const Result<Password> password = passwordForOpening(line, line.base, environment.engine, environment.passwords);
  if (password.failed()) return printError(environment.console, password.failure());
  CompressionOptions options = line.compression;
  if (line.encrypt) {
    // A password read from standard input is the one line there is: it serves the new archive too.
    if (line.passwordStdin) {
      options.password = password.value();
    } else {
      Result<SecureBytes> chosen = promptNewPassword(environment.passwords);
      if (chosen.failed()) return printError(environment.console, chosen.failure());
      options.password = std::make_shared<const SecureBytes>(std::move(chosen).value());
    }
  }
  const Result<IncrementalResult> result = withProgress(line, environment, [&](const ProgressCallback& progress) {
    return createIncrementalArchive(environment.engine, line.inputs, line.base, line.output, options, password.value(),
                                    line.deep, progress);
  });
  if (result.failed()) return printError(environment.console, result.failure());
  const Result<std::wstring> recoveryLine = addRequestedRecoveryRecord(line, environment);
  if (recoveryLine.failed()) return printError(environment.console, recoveryLine.failure());
  std::wstring text = L"Created " + line.output + L"\n" + L"  " + decimal(result->changed) + L" changed, " +
                      decimal(result->unchanged) + L" unchanged, " + decimal(result->gone) +
                      L" gone since the reference\n" + L"  " + formatSize(result->stats.archiveBytes) +
                      L" written in " + fixedDecimals(result->stats.seconds, 3) + L" s\n";
  if (result->gone != 0) {
    text +=
        L"  deletions cannot be recorded in a standalone archive; extracting the base then this one leaves them "
        L"in place\n";
  }
  environment.console.writeOut(text + recoveryLine.value());
  return 0;
}

}  // namespace tolzeb::cli
