// The chunk layout of new archives: which files share chunks, where each file starts, and how
// chunks are numbered, grouped and placed in the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "archive_contents.h"
#include "engine/container/container_format.h"
#include "engine/create/create_archive.h"
#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using testing::printable;
using testing::ScratchTree;

constexpr uint64_t c = kMinChunkSize;

std::vector<uint8_t> filled(size_t length, uint8_t seed) {
  std::vector<uint8_t> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = uint8_t(seed + i * 7 + (i >> 9));
  return bytes;
}

struct ExpectedEntry {
  std::wstring path;
  std::vector<uint64_t> chunks;
  uint64_t firstChunkOffset;
};

struct ExpectedChunk {
  uint64_t decodedSize;
  uint64_t groupOffset;
};

Result<OpenArchive> createStored(const ScratchTree& tree, const std::wstring& source, const char* password = nullptr) {
  CompressionOptions options;
  options.chunkSize = uint32_t(c);
  options.storeOnly = true;
  options.kdfIterations = kMinKdfIterations;
  if (password) options.password = std::make_shared<const SecureBytes>(reinterpret_cast<const uint8_t*>(password),
                                                                      std::strlen(password));
  auto stats = createArchive({tree.path(source)}, tree.path(L"layout.zeb"), options, {});
  if (stats.failed()) return std::move(stats).failure();
  return openArchive(tree.path(L"layout.zeb"), 0, options.password);
}

void expectLayout(const OpenArchive& archive, const std::vector<ExpectedEntry>& entries,
                  const std::vector<ExpectedChunk>& chunks) {
  for (const ExpectedEntry& expected : entries) {
    SCOPED_TRACE(printable(expected.path));
    auto found = std::find_if(archive.entries.begin(), archive.entries.end(),
                              [&](const ManifestEntry& e) { return e.path == expected.path; });
    ASSERT_NE(found, archive.entries.end());
    EXPECT_EQ(found->chunks, expected.chunks);
    EXPECT_EQ(found->firstChunkOffset, expected.firstChunkOffset);
  }
  ASSERT_EQ(archive.chunks.size(), chunks.size());
  for (size_t i = 0; i < chunks.size(); ++i) {
    EXPECT_EQ(archive.chunks[i].decodedSize, chunks[i].decodedSize) << i;
    EXPECT_EQ(archive.chunks[i].groupOffset, chunks[i].groupOffset) << i;
  }
}

TEST(ChunkStreamTest, FilesOverAQuarterChunkGetChunksOfTheirOwn) {
  ScratchTree tree;
  tree.writeFile(L"L/a-small", filled(1000, 1));
  tree.writeFile(L"L/b-quarter", filled(c / 4, 2));
  tree.writeFile(L"L/c-quarter-plus", filled(c / 4 + 1, 3));
  tree.writeFile(L"L/d-three-chunks", filled(3 * c, 4));
  tree.writeFile(L"L/e-empty", {});
  tree.makeDirectory(L"L/f-folder");
  tree.writeFile(L"L/g-tail", filled(10, 5));
  auto archive = createStored(tree, L"L");
  ASSERT_TRUE(archive.hasValue()) << printable(archive.failure().message);
  expectLayout(archive.value(),
               {{L"L", {}, 0},
                {L"L/a-small", {0}, 0},
                {L"L/b-quarter", {0}, 1000},
                {L"L/c-quarter-plus", {1}, 0},
                {L"L/d-three-chunks", {2, 3, 4}, 0},
                {L"L/e-empty", {}, 0},
                {L"L/f-folder", {}, 0},
                {L"L/g-tail", {5}, 0}},
               {{1000 + c / 4, 0}, {c / 4 + 1, 0}, {c, 0}, {c, c}, {c, 2 * c}, {10, 0}});
}

