#include "engine/recovery/protect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/container/archive_records.h"
#include "engine/container/test_archive.h"
#include "engine/container/verify_archive.h"
#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using testing::narrow;
using testing::passwordOf;
using testing::sampleBytes;
using testing::ScratchFile;
using testing::TestArchiveOptions;
using testing::TestEntry;
using testing::writeTestArchive;

using testing::readFileBytes;

// About 300 KB in two chunks of 256 KiB: shards of 4 KiB, 74 data shards in one
// group.
Bytes sampleArchive(const std::string& password, const std::vector<TestEntry>& extra = {}) {
  std::vector<TestEntry> entries = {
      {L"d", true, {}},
      {L"d/one", false, sampleBytes(90000, 7)},
      {L"d/two", false, sampleBytes(210000, 8)},
  };
  entries.insert(entries.end(), extra.begin(), extra.end());
  TestArchiveOptions options;
  options.password = password;
  options.compress = false;
  Result<Bytes> bytes = writeTestArchive(entries, options);
  EXPECT_TRUE(bytes.hasValue());
  return bytes.hasValue() ? *bytes : Bytes{};
}

ArchiveHeader headerOf(const Bytes& archive) { return *parseArchiveHeader(archive.data(), kHeaderSize); }

Status testWhole(const std::wstring& path, const std::string& password) {
  Result<ArchiveStats> stats =
      testArchive(path, nullptr, 2, 256ull << 20, password.empty() ? nullptr : passwordOf(password));
  return stats.status();
}

RecoveryReport expectReport(const Result<RecoveryReport>& report) {
  EXPECT_TRUE(report.hasValue()) << narrow(report.failed() ? report.failure().message : L"");
  return report.hasValue() ? *report : RecoveryReport{};
}

void expectFailure(const Status& status, StatusCode code, const wchar_t* message) {
  ASSERT_TRUE(status.failed());
  EXPECT_EQ(status.code(), code) << narrow(status.message());
  EXPECT_EQ(status.message(), message);
}

TEST(ProtectArchiveTest, AddsARecordThatChecksCleanAndKeepsTheArchiveOpenable) {
  for (const std::string password : {"", "secret"}) {
    SCOPED_TRACE(password);
    Bytes original = sampleArchive(password);
    ScratchFile file(original);
    std::vector<Progress::Phase> phases;
    RecoveryReport protectedReport = expectReport(protectArchive(file.path(), 5, [&](const Progress& p) {
      phases.push_back(p.phase);
      EXPECT_LE(p.bytesDone, p.bytesTotal);
      return true;
    }));
    const uint64_t length = original.size() - kFooterSize;
    RecoveryLayout planned = *planRecoveryLayout(length, 5);
    EXPECT_EQ(protectedReport.layout.recordSize, planned.recordSize);
    EXPECT_EQ(protectedReport.shardsChecked + protectedReport.damagedShards, 0u);
    EXPECT_EQ(phases, std::vector<Progress::Phase>(planned.groupCount, Progress::Phase::Writing));

    Bytes now = readFileBytes(file.path());
    ASSERT_EQ(now.size(), length + planned.recordSize + kFooterSize);
    ArchiveHeader header = headerOf(now);
    EXPECT_NE(header.flags & kFlagRecoveryRecord, 0u);
    EXPECT_EQ(header.recoveryOffset, length);
    ArchiveFooter footer = *parseArchiveFooter(&now[now.size() - kFooterSize], kFooterSize);
    EXPECT_EQ(footer.footerOffset, length + planned.recordSize);
    EXPECT_EQ(footer.fileLength, now.size());
    // Only the header's flag, offset and checksum changed in the body.
    EXPECT_TRUE(std::equal(original.begin() + kHeaderSize, original.begin() + length, now.begin() + kHeaderSize));

    EXPECT_TRUE(testWhole(file.path(), password).ok()) << "the password must still open it";
    RecoveryReport checked = expectReport(checkRecoveryRecord(file.path(), nullptr));
    EXPECT_EQ(checked.shardsChecked, uint64_t(planned.groupCount) * (planned.dataShards + planned.parityShards));
    EXPECT_EQ(checked.damagedShards, 0u);
    EXPECT_EQ(checked.layout.protectedLength, length);
  }
}

struct Damage {
  const char* name;
  // Flips bytes of the protected archive; returns how many shards it hit.
  std::function<uint64_t(Bytes&, const RecoveryLayout&)> apply;
};

