#include "cli/archive_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/report_format.h"
#include "cli/zeb.h"
#include "cli_test_support.h"
#include "engine/core/text.h"
#include "support/utf8_text.h"

namespace tolzeb::cli {
namespace {

using testing::bytesOf;
using testing::FakeWorld;
using testing::textOf;

using tolzeb::testing::utf8Of;

ArchiveStats sampleStats() {
  ArchiveStats stats;
  stats.entries = 12;
  stats.files = 10;
  stats.directories = 2;
  stats.inputBytes = 3 << 20;
  stats.archiveBytes = 1 << 20;
  stats.seconds = 1.25;
  return stats;
}

TEST(ArchiveCommands, RefuseMissingArguments) {
  struct Case {
    std::vector<std::wstring> args;
    std::wstring err;
  };
  const Case cases[] = {
      {{L"c"}, L"zeb: 'c' needs at least one source file or folder\n"},
      {{L"c", L"--quiet"}, L"zeb: 'c' needs at least one source file or folder\n"},  // inputs are checked first
      {{L"c", L"src"}, L"zeb: 'c' needs an output archive (-o <archive.zeb>)\n"},
      {{L"x", L"-o", L"dir"}, L"zeb: 'x' needs exactly one archive path\n"},
      {{L"x", L"a", L"b", L"-o", L"dir"}, L"zeb: 'x' needs exactly one archive path\n"},
      {{L"x", L"a.zeb"}, L"zeb: 'x' needs a destination (-o <directory>)\n"},
      {{L"l"}, L"zeb: 'l' needs exactly one archive path\n"},
      {{L"l", L"a", L"b"}, L"zeb: 'l' needs exactly one archive path\n"},
      {{L"t"}, L"zeb: 't' needs exactly one archive path\n"},
      {{L"v", L"a", L"b"}, L"zeb: 'v' needs exactly one archive path\n"},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    EXPECT_EQ(runZeb(c.args, world.environment()), 2) << utf8Of(c.err);
    EXPECT_EQ(world.console.err, c.err);
    EXPECT_TRUE(world.calls.empty()) << utf8Of(c.err);
    EXPECT_EQ(world.stdinReads, 0);
  }
}

TEST(CreatedKind, FormatWordFirstThenTheNameEnding) {
  struct Case {
    const wchar_t* output;
    const wchar_t* format;
    ArchiveKind kind;
  };
  const Case cases[] = {
      {L"a.zeb", L"", ArchiveKind::zeb},       {L"a.ZIP", L"", ArchiveKind::zip},
      {L"a.7Z", L"", ArchiveKind::sevenZip},   {L"a.Tar.Gz", L"", ArchiveKind::tarGz},
      {L"a.tgz", L"", ArchiveKind::tarGz},     {L"a.tar", L"", ArchiveKind::tar},
      {L"a.gz", L"", ArchiveKind::zeb},        {L"zip", L"", ArchiveKind::zeb},
      {L"a", L"", ArchiveKind::zeb},           {L"a.zip", L"zeb", ArchiveKind::zeb},
      {L"a.zeb", L"zip", ArchiveKind::zip},    {L"a", L"7z", ArchiveKind::sevenZip},
      {L"a", L"tar", ArchiveKind::tar},        {L"a.tar", L"tgz", ArchiveKind::tarGz},
      {L"a", L"tar.gz", ArchiveKind::tarGz},
  };
  for (const Case& c : cases) {
    CommandLine line;
    line.output = c.output;
    line.format = c.format;
    EXPECT_EQ(createdKind(line), c.kind) << utf8Of(c.output) << " " << utf8Of(c.format);
  }
}

TEST(CreateCommand, ZebReportWithRecoveryRecord) {
  FakeWorld world;
  world.stats = sampleStats();
  world.recovery = RecoveryReport{RecoveryLayout{5, 1 << 20, 4096, 1, 10, 3, 52429}};
  EXPECT_EQ(runZeb({L"c", L"src", L"-o", L"out.zip", L"--format", L"zeb", L"--recovery", L"5", L"--quiet"},
                   world.environment()),
            0);
  EXPECT_EQ(world.calls, (std::vector<std::wstring>{L"createArchive out.zip", L"protectArchive out.zip 5"}));
  EXPECT_FALSE(world.createdWith.password);
  EXPECT_EQ(world.console.out,
            L"Created out.zip\n"
            L"  10 files, 2 folders\n"
            L"  input  3.00 MiB\n"
            L"  output 1.00 MiB (33.3% of input)\n"
            L"  elapsed 1.250 s\n"
            L"  recovery record 51.20 KiB (5.0% of the archive), survives losing any 3 shards per group\n");
  EXPECT_EQ(world.console.err, L"");
}

TEST(CreateCommand, EmptyInputShowsZeroPercent) {
  FakeWorld world;
  EXPECT_EQ(runZeb({L"c", L"empty", L"-o", L"a.zeb", L"--quiet"}, world.environment()), 0);
  EXPECT_NE(world.console.out.find(L"  output 0 B (0.0% of input)\n"), std::wstring::npos);
}

TEST(CreateCommand, FailedRecoveryRecordKeepsTheArchiveAndPrintsNoReport) {
  FakeWorld world;
  world.recovery = makeFailure(StatusCode::io_failure, L"Write failed on out.zeb");
  EXPECT_EQ(runZeb({L"c", L"src", L"-o", L"out.zeb", L"--recovery", L"10", L"--quiet"}, world.environment()), 5);
  EXPECT_EQ(world.console.out, L"");
  EXPECT_EQ(world.console.err, L"zeb: error 5: Write failed on out.zeb\n");
}

TEST(CreateCommand, PasswordsForANewZeb) {
  struct Case {
    std::vector<std::wstring> args;
    std::vector<std::string> typed;  // console answers in order
    std::string piped;               // standard input answer, if any
    int exitCode;
    std::string passwordUsed;  // "<none>" when the archive was not created
    std::vector<std::wstring> prompts;
  };
  const Case cases[] = {
      {{L"--encrypt"}, {"s3cret", "s3cret"}, "", 0, "s3cret", {L"Password: ", L"Repeat password: "}},
      {{L"--encrypt"}, {"s3cret", "s3creT"}, "", 2, "<none>", {L"Password: ", L"Repeat password: "}},
      {{L"--encrypt"}, {"s3cret", "s3cret1"}, "", 2, "<none>", {L"Password: ", L"Repeat password: "}},
      // --password-stdin alone encrypts, and wins over a prompt.
      {{L"--password-stdin"}, {}, "piped", 0, "piped", {}},
      {{L"--encrypt", L"--password-stdin"}, {}, "piped", 0, "piped", {}},
      {{}, {}, "", 0, "<none>", {}},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    for (const std::string& answer : c.typed) world.consoleAnswers.push_back(bytesOf(answer));
    if (!c.piped.empty()) world.stdinAnswers.push_back(bytesOf(c.piped));
    std::vector<std::wstring> args{L"c", L"src", L"-o", L"a.zeb", L"--quiet"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const bool encrypting = !c.args.empty();  // a work factor is refused for an archive without a password
    if (encrypting) args.insert(args.end(), {L"--kdf-iterations", L"200000"});
    EXPECT_EQ(runZeb(args, world.environment()), c.exitCode) << c.passwordUsed;
    EXPECT_EQ(world.prompts, c.prompts);
    if (c.exitCode == 0) {
      EXPECT_EQ(textOf(world.createdWith.password), c.passwordUsed);
      if (encrypting) {
        EXPECT_EQ(world.createdWith.kdfIterations, 200000u);
      }
    } else {
      EXPECT_TRUE(world.calls.empty());
      EXPECT_EQ(world.console.err, L"zeb: error 2: The two passwords do not match; nothing was written\n");
    }
  }
}

TEST(CreateCommand, ForeignFormats) {
  struct Case {
    std::vector<std::wstring> args;
    std::wstring call;
    int32_t level;
    std::wstring firstLine;
  };
  const Case cases[] = {
      {{L"-o", L"a.ZIP"}, L"createZip a.ZIP", 6, L"Created a.ZIP (ZIP)\n"},
      {{L"-o", L"a.zip", L"--mode", L"lightning"}, L"createZip a.zip", 1, L"Created a.zip (ZIP)\n"},
      {{L"-o", L"a.7z", L"--mode", L"compact"}, L"createSevenZip a.7z", 9, L"Created a.7z (7Z)\n"},
      {{L"-o", L"a.tar"}, L"createTar a.tar", 6, L"Created a.tar (TAR)\n"},
      {{L"-o", L"a", L"--format", L"tgz"}, L"createTar a", 6, L"Created a (TAR.GZ)\n"},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    world.stats = sampleStats();
    std::vector<std::wstring> args{L"c", L"src", L"--quiet"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(runZeb(args, world.environment()), 0);
    EXPECT_EQ(world.calls, std::vector<std::wstring>{c.call});
    EXPECT_EQ(world.levelSeen, c.level);
    EXPECT_EQ(world.console.out, c.firstLine +
                                     L"  10 files, 2 folders\n  input  3.00 MiB\n  output 1.00 MiB (33.3% of input)\n"
                                     L"  elapsed 1.250 s\n");
  }
  FakeWorld tgz;
  EXPECT_EQ(runZeb({L"c", L"src", L"-o", L"a.tgz", L"--quiet"}, tgz.environment()), 0);
  EXPECT_TRUE(tgz.gzipSeen);
  FakeWorld sevenZip;
  EXPECT_EQ(runZeb({L"c", L"src", L"-o", L"a.7z", L"--quiet"}, sevenZip.environment()), 0);
  EXPECT_EQ(sevenZip.solidBlockSeen, 64ull << 20);
}

TEST(CreateCommand, ForeignFormatsRefuseAPasswordWithoutReadingOne) {
  for (const wchar_t* flag : {L"--encrypt", L"--password-stdin"}) {
    FakeWorld world;
    EXPECT_EQ(runZeb({L"c", L"src", L"-o", L"a.7z", flag}, world.environment()), 2);
    EXPECT_EQ(world.console.err,
              L"zeb: a 7Z archive cannot be password-protected by TOLZEB. Each of these formats has its own "
              L"encryption and this build writes none of them; use a .zeb instead.\n");
    EXPECT_EQ(world.stdinReads, 0);
    EXPECT_TRUE(world.prompts.empty());
    EXPECT_TRUE(world.calls.empty());
  }
}

TEST(ExtractCommand, AsksForAPasswordOnlyForAnEncryptedZeb) {
  struct Case {
    Result<ArchiveKind> kind;
    Result<bool> encrypted;
    bool passwordStdin;
    std::vector<std::wstring> calls;
    std::string passwordUsed;
    int stdinReads;
    int prompts;
  };
  const Case cases[] = {
      {ArchiveKind::zeb, true, false,
       {L"detectArchiveKind a", L"probeZebArchive a", L"extractAnyArchive a out"}, "typed", 0, 1},
      {ArchiveKind::zeb, false, false, {L"detectArchiveKind a", L"probeZebArchive a", L"extractAnyArchive a out"},
       "<none>", 0, 0},
      // With --password-stdin a .zeb always reads standard input and is not probed.
      {ArchiveKind::zeb, false, true, {L"detectArchiveKind a", L"extractAnyArchive a out"}, "piped", 1, 0},
      // A foreign archive never reads standard input.
      {ArchiveKind::zip, true, true, {L"detectArchiveKind a", L"extractAnyArchive a out"}, "<none>", 0, 0},
      // A failed detection is no archive at all; the dispatcher refuses it.
      {makeFailure(StatusCode::io_failure, L"Read failed on a"), true, true,
       {L"detectArchiveKind a", L"extractAnyArchive a out"}, "<none>", 0, 0},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    world.kind = c.kind;
    world.encrypted = c.encrypted;
    world.stats = sampleStats();
    world.consoleAnswers.push_back(bytesOf("typed"));
    world.stdinAnswers.push_back(bytesOf("piped"));
    std::vector<std::wstring> args{L"x", L"a", L"-o", L"out", L"--quiet", L"--overwrite", L"skip"};
    if (c.passwordStdin) args.push_back(L"--password-stdin");
    EXPECT_EQ(runZeb(args, world.environment()), 0);
    EXPECT_EQ(world.calls, c.calls);
    EXPECT_EQ(textOf(world.passwordSeen), c.passwordUsed);
    EXPECT_EQ(world.stdinReads, c.stdinReads);
    EXPECT_EQ(int(world.prompts.size()), c.prompts);
    EXPECT_EQ(world.extractedWith.overwrite, OverwritePolicy::skip);
    EXPECT_EQ(world.console.out, L"Extracted to out\n  10 files, 2 folders, 3.00 MiB\n  elapsed 1.250 s\n");
  }
}

TEST(ExtractCommand, FailuresPrintTheStatusCodeAndExitWithItsMapping) {
  struct Case {
    Result<bool> encrypted;
    Result<ArchiveStats> stats;
    int exitCode;
    std::wstring err;
  };
  const Case cases[] = {
      {makeFailure(StatusCode::corrupt_archive, L"File is too small to be a .zeb archive"), sampleStats(), 3,
       L"zeb: error 3: File is too small to be a .zeb archive\n"},
      {false, makeFailure(StatusCode::authentication_failed, L"Wrong password"), 4,
       L"zeb: error 4: Wrong password\n"},
      {false, makeFailure(StatusCode::path_unsafe, L"Unsafe path"), 3, L"zeb: error 9: Unsafe path\n"},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    world.encrypted = c.encrypted;
    world.stats = c.stats;
    EXPECT_EQ(runZeb({L"x", L"a", L"-o", L"out", L"--quiet"}, world.environment()), c.exitCode);
    EXPECT_EQ(world.console.err, c.err);
    EXPECT_EQ(world.console.out, L"");
  }
}

TEST(ListCommand, ZebAndForeignListings) {
  ArchiveListing listing;
  listing.versionMajor = 1;
  listing.versionMinor = 2;
  listing.chunkSize = 2 << 20;
  listing.chunkCount = 7;
  listing.totalBytes = 1536;
  listing.archiveBytes = 1000;
  listing.entries.push_back(ListedEntry{L"docs", true, 0, 0, 0, 0});
  listing.entries.push_back(ListedEntry{L"docs/a.txt", false, 1536, 132223104000000000ull, 0, 1});
  const std::wstring when = padRight(formatLocalTime(132223104000000000ull), 20);
  const std::wstring table = L"\nModified                       Size  Name\n"
                             L"-------------------- --------------  ------------------------\n"
                             L"-                             <DIR>  docs/\n" +
                             when + L"           1536  docs/a.txt\n" +
                             L"\n2 entries, 1.50 KiB uncompressed, archive 1000 B\n";
  struct Case {
    ArchiveKind kind;
    std::wstring formatLine;
  };
  const Case cases[] = {
      {ArchiveKind::zeb, L"Format:  v1.2, 7 blocks of up to 2.00 MiB\n"},
      {ArchiveKind::tarGz, L"Format:  TAR.GZ, 2 entries\n"},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    world.kind = c.kind;
    world.listing = listing;
    world.progressReports.push_back(Progress{});
    EXPECT_EQ(runZeb({L"l", L"a.bin"}, world.environment()), 0);
    EXPECT_EQ(world.console.out, L"Archive: a.bin\n" + c.formatLine + table);
    EXPECT_EQ(world.console.err, L"");  // no progress for a listing
  }
}

TEST(TestCommand, ZebUsesTheCheckSettingsAndForeignKindsTheirOwnTest) {
  struct Case {
    const wchar_t* word;
    ArchiveKind kind;
    std::wstring call;
    std::wstring firstLine;
  };
  const Case cases[] = {
      {L"t", ArchiveKind::zeb, L"testArchive a", L"a: OK\n"},
      {L"v", ArchiveKind::zeb, L"verifyArchive a", L"a: OK\n"},
      {L"t", ArchiveKind::zip, L"testAnyArchive a", L"a: OK (ZIP)\n"},
      {L"v", ArchiveKind::sevenZip, L"testAnyArchive a", L"a: OK (7Z)\n"},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    world.kind = c.kind;
    world.stats = sampleStats();
    EXPECT_EQ(runZeb({c.word, L"a", L"--quiet", L"--threads", L"3", L"--memory", L"256M"}, world.environment()), 0);
    EXPECT_EQ(world.calls.back(), c.call);
    if (c.kind == ArchiveKind::zeb) {
      EXPECT_EQ(world.threadsSeen, 3u);
      EXPECT_EQ(world.memorySeen, 256ull << 20);
    }
    EXPECT_EQ(world.console.out, c.firstLine + L"  12 entries, 3.00 MiB checked in 1.250 s\n");
  }
}

TEST(ProgressInCommands, LineEndsBeforeTheFailureAndQuietWritesNothing) {
  Progress encoding;
  encoding.phase = Progress::Phase::Encoding;
  encoding.bytesDone = 1 << 20;
  encoding.bytesTotal = 2 << 20;
  encoding.seconds = 0.5;
  encoding.itemsDone = 3;
  encoding.itemsTotal = 10;

  FakeWorld loud;
  loud.progressReports = {encoding};
  loud.stats = makeFailure(StatusCode::canceled, L"Test canceled");
  EXPECT_EQ(runZeb({L"t", L"a"}, loud.environment()), 6);
  EXPECT_EQ(loud.console.err,
            L"\rEncoding    50.00%       2.0 MiB/s  3/10 items    \nzeb: error 6: Test canceled\n");

  FakeWorld quiet;
  quiet.progressReports = {encoding};
  quiet.stats = makeFailure(StatusCode::canceled, L"Test canceled");
  EXPECT_EQ(runZeb({L"t", L"a", L"--quiet"}, quiet.environment()), 6);
  EXPECT_EQ(quiet.console.err, L"zeb: error 6: Test canceled\n");
}

TEST(ProgressInCommands, CreationWithRecoveryUsesAFreshLineForEachCall) {
  Progress done;
  done.phase = Progress::Phase::Done;
  FakeWorld world;
  world.progressReports = {done};
  EXPECT_EQ(runZeb({L"c", L"src", L"-o", L"a.zeb", L"--recovery", L"5"}, world.environment()), 0);
  const std::wstring line = L"\rDone         0.00%       0.0 MiB/s  0/0 items    \n";
  EXPECT_EQ(world.console.err, line + line);
}

}  // namespace
}  // namespace tolzeb::cli
