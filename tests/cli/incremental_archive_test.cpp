#include "cli/incremental_archive.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "cli/zeb.h"
#include "cli_test_support.h"
#include "engine/core/fs.h"
#include "support/scratch_tree.h"

namespace tolzeb::cli {
namespace {

using testing::bytesOf;
using testing::FakeWorld;
using testing::textOf;
using tolzeb::testing::printable;
using tolzeb::testing::ScratchTree;

Sha256Digest digestOf(uint8_t seed) {
  Sha256Digest digest{};
  digest.fill(seed);
  return digest;
}

TEST(IncrementalSelection, ComparesEachSourceFileWithTheReference) {
  const std::vector<ReferenceFile> reference = {
      {L"src", 0, 50, true, {}},
      {L"src/a.txt", 10, 100, false, digestOf(1)},
      {L"src/sub/b.txt", 20, 200, false, digestOf(2)},
      {L"src/c.txt", 30, 300, false, digestOf(3)},
  };
  struct Source {
    std::wstring path;
    uint64_t size, modified;
    uint8_t content;  // the digest seed the hash gives
  };
  const std::vector<Source> same = {
      {L"src/a.txt", 10, 100, 1}, {L"src/sub/b.txt", 20, 200, 2}, {L"src/c.txt", 30, 300, 3}};
  struct Case {
    const char* name;
    bool deep;
    std::vector<Source> sources;
    std::set<std::wstring> included;
    uint64_t changed, unchanged, gone;
    int hashes;  // contents hashed
  };
  const Case cases[] = {
      {"nothing changed", false, same, {}, 0, 3, 0, 0},
      {"nothing changed, by content", true, same, {}, 0, 3, 0, 3},
      {"size differs",
       false,
       {{L"src/a.txt", 11, 100, 1}, {L"src/sub/b.txt", 20, 200, 2}, {L"src/c.txt", 30, 300, 3}},
       {L"src/a.txt"},
       1,
       2,
       0,
       0},
      {"size differs is not hashed", true, {{L"src/a.txt", 11, 100, 1}}, {L"src/a.txt"}, 1, 0, 2, 0},
      {"only the time differs", false, {{L"src/a.txt", 10, 101, 1}}, {L"src/a.txt"}, 1, 0, 2, 0},
      {"only the time differs, by content", true, {{L"src/a.txt", 10, 101, 1}}, {}, 0, 1, 2, 1},
      {"same size and time, other content", true, {{L"src/a.txt", 10, 100, 9}}, {L"src/a.txt"}, 1, 0, 2, 1},
      {"new file is not hashed", true, {{L"src/d.txt", 10, 100, 1}}, {L"src/d.txt"}, 1, 0, 3, 0},
      {"renamed: one changed, one gone",
       false,
       {{L"src/a2.txt", 10, 100, 1}, {L"src/sub/b.txt", 20, 200, 2}, {L"src/c.txt", 30, 300, 3}},
       {L"src/a2.txt"},
       1,
       2,
       1,
       0},
      {"paths compare with case", false, {{L"src/A.txt", 10, 100, 1}}, {L"src/A.txt"}, 1, 0, 3, 0},
      // a reference folder is no file to match, nor one that can go
      {"a file where a folder was", false, {{L"src", 0, 50, 0}}, {L"src"}, 1, 0, 3, 0},
      {"one path met twice", false, {{L"src/e.txt", 1, 1, 0}, {L"src/e.txt", 1, 1, 0}}, {L"src/e.txt"}, 2, 0, 3, 0},
  };
  for (const Case& c : cases) {
    IncrementalSelection selection(reference, c.deep);
    int hashes = 0;
    for (const Source& source : c.sources) {
      const ContentHash hash = [&]() -> Result<Sha256Digest> {
        ++hashes;
        return digestOf(source.content);
      };
      ASSERT_TRUE(selection.noteFile(source.path, source.size, source.modified, hash).ok()) << c.name;
    }
    EXPECT_EQ(*selection.includePaths(), c.included) << c.name;
    EXPECT_EQ(selection.changed(), c.changed) << c.name;
    EXPECT_EQ(selection.unchanged(), c.unchanged) << c.name;
    EXPECT_EQ(selection.gone(), c.gone) << c.name;
    EXPECT_EQ(hashes, c.hashes) << c.name;
  }
}

TEST(IncrementalSelection, AHashingFailureIsReturned) {
  IncrementalSelection selection({{L"a.txt", 1, 1, false, {}}}, true);
  const Status status = selection.noteFile(L"a.txt", 1, 1, []() -> Result<Sha256Digest> {
    return makeFailure(StatusCode::io_failure, L"Read failed on a.txt");
  });
  ASSERT_TRUE(status.failed());
  EXPECT_EQ(status.failure().message, L"Read failed on a.txt");
}

// A source folder on disk and a reference listing made from it, for runs of the
// whole command.
class IncrementalCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_.writeText(L"src/a.txt", "aaaa");
    scratch_.writeText(L"src/sub/b.txt", "bb");
    listing_.entries.push_back(ListedEntry{L"src", true, 0, 0, 0x10, 0});
    listing_.entries.push_back(ListedEntry{L"src/sub", true, 0, 0, 0x10, 0});
    for (const std::wstring relative : {L"src/a.txt", L"src/sub/b.txt"}) {
      Result<FileInfo> info = statPath(scratch_.path(relative));
      ASSERT_TRUE(info.hasValue());
      listing_.entries.push_back(ListedEntry{relative, false, info->size, info->modified, 0x20, 1});
    }
  }