uint64_t flipShards(Bytes& archive, const RecoveryLayout& layout, uint32_t first, uint32_t count) {
  for (uint32_t k = first; k < first + count; ++k) archive[size_t(uint64_t(k) * layout.shardSize + 17)] ^= 0x5A;
  return count;
}

const Damage kDamages[] = {
    {"chunk bytes", [](Bytes& a, const RecoveryLayout& l) { return flipShards(a, l, 3, 1); }},
    {"manifest",
     [](Bytes& a, const RecoveryLayout& l) {
       uint64_t at = headerOf(a).manifestOffset + 2;
       a[size_t(at)] ^= 0xFF;
       a[size_t(at + 1)] ^= 0xFF;
       return uint64_t(at / l.shardSize == (at + 1) / l.shardSize ? 1 : 2);
     }},
    {"archive header",
     [](Bytes& a, const RecoveryLayout&) {
       for (size_t i = 0; i < kHeaderSize; ++i) a[i] = 0;  // found by scanning then
       return uint64_t(1);
     }},
    {"parity area",
     [](Bytes& a, const RecoveryLayout& l) {
       a[size_t(l.protectedLength + l.parityOffset(0, 0) + 9)] ^= 1;
       return uint64_t(1);
     }},
    {"as many shards as the parity",
     [](Bytes& a, const RecoveryLayout& l) { return flipShards(a, l, 1, l.parityShards); }},
};

TEST(RepairArchiveTest, RebuildsDamageUpToTheParityByteForByte) {
  for (const std::string password : {"", "pw"}) {
    for (uint32_t percent : {1u, 30u}) {
      for (const Damage& damage : kDamages) {
        SCOPED_TRACE(std::string(damage.name) + " at " + std::to_string(percent) + "% " + password);
        ScratchFile file(sampleArchive(password));
        RecoveryLayout layout = expectReport(protectArchive(file.path(), percent, nullptr)).layout;
        const Bytes intact = readFileBytes(file.path());
        Bytes broken = intact;
        uint64_t hit = damage.apply(broken, layout);
        file.rewrite(broken);

        RecoveryReport checked = expectReport(checkRecoveryRecord(file.path(), nullptr));
        EXPECT_EQ(checked.damagedShards, hit);
        EXPECT_EQ(checked.shardsRebuilt, 0u);
        EXPECT_EQ(readFileBytes(file.path()), broken) << "checking never writes";

        std::vector<Progress::Phase> phases;
        RecoveryReport repaired = expectReport(repairArchive(file.path(), [&](const Progress& p) {
          phases.push_back(p.phase);
          return true;
        }));
        EXPECT_EQ(repaired.damagedShards, hit);
        EXPECT_EQ(repaired.shardsRebuilt, hit);
        EXPECT_EQ(repaired.groupsBeyondRepair, 0u);
        EXPECT_EQ(phases, std::vector<Progress::Phase>{Progress::Phase::Restoring});
        EXPECT_TRUE(readFileBytes(file.path()) == intact);
        EXPECT_EQ(expectReport(checkRecoveryRecord(file.path(), nullptr)).damagedShards, 0u);
        Status tested = testWhole(file.path(), password);
        EXPECT_TRUE(tested.ok()) << narrow(tested.message());
      }
    }
  }
}

TEST(RepairArchiveTest, DamageBeyondTheParityIsCountedAndLeftAlone) {
  for (uint32_t percent : {1u, 30u}) {
    SCOPED_TRACE(percent);
    ScratchFile file(sampleArchive(""));
    RecoveryLayout layout = expectReport(protectArchive(file.path(), percent, nullptr)).layout;
    Bytes broken = readFileBytes(file.path());
    flipShards(broken, layout, 1, layout.parityShards + 1);
    file.rewrite(broken);
    RecoveryReport repaired = expectReport(repairArchive(file.path(), nullptr));
    EXPECT_EQ(repaired.damagedShards, layout.parityShards + 1);
    EXPECT_EQ(repaired.groupsBeyondRepair, 1u);
    EXPECT_EQ(repaired.shardsRebuilt, 0u);
    EXPECT_TRUE(readFileBytes(file.path()) == broken);
  }
}

