#include "engine/container/verify_archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/container/chunk_decode.h"
#include "engine/container/container_format.h"
#include "test_archive.h"

namespace tolzeb {
namespace {

using testing::narrow;
using testing::passwordOf;
using testing::sampleBytes;
using testing::ScratchFile;
using testing::testArchiveBytes;
using testing::TestArchiveOptions;
using testing::TestEntry;
using testing::writeTestArchive;

constexpr uint64_t kBudget = 512ull << 20;

// Three 256 KiB chunks, a directory and an empty file.
std::vector<TestEntry> verifiedEntries() {
  return {
      {L"d", true, {}},
      {L"d/one", false, sampleBytes(70000, 3)},
      {L"d/two", false, sampleBytes(600000, 4)},
      {L"d/zero", false, {}},
  };
}

Password maybePassword(const std::string& text) { return text.empty() ? nullptr : passwordOf(text); }

// Every way the test writer makes an archive.
struct ArchiveSetup {
  const char* name;
  bool compress, dictionary;
  const char* password;
};
constexpr ArchiveSetup kArchiveSetups[] = {
    {"stored", false, false, ""},
    {"compressed", true, false, ""},
    {"dictionary", true, true, ""},
    {"encrypted stored", false, false, "pw"},
    {"encrypted compressed", true, false, "pw"},
    {"encrypted dictionary", true, true, "pw"},
};

TestArchiveOptions optionsFor(const ArchiveSetup& kind) {
  TestArchiveOptions options;
  options.compress = kind.compress;
  options.dictionary = kind.dictionary;
  options.password = kind.password;
  return options;
}

TEST(ArchiveTestPipelineTest, TestAndVerifyAgreeOnEveryKindOfArchive) {
  for (const ArchiveSetup& c : kArchiveSetups) {
    SCOPED_TRACE(c.name);
    TestArchiveOptions options = optionsFor(c);
    Bytes file = testArchiveBytes(options, verifiedEntries());
    ScratchFile scratch(file);
    for (uint32_t threads : {0u, 1u, 2u, 1000u}) {
      Result<ArchiveStats> tested = testArchive(scratch.path(), nullptr, threads, kBudget, maybePassword(c.password));
      ASSERT_TRUE(tested.hasValue()) << narrow(tested.failure().message);
      EXPECT_EQ(tested->entries, 4u);
      EXPECT_EQ(tested->files, 3u);
      EXPECT_EQ(tested->directories, 1u);
      EXPECT_EQ(tested->inputBytes, 670000u);
      EXPECT_EQ(tested->archiveBytes, file.size());
    }
    Result<ArchiveStats> verified = verifyArchive(scratch.path(), nullptr, 2, kBudget, maybePassword(c.password));
    ASSERT_TRUE(verified.hasValue());
    EXPECT_EQ(verified->inputBytes, 670000u);
  }
}

TEST(ArchiveTestPipelineTest, DamagedArchivesFailWithTheirCodeAndMessage) {
  struct Case {
    const char* name;
    bool compress;
    std::string archivePassword, givenPassword;
    std::function<void(Bytes&, const ArchiveHeader&)> damage;
    StatusCode code;
    std::wstring message;  // empty: any message with that code
  };
  auto flipChunkByte = [](uint64_t offsetInPayloads) {
    return [=](Bytes& f, const ArchiveHeader&) { f[size_t(kHeaderSize + offsetInPayloads)] ^= 0x10; };
  };
  const std::wstring altered = L"Authentication failed: wrong password, or the data was altered";
  const Case cases[] = {
      {"stored chunk byte", false, "", "", flipChunkByte(300000), StatusCode::corrupt_archive,
       L"Chunk 1 failed its CRC32C check"},
      {"compressed chunk byte", true, "", "", flipChunkByte(40), StatusCode::corrupt_archive, L""},
      {"encrypted chunk byte", false, "pw", "pw", flipChunkByte(300000), StatusCode::authentication_failed, altered},
      {"encrypted chunks swapped", false, "pw", "pw",
       [](Bytes& f, const ArchiveHeader&) {
         const size_t size = 262144 + 16;
         std::swap_ranges(f.begin() + kHeaderSize, f.begin() + kHeaderSize + size, f.begin() + kHeaderSize + size);
       },
       StatusCode::authentication_failed, altered},
      {"manifest byte", true, "", "", [](Bytes& f, const ArchiveHeader& h) { f[size_t(h.manifestOffset + 20)] ^= 1; },
       StatusCode::corrupt_archive, L"Manifest checksum mismatch"},
      {"chunk table byte", true, "", "",
       [](Bytes& f, const ArchiveHeader& h) { f[size_t(h.chunkTableOffset + 81)] ^= 1; }, StatusCode::corrupt_archive,
       L"Chunk table checksum mismatch"},
      {"wrong password", true, "pw", "pW", [](Bytes&, const ArchiveHeader&) {}, StatusCode::authentication_failed,
       L"Wrong password, or this archive's header has been altered"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestArchiveOptions options;
    options.compress = c.compress;
    options.password = c.archivePassword;
    Bytes file = testArchiveBytes(options, verifiedEntries());
    c.damage(file, *parseArchiveHeader(file.data(), file.size()));
    ScratchFile scratch(file);
    Result<ArchiveStats> tested = testArchive(scratch.path(), nullptr, 4, kBudget, maybePassword(c.givenPassword));
    ASSERT_TRUE(tested.failed());
    EXPECT_EQ(tested.failure().code, c.code) << narrow(tested.failure().message);
    if (!c.message.empty()) {
      EXPECT_EQ(tested.failure().message, c.message);
    }
  }
}

TEST(ArchiveTestPipelineTest, ShaIsCheckedOnlyUnderTheChunkHashFlag) {
  for (bool hashes : {true, false}) {
    SCOPED_TRACE(hashes ? "flag set" : "flag clear");
    TestArchiveOptions options;
    options.chunkHashes = hashes;
    options.editChunk = [](uint64_t i, ChunkDescriptor& c) {
      if (i == 2) c.sha256[31] ^= 0x80;  // the CRC still matches
    };
    ScratchFile scratch(testArchiveBytes(options, verifiedEntries()));
    Result<ArchiveStats> tested = testArchive(scratch.path(), nullptr, 2, kBudget, nullptr);
    if (!hashes) {
      EXPECT_TRUE(tested.hasValue());
      continue;
    }
    ASSERT_TRUE(tested.failed());
    EXPECT_EQ(tested.failure().code, StatusCode::corrupt_archive);
    EXPECT_EQ(tested.failure().message, L"Chunk 2 failed its SHA-256 check");
  }
}

TEST(ArchiveTestPipelineTest, ProgressArrivesInChunkOrderOnTheCallingThread) {
  ScratchFile scratch(testArchiveBytes(TestArchiveOptions{}, verifiedEntries()));
  std::vector<Progress> reports;
  Result<ArchiveStats> tested = testArchive(
      scratch.path(),
      [&](const Progress& p) {
        reports.push_back(p);
        return true;
      },
      8, kBudget, nullptr);
  ASSERT_TRUE(tested.hasValue());
  ASSERT_EQ(reports.size(), 3u);
  const uint64_t expectedDone[] = {262144, 524288, 670000};
  for (size_t i = 0; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i].phase, Progress::Phase::Verifying);
    EXPECT_EQ(reports[i].bytesDone, expectedDone[i]);
    EXPECT_EQ(reports[i].bytesTotal, 670000u);
    EXPECT_EQ(reports[i].itemsTotal, 4u);
    EXPECT_EQ(reports[i].itemsDone, 0u);
  }
}

TEST(ArchiveTestPipelineTest, CancelingOnTheFirstReportStopsWithCode6) {
  ScratchFile scratch(testArchiveBytes(TestArchiveOptions{}, verifiedEntries()));
  int reports = 0;
  Result<ArchiveStats> tested = testArchive(
      scratch.path(),
      [&](const Progress&) {
        ++reports;
        return false;
      },
      4, kBudget, nullptr);
  ASSERT_TRUE(tested.failed());
  EXPECT_EQ(tested.failure().code, StatusCode::canceled);
  EXPECT_EQ(tested.failure().message, L"Verification canceled");
  EXPECT_EQ(reports, 1);
}

TEST(ArchiveTestPipelineTest, ArchivesWithoutChunksNeverReport) {
  ScratchFile scratch(
      testArchiveBytes(TestArchiveOptions{}, {{L"a", true, {}}, {L"a/b", true, {}}, {L"a/c", false, {}}}));
  bool reported = false;
  Result<ArchiveStats> tested = testArchive(
      scratch.path(),
      [&](const Progress&) {
        reported = true;
        return true;
      },
      0, kBudget, nullptr);
  ASSERT_TRUE(tested.hasValue());
  EXPECT_FALSE(reported);
  EXPECT_EQ(tested->entries, 3u);
  EXPECT_EQ(tested->directories, 2u);
  EXPECT_EQ(tested->files, 1u);
  EXPECT_EQ(tested->inputBytes, 0u);
}

TEST(ArchiveTestPipelineTest, ABudgetBelowTwoChunksStillRunsOneJobAtATime) {
  ScratchFile scratch(testArchiveBytes(TestArchiveOptions{}, verifiedEntries()));
  EXPECT_TRUE(testArchive(scratch.path(), nullptr, 8, 1, nullptr).hasValue());
}

TEST(ArchiveTestPipelineTest, BuffersReusedAcrossChunksGiveEachChunkExactlyItsBytes) {
  // Reused buffers keep whatever the chunk before left, larger or smaller, decoded or failed
  // half-way: none of it may show in a later chunk's bytes.
  for (const ArchiveSetup& c : kArchiveSetups) {
    SCOPED_TRACE(c.name);
    TestArchiveOptions options = optionsFor(c);
    options.editChunk = [](uint64_t i, ChunkDescriptor& chunk) {
      if (i == 1) chunk.crc32c ^= 1;  // the one chunk that fails
    };
    // Four chunks: three full ones of different contents and a shorter last one.
    const std::vector<TestEntry> entries = {
        {L"a", false, sampleBytes(300000, 7)}, {L"b", false, Bytes(300000, 0)}, {L"c", false, sampleBytes(400000, 8)}};
    ScratchFile scratch(testArchiveBytes(options, entries));
    Result<OpenArchive> archive = openArchive(scratch.path(), 0, maybePassword(c.password));
    ASSERT_TRUE(archive.hasValue()) << narrow(archive.failure().message);
    ASSERT_EQ(archive->chunks.size(), 4u);

    std::vector<Bytes> expected(4);
    for (uint64_t i : {0u, 2u, 3u}) ASSERT_FALSE(decodeChunk(*archive, i, expected[i]).failed());
    ASSERT_LT(expected[3].size(), expected[2].size());

    ChunkScratch reused;
    reused.stored.assign(1 << 20, 0xA5);
    reused.streams.assign(1 << 20, 0x5A);
    Bytes out(1 << 20, 0xC3);
    for (uint64_t i : {3u, 0u, 3u, 1u, 2u, 1u, 3u, 2u, 0u}) {
      SCOPED_TRACE("chunk " + std::to_string(i));
      Result<std::span<const uint8_t>> decoded = decodeChunkInto(*archive, i, reused, out);
      if (i == 1) {
        ASSERT_TRUE(decoded.failed());
        EXPECT_EQ(decoded.failure().message, L"Chunk 1 failed its CRC32C check");
        continue;
      }
      ASSERT_TRUE(decoded.hasValue()) << narrow(decoded.failure().message);
      ASSERT_EQ(decoded->size(), expected[i].size());
      EXPECT_TRUE(std::equal(decoded->begin(), decoded->end(), expected[i].begin()));
      EXPECT_EQ(decoded->data(), out.data());
    }
  }
}

TEST(ArchiveTestPipelineTest, DecodeChunkRefusesAnIndexOutOfRangeAndATruncatedPayload) {
  TestArchiveOptions options;
  options.compress = false;
  Bytes file = testArchiveBytes(options, verifiedEntries());
  ScratchFile scratch(file);
  Result<OpenArchive> archive = openArchive(scratch.path(), 0, nullptr);
  ASSERT_TRUE(archive.hasValue());
  Bytes out;
  Status status = decodeChunk(*archive, 3, out);
  EXPECT_EQ(status.code(), StatusCode::corrupt_archive);
  EXPECT_EQ(status.message(), L"Chunk index out of range");
  ASSERT_FALSE(decodeChunk(*archive, 2, out).failed());
  EXPECT_EQ(out.size(), 670000u - 2 * 262144);

  file.resize(kHeaderSize + 262144 + 1000);  // the file shrinks under the open archive
  scratch.rewrite(file);
  status = decodeChunk(*archive, 1, out);
  EXPECT_EQ(status.code(), StatusCode::corrupt_archive);
  EXPECT_EQ(status.message(), L"Chunk 1 payload is truncated");
}

}  // namespace
}  // namespace tolzeb
