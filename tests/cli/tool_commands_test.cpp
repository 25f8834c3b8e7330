#include "cli/tool_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/zeb.h"
#include "cli_test_support.h"
#include "engine/core/bytes.h"
#include "engine/core/text.h"
#include "support/utf8_text.h"

namespace tolzeb::cli {
namespace {

using testing::bytesOf;
using testing::FakeWorld;
using testing::textOf;

using tolzeb::testing::utf8Of;

TEST(ToolCommands, RefuseWrongArgumentsBeforeTouchingAnything) {
  struct Case {
    std::vector<std::wstring> args;
    std::wstring err;
  };
  const Case cases[] = {
      {{L"protect"}, L"zeb: 'protect' needs exactly one archive path\n"},
      {{L"protect", L"a", L"b"}, L"zeb: 'protect' needs exactly one archive path\n"},
      {{L"scan", L"a", L"b"}, L"zeb: 'scan' needs exactly one archive path\n"},
      {{L"repair"}, L"zeb: 'repair' needs exactly one archive path\n"},
      {{L"split", L"--part-size", L"1M"}, L"zeb: 'split' needs exactly one archive path\n"},
      {{L"split", L"a.zeb"}, L"zeb: 'split' needs --part-size (for example 25M)\n"},
      {{L"merge", L"-o", L"a.zeb"}, L"zeb: 'merge' needs the .001 part\n"},
      {{L"merge", L"a.zeb.001", L"a.zeb.002", L"-o", L"a.zeb"}, L"zeb: 'merge' needs the .001 part\n"},
      {{L"merge", L"a.zeb.001"}, L"zeb: 'merge' needs an output archive (-o <archive.zeb>)\n"},
      {{L"cmp", L"a.zeb"}, L"zeb: 'cmp' needs an archive and a folder\n"},
      {{L"cmp", L"a.zeb", L"dir", L"more", L"--password-stdin"}, L"zeb: 'cmp' needs an archive and a folder\n"},
      {{L"dup"}, L"zeb: 'dup' needs exactly one archive path\n"},
      {{L"dup", L"a", L"b", L"--password-stdin"}, L"zeb: 'dup' needs exactly one archive path\n"},
      {{L"inc", L"--base", L"ref.zeb", L"-o", L"new.zeb"}, L"zeb: 'inc' needs at least one source file or folder\n"},
      {{L"inc", L"src", L"-o", L"new.zeb"}, L"zeb: 'inc' needs a reference archive (--base <ref.zeb>)\n"},
      {{L"inc", L"src", L"--base", L"ref.zeb", L"--password-stdin"},
       L"zeb: 'inc' needs an output archive (-o <archive.zeb>)\n"},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    EXPECT_EQ(runZeb(c.args, world.environment()), 2) << utf8Of(c.err);
    EXPECT_EQ(world.console.err, c.err);
    EXPECT_EQ(world.console.out, L"");
    EXPECT_TRUE(world.calls.empty()) << utf8Of(c.err);
    EXPECT_EQ(world.stdinReads, 0);
  }
}

TEST(ProtectCommand, ReservesFivePercentUnlessToldAndDescribesTheRecord) {
  RecoveryReport report;
  report.layout = RecoveryLayout{5, 10 << 20, 65536, 2, 80, 4, 524288};
  const std::wstring text =
      L"Recovery record added to a.zeb\n"
      L"  reserved 5%, costing 512.00 KiB (5.0% of the archive)\n"
      L"  2 groups of 80 shards plus 4 parity, 64.00 KiB each\n"
      L"  survives losing any 4 shards per group\n";
  const std::pair<std::vector<std::wstring>, std::wstring> cases[] = {
      {{L"protect", L"a.zeb", L"--quiet"}, L"protectArchive a.zeb 5"},
      {{L"protect", L"a.zeb", L"--recovery", L"12", L"--quiet"}, L"protectArchive a.zeb 12"},
  };
  for (const auto& [args, call] : cases) {
    FakeWorld world;
    world.recovery = report;
    EXPECT_EQ(runZeb(args, world.environment()), 0);
    EXPECT_EQ(world.calls, std::vector<std::wstring>{call});
    EXPECT_EQ(world.console.out, text);  // the layout the engine planned, not the percent asked for
    EXPECT_EQ(world.console.err, L"");
  }
}

TEST(ScanRepairCommands, ReportDamageAndWhatTheRepairAchieved) {
  struct Case {
    const wchar_t* word;
    uint64_t damaged, rebuilt, beyond;
    std::wstring tail;
    std::wstring err;
    int exitCode;
    bool footerDamaged = false, footerRebuilt = false;
    std::wstring openFailure = {};
  };
  const std::wstring head = L"a.zeb\n  840 shards checked, ";
  const std::wstring notOpening = L"Archive footer magic missing; the file is truncated or not a .zeb";
  const Case cases[] = {
      {L"scan", 0, 0, 0, L"0 damaged\n  nothing to repair: every shard matches its checksum\n", L"", 0},
      // a script asks a scan whether it found damage
      {L"scan", 3, 0, 0, L"3 damaged\n  run 'zeb repair' to put it back\n", L"", 3},
      {L"scan", 9, 0, 2, L"9 damaged\n",
       L"zeb: 2 groups are damaged beyond what the record reserves; a repair cannot restore everything\n", 3},
      {L"scan", 0, 0, 0, L"0 damaged\n  the archive's footer is damaged\n  run 'zeb repair' to put it back\n", L"", 3,
       true},
      {L"scan", 0, 0, 0, L"0 damaged\n",
       L"zeb: the archive does not open, and its recovery record cannot repair that: " + notOpening + L"\n", 3, false,
       false, notOpening},
      {L"repair", 0, 0, 0, L"0 damaged\n  nothing to repair: every shard matches its checksum\n", L"", 0},
      {L"repair", 3, 3, 0, L"3 damaged\n  3 shards rebuilt\n  the archive is whole again\n", L"", 0},
      {L"repair", 9, 4, 2, L"9 damaged\n  4 shards rebuilt\n",
       L"zeb: 2 groups were damaged beyond what the record reserves; the archive is still incomplete\n", 3},
      {L"repair", 0, 0, 0,
       L"0 damaged\n  the archive's footer was damaged and has been rebuilt\n  0 shards rebuilt\n"
       L"  the archive is whole again\n",
       L"", 0, true, true},
      {L"repair", 0, 0, 0, L"0 damaged\n  the archive's footer is damaged\n  0 shards rebuilt\n",
       L"zeb: the archive's footer could not be rebuilt; the archive is still incomplete\n", 3, true},
      {L"repair", 2, 2, 0, L"2 damaged\n  2 shards rebuilt\n",
       L"zeb: the archive does not open, and its recovery record cannot repair that: " + notOpening + L"\n", 3, false,
       false, notOpening},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    RecoveryReport report;
    report.shardsChecked = 840;
    report.damagedShards = c.damaged;
    report.shardsRebuilt = c.rebuilt;
    report.groupsBeyondRepair = c.beyond;
    report.footerDamaged = c.footerDamaged;
    report.footerRebuilt = c.footerRebuilt;
    report.openFailure = c.openFailure;
    world.recovery = report;
    EXPECT_EQ(runZeb({c.word, L"a.zeb", L"--quiet"}, world.environment()), c.exitCode) << utf8Of(c.tail);
    const std::wstring call = std::wstring(c.word) == L"scan" ? L"checkRecoveryRecord a.zeb" : L"repairArchive a.zeb";
    EXPECT_EQ(world.calls, std::vector<std::wstring>{call});
    EXPECT_EQ(world.console.out, head + c.tail);
    EXPECT_EQ(world.console.err, c.err);
  }
}

TEST(SplitMergeCommands, ReportThePartsWithSizesInBinaryUnits) {
  FakeWorld split;
  split.split = SplitResult{3, 60 << 20, 25 << 20, 0.5};
  EXPECT_EQ(runZeb({L"split", L"a.zeb", L"--part-size", L"25M", L"--quiet"}, split.environment()), 0);
  EXPECT_EQ(split.calls, std::vector<std::wstring>{L"splitArchive a.zeb 26214400"});
  EXPECT_EQ(split.console.out,
            L"Split a.zeb\n"
            L"  3 parts of up to 25.00 MiB, 60.00 MiB in total\n"
            L"  the parts are not readable on their own; merge them first\n");

  FakeWorld merge;
  merge.merge = MergeResult{3, 60 << 20, 25 << 20, 0.5};
  EXPECT_EQ(runZeb({L"merge", L"a.zeb.001", L"-o", L"b.zeb", L"--quiet"}, merge.environment()), 0);
  EXPECT_EQ(merge.calls, std::vector<std::wstring>{L"mergeParts a.zeb.001 b.zeb"});
  EXPECT_EQ(merge.console.out, L"Merged 3 parts into b.zeb (60.00 MiB)\n");
}

TEST(ToolCommands, EngineFailuresArePrintedWithTheEnginesWordsAndNothingElse) {
  struct Case {
    std::vector<std::wstring> args;
    StatusCode code;
    std::wstring message;
    int exitCode;
  };
  const Case cases[] = {
      {{L"protect", L"a.zeb"}, StatusCode::io_failure, L"Write failed on a.zeb", 5},
      {{L"scan", L"a.zeb"}, StatusCode::not_found, L"This archive has no recovery record", 5},
      {{L"repair", L"a.zeb"}, StatusCode::not_found, L"This archive has no recovery record", 5},
      {{L"split", L"a.zeb", L"--part-size", L"64K"}, StatusCode::resource_limit, L"Too many parts", 8},
      {{L"merge", L"a.zeb.002", L"-o", L"b.zeb"}, StatusCode::corrupt_archive, L"Not the first part: a.zeb.002", 3},
      {{L"cmp", L"a.zeb", L"file.txt"}, StatusCode::invalid_argument, L"Not a folder: file.txt", 2},
      {{L"dup", L"a.zeb"}, StatusCode::canceled, L"Hashing canceled", 6},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    const Failure failure = makeFailure(c.code, c.message);
    world.recovery = failure;
    world.split = failure;
    world.merge = failure;
    world.comparison = failure;
    world.duplicates = failure;
    EXPECT_EQ(runZeb(c.args, world.environment()), c.exitCode) << utf8Of(c.message);
    EXPECT_EQ(world.console.out, L"");
    EXPECT_EQ(world.console.err,
              L"zeb: error " + decimal(int32_t(c.code)) + L": " + c.message + L"\n");  // no progress was reported
  }
}

TEST(CompareCommand, ListsDifferencesThenTheSummaryAndExitsZero) {
  CompareResult result;
  result.identical = 7;
  result.different = 3;
  result.onlyInArchive = 1;
  result.onlyInFolder = 1;
  result.rows = {{L"a/gone.txt", 0, 5, 0}, {L"a/new.txt", 1, 0, 6}, {L"b.txt", 2, 1, 2},
                 {L"c.txt", 3, 4, 4},      {L"d.txt", 4, 4, 4},     {L"e.txt", 9, 0, 0}};
  const std::wstring rows =
      L"  only in archive  a/gone.txt\n"
      L"  only in folder   a/new.txt\n"
      L"  size differs     b.txt\n"
      L"  content differs  c.txt\n"
      L"  time differs     d.txt\n"
      L"  content differs  e.txt\n"
      L"a.zeb vs dir\n"
      L"  7 identical, 3 differing, 1 only in the archive, 1 only in the folder\n";
  for (const bool deep : {false, true}) {
    FakeWorld world;
    result.hashed = deep;
    world.comparison = result;
    std::vector<std::wstring> args{L"cmp", L"a.zeb", L"dir", L"--quiet"};
    if (deep) args.push_back(L"--deep");
    EXPECT_EQ(runZeb(args, world.environment()), 0);
    EXPECT_EQ(world.deepSeen, deep);
    EXPECT_EQ(world.console.out,
              rows + (deep ? L"" : L"  compared by size and modification time only; --deep compares the bytes\n"));
    EXPECT_EQ(world.console.err, L"");
  }
}

TEST(DuplicatesCommand, GroupsWithTheirPathsThenTheTotals) {
  FakeWorld none;
  EXPECT_EQ(runZeb({L"dup", L"a.zeb", L"--quiet"}, none.environment()), 0);
  EXPECT_EQ(none.console.out, L"No duplicate files in a.zeb\n");

  FakeWorld world;
  DuplicateReport report;
  report.groups = {{{}, 3 << 20, {L"x/big.iso", L"y/big.iso", L"z/big.iso"}}, {{}, 100, {L"a.txt", L"b.txt"}}};
  report.redundantCopies = 3;
  report.reclaimableBytes = (6 << 20) + 100;
  world.duplicates = report;
  EXPECT_EQ(runZeb({L"dup", L"a.zeb", L"--quiet"}, world.environment()), 0);
  EXPECT_EQ(world.console.out,
            L"  3.00 MiB x3\n"
            L"      x/big.iso\n"
            L"      y/big.iso\n"
            L"      z/big.iso\n"
            L"  100 B x2\n"
            L"      a.txt\n"
            L"      b.txt\n"
            L"2 groups, 3 redundant copies, 6.00 MiB reclaimable\n"
            L"  empty files are not counted: they reclaim nothing\n");
}

TEST(ReadingTools, ObtainThePasswordAsTheArchiveNeedsIt) {
  struct Case {
    std::vector<std::wstring> args;
    bool encrypted;
    std::string expected;  // the password the engine saw
    int prompts, stdinReads;
    std::wstring engineCall;
  };
  const Case cases[] = {
      {{L"cmp", L"a.zeb", L"dir"}, false, "<none>", 0, 0, L"compareArchive a.zeb dir"},
      {{L"cmp", L"a.zeb", L"dir"}, true, "typed", 1, 0, L"compareArchive a.zeb dir"},
      {{L"cmp", L"a.zeb", L"dir", L"--password-stdin"}, false, "piped", 0, 1, L"compareArchive a.zeb dir"},
      {{L"dup", L"a.zeb"}, true, "typed", 1, 0, L"findDuplicates a.zeb"},
      {{L"dup", L"a.zeb", L"--password-stdin"}, true, "piped", 0, 1, L"findDuplicates a.zeb"},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    world.encrypted = c.encrypted;
    world.consoleAnswers.push_back(bytesOf("typed"));
    world.stdinAnswers.push_back(bytesOf("piped"));
    std::vector<std::wstring> args = c.args;
    args.push_back(L"--quiet");
    EXPECT_EQ(runZeb(args, world.environment()), 0) << utf8Of(c.engineCall);
    EXPECT_EQ(textOf(world.passwordSeen), c.expected) << utf8Of(c.engineCall);
    EXPECT_EQ(int(world.prompts.size()), c.prompts);
    EXPECT_EQ(world.stdinReads, c.stdinReads);
    EXPECT_EQ(world.calls.back(), c.engineCall);
  }
}

TEST(ReadingTools, AForeignArchiveStopsAtTheProbe) {
  for (const wchar_t* word : {L"cmp", L"dup"}) {
    FakeWorld world;
    world.encrypted = makeFailure(StatusCode::corrupt_archive, L"File is too small to be a .zeb archive");
    std::vector<std::wstring> args{word, L"a.zip"};
    if (std::wstring(word) == L"cmp") args.push_back(L"dir");
    EXPECT_EQ(runZeb(args, world.environment()), 3);
    EXPECT_EQ(world.console.err, L"zeb: error 3: File is too small to be a .zeb archive\n");
    EXPECT_EQ(world.calls, std::vector<std::wstring>{L"probeZebArchive a.zip"});
  }
}

TEST(ProgressInToolCommands, TheLineEndsBeforeTheReportUnlessQuiet) {
  Progress verifying;
  verifying.phase = Progress::Phase::Verifying;
  verifying.bytesDone = 1 << 20;
  verifying.bytesTotal = 4 << 20;
  verifying.seconds = 1;
  for (const bool quiet : {false, true}) {
    FakeWorld world;
    world.progressReports = {verifying};
    std::vector<std::wstring> args{L"scan", L"a.zeb"};
    if (quiet) args.push_back(L"--quiet");
    EXPECT_EQ(runZeb(args, world.environment()), 0);
    EXPECT_EQ(world.console.err, quiet ? L"" : L"\rVerifying   25.00%       1.0 MiB/s  0/0 items    \n");
  }
}

}  // namespace
}  // namespace tolzeb::cli
