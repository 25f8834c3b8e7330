// How much one recovery record repairs: the longest run of damaged bytes that is rebuilt wherever it
// falls. The usage text of zeb quotes this table; it is measured here, not promised.
//
// A group of D shards of S bytes has P parity shards and rebuilds any P of its shards. A run of
// (P - 1) x S + 1 bytes touches at most P shards however it is placed; one byte more, started on
// the last byte of a shard, touches P + 1. Groups never exceed 200 shards of 64 KiB (12.5 MiB), so
// every archive above that size has the reach of the 12.5 MiB row, within each group.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/container/archive_records.h"
#include "engine/container/test_archive.h"
#include "engine/core/bytes.h"
#include "engine/recovery/protect.h"
#include "support/random_bytes.h"

namespace tolzeb {
namespace {

using testing::narrow;
using testing::ScratchFile;

struct Reach {
  uint64_t length;
  uint32_t percent;
  uint64_t longestRun;  // bytes rebuilt wherever they fall
};

constexpr uint64_t kMiB = 1 << 20;

// The table of the usage text.
const Reach kReach[] = {
    {1 * kMiB, 1, 8193},     {1 * kMiB, 5, 49153},     {1 * kMiB, 10, 98305},      {1 * kMiB, 30, 311297},
    {10 * kMiB, 1, 53249},   {10 * kMiB, 5, 479233},   {10 * kMiB, 10, 1011713},   {10 * kMiB, 30, 3035137},
    {13107200, 1, 65537},    {13107200, 5, 589825},    {13107200, 10, 1245185},    {13107200, 30, 3538945},
    {1024 * kMiB, 1, 65537}, {1024 * kMiB, 5, 589825}, {1024 * kMiB, 10, 1245185}, {1024 * kMiB, 30, 3538945},
};

TEST(RecoveryReachTest, TheLongestRunRepairedFollowsFromTheLayout) {
  for (const Reach& r : kReach) {
    SCOPED_TRACE(std::to_string(r.length) + " bytes at " + std::to_string(r.percent) + "%");
    const RecoveryLayout layout = *planRecoveryLayout(r.length, r.percent);
    EXPECT_EQ((uint64_t(layout.parityShards) - 1) * layout.shardSize + 1, r.longestRun);
  }
}

// A body of random bytes with its record and a footer-sized tail behind it.
struct ProtectedBody {
  Bytes body;
  RecoveryLayout layout;
  Bytes file;
};

ProtectedBody protectedBody(uint64_t length, uint32_t percent) {
  ProtectedBody made;
  made.body = testing::randomBytes(size_t(length), uint32_t(length + percent));
  ScratchFile scratch(made.body);
  made.layout = *planRecoveryLayout(length, percent);
  Result<std::vector<uint8_t>> record = buildRecoveryRecord(scratch.path(), length, percent, nullptr, 0, nullptr);
  EXPECT_TRUE(record.hasValue());
  made.file = made.body;
  if (record.hasValue()) made.file.insert(made.file.end(), record->begin(), record->end());
  made.file.resize(made.file.size() + kFooterSize, 0);
  return made;
}

// Damages `run` bytes from `start` and repairs; whether the body came back whole.
bool repairsRun(const ProtectedBody& made, uint64_t start, uint64_t run) {
  Bytes broken = made.file;
  for (uint64_t i = start; i < start + run; ++i) broken[size_t(i)] ^= 0xA5;
  ScratchFile file(broken);
  Result<RecoveryReport> report = runRecovery(file.path(), made.layout.protectedLength, true, nullptr);
  EXPECT_TRUE(report.hasValue()) << narrow(report.hasValue() ? L"" : report.failure().message);
  if (report.failed() || report->groupsBeyondRepair != 0) return false;
  Result<UniqueHandle> repaired = openForRead(file.path());
  Bytes body(made.body.size());
  (void)repaired->readAt(0, body.data(), body.size());
  return body == made.body;
}

TEST(RecoveryReachTest, RunsUpToTheReachAreRepairedAndOneByteMoreIsNot) {
  const Reach measured[] = {
      {1 * kMiB, 1, 8193},
      {1 * kMiB, 30, 311297},
      {2 * 13107200, 5, 589825},  // two full groups: every larger archive repeats them
  };

  for (const Reach& r : measured) {
    SCOPED_TRACE(std::to_string(r.length) + " bytes at " + std::to_string(r.percent) + "%");
    const ProtectedBody made = protectedBody(r.length, r.percent);
    const uint64_t shard = made.layout.shardSize;
    const uint64_t lastGroup = uint64_t(made.layout.groupCount - 1) * made.layout.dataShards * shard;
    // The worst place: from the last byte of a shard, in the last group.
    const uint64_t start = lastGroup + shard - 1;
    EXPECT_TRUE(repairsRun(made, start, r.longestRun));
    EXPECT_FALSE(repairsRun(made, start, r.longestRun + 1));
  }
}

}  // namespace
}  // namespace tolzeb
