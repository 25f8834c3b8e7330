#include "engine/recovery/recovery_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "engine/core/bytes.h"
#include "engine/core/crc32c.h"
#include "support/hex_text.h"

namespace tolzeb {
namespace {

using testing::toHex;

TEST(RecoveryLayoutTest, PlansGeometryFromLengthAndPercent) {
  struct Case {
    uint64_t length;
    uint32_t percent;
    uint32_t shardSize, dataShards, parityShards, groups;
    uint64_t recordSize;
  };
  const Case cases[] = {
      {1000000, 5, 8192, 123, 7, 1, 58056},
      {104857600, 10, 65536, 200, 20, 8, 10492992},
      {128, 1, 4096, 1, 1, 1, 4296},
      {13107200, 30, 65536, 200, 55, 1, 65536ull * 55 + 255 * 4 + 192},
      {13107201, 30, 65536, 200, 55, 2, 2 * (65536ull * 55 + 255 * 4) + 192},
      {1, 30, 4096, 1, 1, 1, 4096 + 8 + 192},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    Result<RecoveryLayout> layout = planRecoveryLayout(c.length, c.percent);
    ASSERT_TRUE(layout.hasValue());
    EXPECT_EQ(layout->percent, c.percent);
    EXPECT_EQ(layout->protectedLength, c.length);
    EXPECT_EQ(layout->shardSize, c.shardSize);
    EXPECT_EQ(layout->dataShards, c.dataShards);
    EXPECT_EQ(layout->parityShards, c.parityShards);
    EXPECT_EQ(layout->groupCount, c.groups);
    EXPECT_EQ(layout->recordSize, c.recordSize);
    EXPECT_TRUE(recoveryLayoutConsistent(*layout) || c.length < 128);
  }
}

TEST(RecoveryLayoutTest, RefusesNothingToProtectAndPercentOutOfRange) {
  struct Case {
    uint64_t length;
    uint32_t percent;
    const wchar_t* message;
  };
  const Case cases[] = {
      {0, 0, L"There is nothing to protect with a recovery record"},
      {0, 5, L"There is nothing to protect with a recovery record"},
      {1000, 0, L"A recovery record must reserve between 1% and 30%"},
      {1000, 31, L"A recovery record must reserve between 1% and 30%"},
  };
  for (const Case& c : cases) {
    Result<RecoveryLayout> layout = planRecoveryLayout(c.length, c.percent);
    ASSERT_TRUE(layout.failed());
    EXPECT_EQ(layout.failure().code, StatusCode::invalid_argument);
    EXPECT_EQ(layout.failure().message, c.message);
  }
}

std::vector<uint8_t> goldenHeader() {
  Result<RecoveryLayout> layout = planRecoveryLayout(1000000, 5);
  std::vector<uint8_t> header(kRecoveryHeaderSize, 0xAA);
  const uint8_t copy[4] = {1, 2, 3, 4};
  writeRecoveryHeader(header.data(), *layout, copy, sizeof(copy));
  return header;
}

TEST(RecoveryHeaderTest, WritesGoldenBytesAndReadsThemBack) {
  std::vector<uint8_t> header = goldenHeader();
  EXPECT_EQ(toHex(header.data(), 56),
            "4641425243565231010000000020000040420f0000000000010000007b00000007"
            "00000005000000c8e2000000000000"
            "0400000001020304");
  EXPECT_EQ(toHex(header.data() + 56, 128), std::string(256, '0'));
  EXPECT_EQ(toHex(header.data() + 184, 8), "85e5d82000000000");

  std::vector<uint8_t> copy;
  Result<RecoveryLayout> parsed = parseRecoveryHeader(header.data(), header.size(), copy);
  ASSERT_TRUE(parsed.hasValue());
  EXPECT_EQ(parsed->shardSize, 8192u);
  EXPECT_EQ(parsed->protectedLength, 1000000u);
  EXPECT_EQ(parsed->recordSize, 58056u);
  EXPECT_EQ(parsed->percent, 5u);
  EXPECT_EQ(copy, (std::vector<uint8_t>{1, 2, 3, 4}));

  // A null copy stores only its length; a zero length is a valid header.
  std::vector<uint8_t> noCopy(kRecoveryHeaderSize);
  writeRecoveryHeader(noCopy.data(), *parsed, nullptr, 0);
  ASSERT_TRUE(parseRecoveryHeader(noCopy.data(), noCopy.size(), copy).hasValue());
  EXPECT_TRUE(copy.empty());
}

TEST(RecoveryHeaderTest, RefusesEachKindOfDamageInOrder) {
  auto resealed = [](std::vector<uint8_t>& h) {
    writeU32le(&h[184], 0);
    writeU32le(&h[184], crc32c(0, h.data(), 192));
  };
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> edit;
    size_t available;
    StatusCode code;
    const wchar_t* message;
  };
  const Case cases[] = {
      {"short", nullptr, 191, StatusCode::corrupt_archive, L"Recovery record header is too short"},
      {"magic", [](std::vector<uint8_t>& h) { h[7] = '2'; }, 192, StatusCode::corrupt_archive,
       L"No recovery record where one was expected"},
      {"checksum", [](std::vector<uint8_t>& h) { h[100] ^= 1; }, 192, StatusCode::corrupt_archive,
       L"The recovery record's own header failed its checksum"},
      {"version",
       [&](std::vector<uint8_t>& h) {
         h[8] = 2;
         resealed(h);
       },
       192, StatusCode::unsupported_version, L"This recovery record was written by a newer version of TOLZEB"},
      {"zero shard size",
       [&](std::vector<uint8_t>& h) {
         writeU32le(&h[12], 0);
         resealed(h);
       },
       192, StatusCode::corrupt_archive, L"Recovery record describes an empty layout"},
      {"zero groups",
       [&](std::vector<uint8_t>& h) {
         writeU32le(&h[24], 0);
         resealed(h);
       },
       192, StatusCode::corrupt_archive, L"Recovery record describes an empty layout"},
      {"zero parity",
       [&](std::vector<uint8_t>& h) {
         writeU32le(&h[32], 0);
         resealed(h);
       },
       192, StatusCode::corrupt_archive, L"Recovery record describes an empty layout"},
      {"256 shards",
       [&](std::vector<uint8_t>& h) {
         writeU32le(&h[32], 133);
         resealed(h);
       },
       192, StatusCode::corrupt_archive, L"Recovery record asks for more shards than the code supports"},
      {"copy of 129",
       [&](std::vector<uint8_t>& h) {
         writeU32le(&h[48], 129);
         resealed(h);
       },
       192, StatusCode::corrupt_archive, L"Recovery record header copy is too large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> header = goldenHeader();
    if (c.edit) c.edit(header);
    std::vector<uint8_t> copy;
    Result<RecoveryLayout> parsed = parseRecoveryHeader(header.data(), c.available, copy);
    ASSERT_TRUE(parsed.failed());
    EXPECT_EQ(parsed.failure().code, c.code);
    EXPECT_EQ(parsed.failure().message, c.message);
  }
}

TEST(RecoveryHeaderTest, StoredSizeMustMatchTheGeometryBeforeTheRecordIsTrusted) {
  RecoveryLayout layout = *planRecoveryLayout(1000000, 5);
  ASSERT_TRUE(recoveryLayoutConsistent(layout));
  const std::function<void(RecoveryLayout&)> edits[] = {
      [](RecoveryLayout& l) { l.recordSize += 1; },
      [](RecoveryLayout& l) { l.groupCount = 2; },
      [](RecoveryLayout& l) { l.shardSize = 1u << 20; },
      [](RecoveryLayout& l) { l.protectedLength = 100; },
  };
  for (const auto& edit : edits) {
    RecoveryLayout changed = layout;
    edit(changed);
    EXPECT_FALSE(recoveryLayoutConsistent(changed));
  }
}

}  // namespace
}  // namespace tolzeb