TEST(ProtectArchiveTest, ProtectingAgainReplacesTheRecord) {
  Bytes original = sampleArchive("");
  ScratchFile file(original);
  expectReport(protectArchive(file.path(), 30, nullptr));
  RecoveryLayout second = expectReport(protectArchive(file.path(), 2, nullptr)).layout;
  const uint64_t length = original.size() - kFooterSize;
  EXPECT_EQ(second.protectedLength, length);
  Bytes now = readFileBytes(file.path());
  EXPECT_EQ(now.size(), length + second.recordSize + kFooterSize);
  EXPECT_EQ(expectReport(checkRecoveryRecord(file.path(), nullptr)).layout.percent, 2u);
  EXPECT_TRUE(testWhole(file.path(), "").ok());
}

TEST(ProtectArchiveTest, RefusesWhatIsNoArchiveAndLeavesItAlone) {
  struct Case {
    const char* name;
    Bytes contents;
    const wchar_t* message;  // null: the header parser's own words
  };
  Bytes archive = sampleArchive("");
  Bytes misplaced = archive;
  {
    ArchiveHeader header = headerOf(misplaced);
    header.flags |= kFlagRecoveryRecord;
    header.recoveryOffset = misplaced.size();
    header.serialize(misplaced.data());
  }
  Bytes appended = archive;
  appended.resize(appended.size() + 64, 0);
  const Case cases[] = {
      {"tiny", Bytes(191, 'x'), L"This file is too small to be a TOLZEB archive"},
      {"text", Bytes(5000, 'x'), nullptr},
      {"recovery offset past the end", misplaced, L"This archive's recovery offset lies past its end"},
      {"bytes behind the footer", appended, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFile file(c.contents);
    Result<RecoveryReport> report = protectArchive(file.path(), 5, nullptr);
    ASSERT_TRUE(report.failed());
    EXPECT_EQ(report.failure().code, StatusCode::corrupt_archive) << narrow(report.failure().message);
    if (c.message) {
      EXPECT_EQ(report.failure().message, c.message);
    }
    EXPECT_TRUE(readFileBytes(file.path()) == c.contents);
  }
}

TEST(ProtectArchiveTest, CancelingLeavesTheArchiveAsItWas) {
  Bytes original = sampleArchive("pw");
  ScratchFile file(original);
  Status canceled = protectArchive(file.path(), 5, [](const Progress&) { return false; }).status();
  expectFailure(canceled, StatusCode::canceled, L"Canceled while building the recovery record");
  EXPECT_TRUE(readFileBytes(file.path()) == original);

  expectReport(protectArchive(file.path(), 5, nullptr));
  for (auto operation : {checkRecoveryRecord, repairArchive}) {
    Status stopped = operation(file.path(), [](const Progress&) { return false; }).status();
    expectFailure(stopped, StatusCode::canceled, L"Canceled while reading the recovery record");
  }
}

TEST(LocateRecoveryRecordTest, FindsTheRecordOnlyWhereOneBelongs) {
  // An unprotected archive with an intact header has no record, even though it
  // may hold one as data.
  ScratchFile inner(sampleArchive(""));
  expectReport(protectArchive(inner.path(), 30, nullptr));
  Bytes outer = sampleArchive("", {{L"inner.zeb", false, readFileBytes(inner.path())}});
  ScratchFile file(outer);
  expectFailure(checkRecoveryRecord(file.path(), nullptr).status(), StatusCode::not_found,
                L"This archive has no recovery record");

  // With its header gone the scan sees the stored record but must not take it
  // for this archive's.
  std::fill(outer.begin(), outer.begin() + kHeaderSize, 0);
  file.rewrite(outer);
  expectFailure(repairArchive(file.path(), nullptr).status(), StatusCode::not_found,
                L"This archive has no recovery record");
  EXPECT_TRUE(readFileBytes(file.path()) == outer);

  Result<uint64_t> located = locateRecoveryRecord(inner.path());
  ASSERT_TRUE(located.hasValue());
  EXPECT_EQ(*located, readFileBytes(inner.path()).size() - kFooterSize -
                          expectReport(checkRecoveryRecord(inner.path(), nullptr)).layout.recordSize);
  EXPECT_EQ(*scanForRecoveryRecord(inner.path()), *located);
}

TEST(RepairArchiveTest, RefusesARecordThatDoesNotFitItsArchive) {
  ScratchFile file(sampleArchive(""));
  RecoveryLayout layout = expectReport(protectArchive(file.path(), 10, nullptr)).layout;
  const Bytes intact = readFileBytes(file.path());
  const uint64_t recordAt = layout.protectedLength;
  auto withRecordHeader = [&](const std::function<void(RecoveryLayout&)>& edit) {
    Bytes bytes = intact;
    RecoveryLayout changed = layout;
    edit(changed);
    writeRecoveryHeader(&bytes[size_t(recordAt)], changed, intact.data(), kHeaderSize);
    return bytes;
  };
  Bytes cutOut = intact;
  cutOut.erase(cutOut.begin() + 1000, cutOut.begin() + 1010);
  std::fill(cutOut.begin(), cutOut.begin() + kHeaderSize, 0);

  struct Case {
    const char* name;
    Bytes contents;
    StatusCode code;
    const wchar_t* message;
  };
  const Case cases[] = {
      {"record claims 4 GiB", withRecordHeader([](RecoveryLayout& l) { l.recordSize = 4ull << 30; }),
       StatusCode::corrupt_archive, L"The recovery record is truncated"},
      {"record above 4 GiB", withRecordHeader([](RecoveryLayout& l) { l.recordSize = (4ull << 30) + 1; }),
       StatusCode::resource_limit, L"This recovery record is larger than this build reads"},
      {"geometry beyond the record", withRecordHeader([](RecoveryLayout& l) { l.parityShards += 1; }),
       StatusCode::corrupt_archive, L"The recovery record's layout does not match its size"},
      {"bytes cut out of the body", cutOut, StatusCode::corrupt_archive,
       L"The archive is shorter than its recovery record expects"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    file.rewrite(c.contents);
    for (auto operation : {checkRecoveryRecord, repairArchive})
      expectFailure(operation(file.path(), nullptr).status(), c.code, c.message);
    EXPECT_TRUE(readFileBytes(file.path()) == c.contents);
  }
}

// The footer and a cut tail lie outside what the parity covers; they are still damage, rebuilt from
// the header, the sections and the record, and never reported as a whole archive.
TEST(RepairArchiveTest, RebuildsTheFooterAndATailCutShort) {
  struct Case {
    const char* name;
    std::function<void(Bytes&, const RecoveryLayout&)> apply;
    uint64_t damagedShards;  // parity lost with the tail
  };
  const Case cases[] = {
      {"footer bytes flipped", [](Bytes& a, const RecoveryLayout&) { a[a.size() - 30] ^= 0x40; }, 0},
      {"footer magic gone", [](Bytes& a, const RecoveryLayout&) { a[a.size() - kFooterSize] = 0; }, 0},
      {"one byte cut", [](Bytes& a, const RecoveryLayout&) { a.pop_back(); }, 0},
      {"footer cut off", [](Bytes& a, const RecoveryLayout&) { a.resize(a.size() - kFooterSize); }, 0},
      {"half the parity cut off",
       [](Bytes& a, const RecoveryLayout& l) {
         a.resize(size_t(l.protectedLength + l.parityOffset(0, l.parityShards / 2)));
       },
       0},
      {"bytes behind the footer", [](Bytes& a, const RecoveryLayout&) { a.resize(a.size() + 100, 0x33); }, 0},
      {"header destroyed and footer cut",
       [](Bytes& a, const RecoveryLayout&) {
         std::fill(a.begin(), a.begin() + kHeaderSize, 0);
         a.resize(a.size() - 20);
       },
       1},
  };
  for (const std::string password : {"", "pw"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " " + password);
      ScratchFile file(sampleArchive(password));
      RecoveryLayout layout = expectReport(protectArchive(file.path(), 10, nullptr)).layout;
      const Bytes intact = readFileBytes(file.path());
      Bytes broken = intact;
      c.apply(broken, layout);
      file.rewrite(broken);
      const uint64_t lostParity =
          broken.size() >= intact.size() - kFooterSize
              ? 0
              : layout.parityShards -
                    (broken.size() - layout.protectedLength - layout.metadataSize()) / layout.shardSize;

      RecoveryReport checked = expectReport(checkRecoveryRecord(file.path(), nullptr));
      EXPECT_TRUE(checked.footerDamaged);
      EXPECT_EQ(checked.damagedShards, c.damagedShards + lostParity);
      EXPECT_TRUE(readFileBytes(file.path()) == broken) << "checking never writes";

      RecoveryReport repaired = expectReport(repairArchive(file.path(), nullptr));
      EXPECT_TRUE(repaired.footerDamaged);
      EXPECT_TRUE(repaired.footerRebuilt);
      EXPECT_EQ(repaired.groupsBeyondRepair, 0u);
      EXPECT_EQ(repaired.openFailure, L"");
      EXPECT_TRUE(readFileBytes(file.path()) == intact);
      RecoveryReport again = expectReport(checkRecoveryRecord(file.path(), nullptr));
      EXPECT_FALSE(again.footerDamaged);
      EXPECT_EQ(again.damagedShards, 0u);
      Status tested = testWhole(file.path(), password);
      EXPECT_TRUE(tested.ok()) << narrow(tested.message());
    }
  }
}

// The checksum table is not covered by the parity: a damaged entry shows its shard as damaged, the
// repair rewrites the entry from the shard, and only shards really lost count against the parity.
TEST(RepairArchiveTest, RewritesDamagedChecksumEntriesAndCountsOnlyRealLoss) {
  struct Case {
    const char* name;
    uint32_t firstEntry, entries;
    uint32_t shardsDamaged;  // body shards damaged as well, from shard 5 on
  };
  const Case cases[] = {
      {"one entry", 3, 1, 0},
      {"the whole table", 0, 0, 0},  // every entry: far more than the parity
      {"an entry and a shard", 10, 1, 1},
      {"the damaged shard's own entry too", 5, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFile file(sampleArchive(""));
    RecoveryLayout layout = expectReport(protectArchive(file.path(), 5, nullptr)).layout;
    const Bytes intact = readFileBytes(file.path());
    Bytes broken = intact;
    const uint32_t entries = c.entries == 0 ? layout.dataShards + layout.parityShards : c.entries;
    for (uint32_t k = c.firstEntry; k < c.firstEntry + entries; ++k)
      broken[size_t(layout.protectedLength + layout.checksumOffset(0, k) + 1)] ^= 0x11;
    flipShards(broken, layout, 5, c.shardsDamaged);
    file.rewrite(broken);

    RecoveryReport checked = expectReport(checkRecoveryRecord(file.path(), nullptr));
    EXPECT_EQ(checked.groupsBeyondRepair, 0u);
    EXPECT_GE(checked.damagedShards, 1u);
    RecoveryReport repaired = expectReport(repairArchive(file.path(), nullptr));
    EXPECT_EQ(repaired.groupsBeyondRepair, 0u);
    EXPECT_EQ(repaired.shardsRebuilt, repaired.damagedShards);
    EXPECT_TRUE(readFileBytes(file.path()) == intact);
    EXPECT_EQ(expectReport(checkRecoveryRecord(file.path(), nullptr)).damagedShards, 0u);
  }
}

// A record that matches every shard says nothing about a body that was broken before it was
// protected: such an archive is never reported whole.
TEST(RepairArchiveTest, AnArchiveThatDoesNotOpenIsNeverWhole) {
  Bytes archive = sampleArchive("");
  archive[size_t(headerOf(archive).manifestOffset + 1)] ^= 0xFF;
  ScratchFile file(archive);
  expectReport(protectArchive(file.path(), 5, nullptr));
  for (auto operation : {checkRecoveryRecord, repairArchive}) {
    RecoveryReport report = expectReport(operation(file.path(), nullptr));
    EXPECT_EQ(report.damagedShards, 0u);
    EXPECT_EQ(report.openFailure, L"Manifest checksum mismatch");
  }
}

// A record larger than the scan window is still found when the archive header is gone, at the
// place the planner puts it. The file is sparse: only the record's header is written.
TEST(LocateRecoveryRecordTest, FindsARecordLargerThanTheScanWindow) {
  const uint64_t length = 250'000'000;
  RecoveryLayout layout = *planRecoveryLayout(length, 30);
  ASSERT_GT(layout.recordSize, 64u << 20);
  ScratchFile file(Bytes{});
  {
    Result<UniqueHandle> opened = openForUpdate(file.path());
    ASSERT_TRUE(opened.hasValue());
    UniqueHandle& handle = *opened;
    ASSERT_TRUE(handle.setFileLength(length + layout.recordSize + kFooterSize).ok());
    uint8_t header[kRecoveryHeaderSize];
    writeRecoveryHeader(header, layout, nullptr, 0);
    ASSERT_TRUE(handle.writeAt(length, header, kRecoveryHeaderSize).ok());
  }
  Result<uint64_t> located = locateRecoveryRecord(file.path());
  ASSERT_TRUE(located.hasValue()) << narrow(located.failure().message);
  EXPECT_EQ(*located, length);
}

}  // namespace
}  // namespace tolzeb