  std::wstring source() const { return scratch_.path(L"src"); }

  ScratchTree scratch_;
  ArchiveListing listing_;
};

TEST_F(IncrementalCommand, WritesOnlyWhatChangedAndCountsWhatWent) {
  scratch_.writeText(L"src/sub/b.txt", "bbb");
  scratch_.writeText(L"src/c.txt", "c");
  listing_.entries.push_back(ListedEntry{L"src/old.txt", false, 3, 0, 0x20, 1});
  FakeWorld world;
  world.listing = listing_;
  ArchiveStats stats;
  stats.archiveBytes = 1024;
  world.stats = stats;
  ASSERT_EQ(runZeb({L"inc", source(), L"--base", L"ref.zeb", L"-o", L"new.zeb", L"--quiet"}, world.environment()), 0)
      << printable(world.console.err);
  EXPECT_EQ(world.calls, (std::vector<std::wstring>{L"probeZebArchive ref.zeb", L"listAnyArchive ref.zeb",
                                                    L"createArchive new.zeb"}));
  ASSERT_TRUE(world.createdWith.includePaths);
  EXPECT_EQ(*world.createdWith.includePaths, (std::set<std::wstring>{L"src/c.txt", L"src/sub/b.txt"}));

  const std::wstring& out = world.console.out;
  const std::wstring head =
      L"Created new.zeb\n  2 changed, 1 unchanged, 1 "
      L"gone since the reference\n  1.00 KiB written in ";
  const std::wstring tail =
      L" s\n  deletions cannot be recorded in a standalone archive; extracting "
      L"the base then this one leaves them in "
      L"place\n";
  EXPECT_EQ(out.substr(0, head.size()), head) << printable(out);
  ASSERT_GT(out.size(), head.size() + tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail) << printable(out);
}

TEST_F(IncrementalCommand, NothingChangedOrOnlyDeletionsWriteNothing) {
  for (const bool deletion : {false, true}) {
    FakeWorld world;
    world.listing = listing_;
    if (deletion) world.listing->entries.push_back(ListedEntry{L"src/old.txt", false, 3, 0, 0x20, 1});
    EXPECT_EQ(runZeb({L"inc", source(), L"--base", L"ref.zeb", L"-o", L"new.zeb"}, world.environment()), 5);
    EXPECT_EQ(world.console.out, L"");
    EXPECT_EQ(world.console.err,
              L"zeb: error 11: Nothing has changed since the reference "
              L"archive; no archive written\n");
    EXPECT_EQ(world.calls.back(), L"listAnyArchive ref.zeb");
  }
}

TEST_F(IncrementalCommand, DeepModeHashesTheReferenceAndFilesOfEqualSize) {
  // The reference claims other times; by content only b.txt differs.
  std::vector<EntryHash> hashes;
  for (const ListedEntry& entry : listing_.entries) {
    hashes.push_back(EntryHash{entry.path, entry.size, entry.modified + 1, entry.isDirectory, digestOf(7)});
  }
  FakeWorld world;
  world.entryHashes = hashes;
  std::vector<std::wstring> hashed;
  world.fileHash = [&](const std::wstring& file) -> Result<Sha256Digest> {
    hashed.push_back(file);
    return digestOf(file.find(L"b.txt") == std::wstring::npos ? 7 : 8);
  };
  ASSERT_EQ(
      runZeb({L"inc", source(), L"--base", L"ref.zeb", L"-o", L"new.zeb", L"--deep", L"--quiet"}, world.environment()),
      0)
      << printable(world.console.err);
  EXPECT_EQ(world.calls,
            (std::vector<std::wstring>{L"probeZebArchive ref.zeb", L"hashEntries ref.zeb", L"createArchive new.zeb"}));
  EXPECT_EQ(hashed.size(), 2u);
  EXPECT_EQ(*world.createdWith.includePaths, (std::set<std::wstring>{L"src/sub/b.txt"}));
  EXPECT_NE(world.console.out.find(L"  1 changed, 1 unchanged, 0 gone since the reference\n"), std::wstring::npos);
  EXPECT_EQ(world.console.out.find(L"deletions"), std::wstring::npos);
}