TEST(ChunkStreamTest, SmallFilesAreCutAtChunkSizeAndStraddle) {
  ScratchTree tree;
  for (int i = 0; i < 5; ++i) tree.writeFile(L"P/f" + std::to_wstring(i), filled(60000, uint8_t(i)));
  auto archive = createStored(tree, L"P");
  ASSERT_TRUE(archive.hasValue()) << printable(archive.failure().message);
  expectLayout(archive.value(),
               {{L"P/f0", {0}, 0},
                {L"P/f3", {0}, 180000},
                {L"P/f4", {0, 1}, 240000}},
               {{c, 0}, {300000 - c, c}});
  EXPECT_EQ(testing::entryBytes(archive.value(), archive->entries.back()), filled(60000, 4));
}

TEST(ChunkStreamTest, OnlyFoldersAndEmptyFilesWriteNoChunk) {
  ScratchTree tree;
  tree.writeFile(L"Z/empty-a", {});
  tree.writeFile(L"Z/sub/empty-b", {});
  auto archive = createStored(tree, L"Z");
  ASSERT_TRUE(archive.hasValue()) << printable(archive.failure().message);
  EXPECT_TRUE(archive->chunks.empty());
  for (const auto& entry : archive->entries) {
    EXPECT_TRUE(entry.chunks.empty());
    EXPECT_EQ(entry.firstChunkOffset, 0u);
  }
}

TEST(ChunkStreamTest, PayloadsFollowEachOtherFromTheHeaderSealedOrNot) {
  ScratchTree tree;
  tree.writeFile(L"Q/one", filled(c + 5, 1));
  tree.writeFile(L"Q/two", filled(1234, 2));
  for (const char* password : {static_cast<const char*>(nullptr), "secret"}) {
    SCOPED_TRACE(password ? "encrypted" : "plain");
    auto archive = createStored(tree, L"Q", password);
    ASSERT_TRUE(archive.hasValue()) << printable(archive.failure().message);
    const uint64_t tag = password ? kTagSize : 0;
    uint64_t offset = kHeaderSize;
    for (size_t i = 0; i < archive->chunks.size(); ++i) {
      const ChunkDescriptor& chunk = archive->chunks[i];
      EXPECT_EQ(chunk.storedOffset, offset) << i;
      EXPECT_EQ(chunk.storedSize, chunk.decodedSize + tag) << i;
      EXPECT_EQ(chunk.nonceCounter, password ? i : 0) << i;
      offset += chunk.storedSize;
    }
    EXPECT_EQ(archive->chunks.size(), 3u);
    EXPECT_EQ(archive->header.chunkTableOffset, offset);
  }
}

TEST(ChunkStreamTest, OnlyTheScannedSizeIsReadAndAShrunkFileFails) {
  // The file is rewritten from the progress callback, right after the scan has recorded it.
  for (size_t newLength : {size_t(150), size_t(60)}) {
    SCOPED_TRACE(newLength);
    ScratchTree tree;
    tree.writeFile(L"S/changing", filled(100, 1));
    const std::wstring source = tree.path(L"S/changing");
    CompressionOptions options;
    options.chunkSize = uint32_t(c);
    options.storeOnly = true;
    auto stats = createArchive({tree.path(L"S")}, tree.path(L"s.zeb"), options, [&](const Progress& p) {
      if (p.phase == Progress::Phase::Scanning && p.currentItem == source)
        tree.writeFile(L"S/changing", filled(newLength, 9));
      return true;
    });
    EXPECT_FALSE(tree.exists(L"s.zeb.partial"));
    if (newLength > 100) {
      ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
      auto archive = openArchive(tree.path(L"s.zeb"), 0, nullptr);
      ASSERT_TRUE(archive.hasValue());
      EXPECT_EQ(testing::entryBytes(archive.value(), archive->entries.back()), filled(100, 9));
    } else {
      ASSERT_TRUE(stats.failed());
      EXPECT_EQ(stats.failure().code, StatusCode::io_failure);
      EXPECT_EQ(stats.failure().message, L"File shrank while being archived: " + source);
      EXPECT_FALSE(tree.exists(L"s.zeb"));
    }
  }
}

}  // namespace
}  // namespace tolzeb