TEST_F(IncrementalCommand, AnEncryptedReferenceIsReadWithItsPasswordAndEncryptAsksForTheNewArchivesOwn) {
  scratch_.writeText(L"src/c.txt", "c");
  struct Case {
    bool encrypt, piped;
    std::string created;  // the new archive's password
    std::vector<std::wstring> prompts;
  };
  const Case cases[] = {
      {false, false, "<none>", {L"Password: "}},
      {false, true, "<none>", {}},
      {true, false, "new", {L"Password: ", L"Password: ", L"Repeat password: "}},
      {true, true, "piped", {}},  // the one line on standard input serves both
  };
  for (const Case& c : cases) {
    FakeWorld world;
    world.listing = listing_;
    world.encrypted = true;
    for (const char* answer : {"typed", "new", "new"}) world.consoleAnswers.push_back(bytesOf(answer));
    world.stdinAnswers.push_back(bytesOf("piped"));
    std::vector<std::wstring> args{L"inc", source(), L"--base", L"ref.zeb", L"-o", L"new.zeb", L"--quiet"};
    if (c.encrypt) args.push_back(L"--encrypt");
    if (c.piped) args.push_back(L"--password-stdin");
    ASSERT_EQ(runZeb(args, world.environment()), 0) << printable(world.console.err);
    EXPECT_EQ(textOf(world.passwordSeen), c.piped ? "piped" : "typed");
    EXPECT_EQ(world.prompts, c.prompts);
    EXPECT_LE(world.stdinReads, 1);
    EXPECT_EQ(textOf(world.createdWith.password), c.created);
  }
}

TEST_F(IncrementalCommand, ARecoveryRecordIsAddedAndReported) {
  scratch_.writeText(L"src/c.txt", "c");
  FakeWorld world;
  world.listing = listing_;
  world.recovery = RecoveryReport{RecoveryLayout{10, 1 << 20, 4096, 1, 10, 3, 104858}};
  ASSERT_EQ(runZeb({L"inc", source(), L"--base", L"ref.zeb", L"-o", L"new.zeb", L"--recovery", L"10", L"--quiet"},
                   world.environment()),
            0)
      << printable(world.console.err);
  EXPECT_EQ(world.calls.back(), L"protectArchive new.zeb 10");
  const std::wstring line =
      L"  recovery record 102.40 KiB (10.0% of the archive), survives losing any 3 shards per group\n";
  const std::wstring& out = world.console.out;
  ASSERT_GE(out.size(), line.size());
  EXPECT_EQ(out.substr(out.size() - line.size()), line) << printable(out);
}

TEST_F(IncrementalCommand, RefusesWhatTheNewArchiveCannotCarry) {
  struct Case {
    std::vector<std::wstring> args;
    std::wstring err;
  };
  const Case cases[] = {
      {{L"-o", L"new.zip"},
       L"zeb: 'inc' writes only .zeb archives, not ZIP. Name the output .zeb, or write the archive with 'c'.\n"},
      {{L"-o", L"new.zeb", L"--format", L"tar"},
       L"zeb: 'inc' writes only .zeb archives, not TAR. Name the output .zeb, or write the archive with 'c'.\n"},
      {{L"-o", L"new.zeb", L"--kdf-iterations", L"200000"},
       L"zeb: --kdf-iterations sets the work factor of a password, and this archive gets none. Add --encrypt, or leave "
       L"it out.\n"},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    world.listing = listing_;
    std::vector<std::wstring> args{L"inc", source(), L"--base", L"ref.zeb", L"--quiet"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(runZeb(args, world.environment()), 2);
    EXPECT_EQ(world.console.err, c.err);
    EXPECT_TRUE(world.calls.empty());
  }
  // With --format zeb the name may end as it likes, as for 'c'.
  FakeWorld named;
  named.listing = listing_;
  scratch_.writeText(L"src/c.txt", "c");
  EXPECT_EQ(runZeb({L"inc", source(), L"--base", L"ref.zeb", L"-o", L"new.zip", L"--format", L"zeb", L"--quiet"},
                   named.environment()),
            0)
      << printable(named.console.err);
}

TEST_F(IncrementalCommand, AMissingSourceEndsTheRunBeforeAnythingIsWritten) {
  FakeWorld world;
  world.listing = listing_;
  EXPECT_EQ(runZeb({L"inc", scratch_.path(L"missing"), L"--base", L"ref.zeb", L"-o", L"new.zeb"}, world.environment()),
            5);
  EXPECT_EQ(world.console.err.rfind(L"zeb: error 11: Cannot stat", 0), 0u) << printable(world.console.err);
  EXPECT_EQ(world.calls.back(), L"listAnyArchive ref.zeb");
}

}  // namespace
}  // namespace tolzeb::cli
