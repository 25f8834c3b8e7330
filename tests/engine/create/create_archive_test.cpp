#include "engine/create/create_archive.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "archive_contents.h"
#include "engine/container/container_format.h"
#include "engine/container/verify_archive.h"
#include "support/scratch_tree.h"
#include "support/password_of.h"
#include "support/random_bytes.h"

namespace tolzeb {
namespace {

using testing::ArchivedItem;
using testing::passwordOf;
using testing::printable;
using testing::randomBytes;
using testing::ScratchTree;

std::vector<uint8_t> documentLines(size_t length, uint32_t seed) {
  std::mt19937 generator(seed);
  std::string text;
  while (text.size() < length) text += "line " + std::to_string(generator() % 5000) + " of a small document\n";
  text.resize(length);
  return {text.begin(), text.end()};
}

// A tree with nested, empty and non-ASCII items, files on both sides of the packing limit, a
// file of exactly three chunks and many small files that straddle chunk boundaries.
class CreateArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    add(L"in/docs/readme.txt", documentLines(10000, 1));
    add(L"in/docs/empty.txt", {});
    addFolder(L"in/empty-folder");
    add(L"in/nested/a/b/c/deep.bin", randomBytes(1000, 2));
    add(L"in/big/quarter.bin", documentLines(kMinChunkSize / 4, 3));
    add(L"in/big/quarter-plus.bin", randomBytes(kMinChunkSize / 4 + 1, 4));
    add(L"in/big/three-chunks.bin", documentLines(3 * kMinChunkSize, 5));
    add(L"in/\u540D\u524D/\u00FC.txt", documentLines(777, 6));
    for (int i = 0; i < 120; ++i) add(L"in/small/f" + std::to_wstring(1000 + i), documentLines(500 + i * 37, 100 + i));
  }

  void add(const std::wstring& relative, const std::vector<uint8_t>& bytes) {
    tree_.writeFile(relative, bytes);
    expected_[relative] = ArchivedItem{false, bytes};
    expectFoldersAbove(relative);
  }
  void addFolder(const std::wstring& relative) {
    tree_.makeDirectory(relative);
    expected_[relative] = ArchivedItem{true, {}};
    expectFoldersAbove(relative);
  }
  void expectFoldersAbove(std::wstring path) {
    while (path.rfind(L'/') != std::wstring::npos) {
      path.resize(path.rfind(L'/'));
      expected_[path] = ArchivedItem{true, {}};
    }
  }

  uint64_t expectedFiles() const {
    uint64_t files = 0;
    for (const auto& [path, item] : expected_) files += item.isDirectory ? 0 : 1;
    return files;
  }
  uint64_t expectedBytes() const {
    uint64_t bytes = 0;
    for (const auto& [path, item] : expected_) bytes += item.bytes.size();
    return bytes;
  }

  CompressionOptions options(CompressionMode mode, uint32_t threads) const {
    CompressionOptions o;
    o.mode = mode;
    o.threads = threads;
    o.chunkSize = kMinChunkSize;
    o.kdfIterations = kMinKdfIterations;
    return o;
  }

  ScratchTree tree_;
  std::map<std::wstring, ArchivedItem> expected_;
};

TEST_F(CreateArchiveTest, WhatGoesInComesBackOutInEveryMode) {
  struct Case {
    const char* name;
    CompressionMode mode;
    uint32_t threads;
    const char* password;
    bool storeOnly;
  };
  const Case cases[] = {
      {"lightning, one thread", CompressionMode::lightning, 1, nullptr, false},
      {"balanced, four threads", CompressionMode::balanced, 4, nullptr, false},
      {"compact, encrypted", CompressionMode::compact, 2, "correct horse", false},
      {"store only", CompressionMode::balanced, 3, nullptr, true},
      {"store only, encrypted", CompressionMode::lightning, 1, "pw", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CompressionOptions o = options(c.mode, c.threads);
    o.storeOnly = c.storeOnly;
    if (c.password) o.password = passwordOf(c.password);
    const std::wstring output = tree_.path(L"out.zeb");
    auto stats = createArchive({tree_.path(L"in")}, output, o, {});
    ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
    EXPECT_EQ(stats->entries, expected_.size());
    EXPECT_EQ(stats->files, expectedFiles());
    EXPECT_EQ(stats->directories, expected_.size() - expectedFiles());
    EXPECT_EQ(stats->inputBytes, expectedBytes());
    EXPECT_EQ(stats->archiveBytes, tree_.read(L"out.zeb").size());
    EXPECT_FALSE(tree_.exists(L"out.zeb.partial"));

    auto archive = openArchive(output, 0, o.password);
    ASSERT_TRUE(archive.hasValue()) << printable(archive.failure().message);
    EXPECT_EQ(archive->encrypted, c.password != nullptr);
    EXPECT_EQ(archive->header.flags, kFlagChunkHashes | (c.password ? kFlagEncrypted : 0u));
    EXPECT_EQ(testing::archivedItems(archive.value()), expected_);
    if (c.storeOnly) {
      for (const auto& chunk : archive->chunks) EXPECT_EQ(chunk.codec, kCodecStored);
    } else {
      EXPECT_LT(stats->archiveBytes, stats->inputBytes);
    }
  }
}

TEST_F(CreateArchiveTest, SameInputGivesTheSameBytesWhateverTheThreadCount) {
  std::vector<std::vector<uint8_t>> archives;
  for (uint32_t threads : {1u, 4u}) {
    const std::wstring name = L"t" + std::to_wstring(threads) + L".zeb";
    ASSERT_TRUE(createArchive({tree_.path(L"in")}, tree_.path(name), options(CompressionMode::balanced, threads), {})
                    .hasValue());
    archives.push_back(tree_.read(name));
  }
  ASSERT_EQ(archives[0].size(), archives[1].size());
  // The archive id (header 24-39, footer 8-23) is random, and the two record CRCs cover it.
  const size_t n = archives[0].size();
  for (auto& bytes : archives) {
    for (size_t at : {size_t(24), size_t(112), n - kFooterSize + 8, n - kFooterSize + 48}) {
      const size_t length = (at == 24 || at == n - kFooterSize + 8) ? 16 : 4;
      std::fill(bytes.begin() + at, bytes.begin() + at + length, 0);
    }
  }
  EXPECT_TRUE(archives[0] == archives[1]);
}

TEST_F(CreateArchiveTest, ReportsScanningThenEachChunkThenVerifyingThenDone) {
  std::vector<Progress> reports;
  bool onlyCallingThread = true;
  const auto caller = std::this_thread::get_id();
  auto stats = createArchive({tree_.path(L"in")}, tree_.path(L"out.zeb"), options(CompressionMode::lightning, 3),
                             [&](const Progress& p) {
                               onlyCallingThread = onlyCallingThread && std::this_thread::get_id() == caller;
                               reports.push_back(p);
                               return true;
                             });
  ASSERT_TRUE(stats.hasValue());
  EXPECT_TRUE(onlyCallingThread);
  auto archive = openArchive(tree_.path(L"out.zeb"), 0, nullptr);
  ASSERT_TRUE(archive.hasValue());

  size_t at = 0;
  while (at < reports.size() && reports[at].phase == Progress::Phase::Scanning) ++at;
  EXPECT_EQ(at, expected_.size() - 1);  // every item but the source folder itself
  uint64_t writing = 0;
  uint64_t lastItems = 0;
  for (; at < reports.size() && reports[at].phase == Progress::Phase::Writing; ++at, ++writing) {
    EXPECT_GE(reports[at].itemsDone, lastItems);
    EXPECT_LE(reports[at].itemsDone, expected_.size());
    EXPECT_EQ(reports[at].bytesTotal, expectedBytes());
    EXPECT_EQ(reports[at].itemsTotal, expected_.size());
    EXPECT_TRUE(reports[at].currentItem.empty());
    lastItems = reports[at].itemsDone;
  }
  EXPECT_EQ(writing, archive->chunks.size());
  EXPECT_EQ(reports[at - 1].bytesDone, expectedBytes());
  while (at < reports.size() && reports[at].phase == Progress::Phase::Verifying) ++at;
  ASSERT_EQ(at, reports.size() - 1);
  EXPECT_EQ(reports.back().phase, Progress::Phase::Done);
  EXPECT_EQ(reports.back().bytesDone, expectedBytes());
}

TEST_F(CreateArchiveTest, CancelOrFailureLeavesTheOldArchiveAndNoPartialFile) {
  tree_.writeText(L"out.zeb", "the previous archive");
  struct Case {
    const char* name;
    Progress::Phase stopIn;
    int stopAtCall;
    StatusCode code;
    const wchar_t* message;
  };
  const Case cases[] = {
      {"cancel on the first scan report", Progress::Phase::Scanning, 1, StatusCode::canceled, L"Scan canceled"},
      {"cancel on the first chunk", Progress::Phase::Writing, 1, StatusCode::canceled, L"Archive creation canceled"},
      {"cancel on a middle chunk", Progress::Phase::Writing, 4, StatusCode::canceled, L"Archive creation canceled"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int calls = 0;
    auto stats = createArchive({tree_.path(L"in")}, tree_.path(L"out.zeb"), options(CompressionMode::balanced, 4),
                               [&](const Progress& p) { return p.phase != c.stopIn || ++calls < c.stopAtCall; });
    ASSERT_TRUE(stats.failed());
    EXPECT_EQ(stats.failure().code, c.code);
    EXPECT_EQ(stats.failure().message, c.message);
    EXPECT_EQ(tree_.readText(L"out.zeb"), "the previous archive");
    EXPECT_FALSE(tree_.exists(L"out.zeb.partial"));
  }

  // A source that vanished: the scan fails before anything is opened.
  auto missing =
      createArchive({tree_.path(L"gone")}, tree_.path(L"out.zeb"), options(CompressionMode::balanced, 1), {});
  ASSERT_TRUE(missing.failed());
  EXPECT_EQ(missing.failure().code, StatusCode::not_found);
  EXPECT_EQ(tree_.readText(L"out.zeb"), "the previous archive");
  EXPECT_FALSE(tree_.exists(L"out.zeb.partial"));

  // A new archive replaces the old one only when it is complete.
  ASSERT_TRUE(createArchive({tree_.path(L"in")}, tree_.path(L"out.zeb"), options(CompressionMode::balanced, 2), {})
                  .hasValue());
  EXPECT_NE(tree_.readText(L"out.zeb"), "the previous archive");
}

TEST_F(CreateArchiveTest, FailedVerificationKeepsTheNewArchive) {
  tree_.writeText(L"out.zeb", "the previous archive");
  auto stats = createArchive({tree_.path(L"in")}, tree_.path(L"out.zeb"), options(CompressionMode::balanced, 2),
                             [](const Progress& p) { return p.phase != Progress::Phase::Verifying; });
  ASSERT_TRUE(stats.failed());
  EXPECT_EQ(stats.failure().code, StatusCode::canceled);
  EXPECT_EQ(stats.failure().message, L"Verification canceled");
  EXPECT_FALSE(tree_.exists(L"out.zeb.partial"));
  auto archive = openArchive(tree_.path(L"out.zeb"), 0, nullptr);
  ASSERT_TRUE(archive.hasValue());
  EXPECT_EQ(testing::archivedItems(archive.value()), expected_);
}

TEST_F(CreateArchiveTest, ArgumentsAreCheckedFirst) {
  const std::wstring out = tree_.path(L"args.zeb");
  struct Case {
    const char* name;
    std::vector<std::wstring> sources;
    std::wstring output;
    uint32_t chunkSize;
    bool accepted;
    const wchar_t* message;
  };
  const std::vector<std::wstring> source = {tree_.path(L"in/docs")};
  const Case cases[] = {
      {"no sources", {}, out, kMinChunkSize, false, L"No source files or folders were given"},
      {"no output", source, L"", kMinChunkSize, false, L"No output archive path was given"},
      {"chunk just below 256 KiB", source, out, 262143, false, L"Chunk size must be between 256 KiB and 4 MiB"},
      {"chunk just above 4 MiB", source, out, 4194305, false, L"Chunk size must be between 256 KiB and 4 MiB"},
      {"chunk of 256 KiB", source, out, 262144, true, L""},
      {"chunk of 4 MiB", source, out, 4194304, true, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CompressionOptions o = options(CompressionMode::lightning, 1);
    o.chunkSize = c.chunkSize;
    auto stats = createArchive(c.sources, c.output, o, {});
    EXPECT_EQ(stats.hasValue(), c.accepted);
    if (stats.failed()) {
      EXPECT_EQ(stats.failure().code, StatusCode::invalid_argument);
      EXPECT_EQ(stats.failure().message, c.message);
    }
  }
}

TEST_F(CreateArchiveTest, EmptyPasswordAndMissingFolderOfTheOutput) {
  CompressionOptions o = options(CompressionMode::balanced, 2);
  o.password = passwordOf("");
  const std::wstring output = tree_.path(L"new/folder/out.zeb");
  ASSERT_TRUE(createArchive({tree_.path(L"in/docs")}, output, o, {}).hasValue());
  auto archive = openArchive(output, 0, nullptr);
  ASSERT_TRUE(archive.hasValue());
  EXPECT_FALSE(archive->encrypted);
  EXPECT_EQ(archive->header.securityLength, 0u);
}

TEST(CreateArchiveEmptyTest, OnlyEmptyFoldersGiveNoChunksAndNoWritingReports) {
  ScratchTree tree;
  tree.makeDirectory(L"E/one");
  tree.makeDirectory(L"E/two/three");
  std::vector<Progress::Phase> phases;
  CompressionOptions o;
  o.chunkSize = kMinChunkSize;
  auto stats = createArchive({tree.path(L"E")}, tree.path(L"e.zeb"), o, [&](const Progress& p) {
    phases.push_back(p.phase);
    return true;
  });
  ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
  EXPECT_EQ(stats->directories, 4u);
  EXPECT_EQ(stats->files, 0u);
  auto archive = openArchive(tree.path(L"e.zeb"), 0, nullptr);
  ASSERT_TRUE(archive.hasValue());
  EXPECT_TRUE(archive->chunks.empty());
  EXPECT_EQ(archive->header.dictionaryOffset, kHeaderSize);
  EXPECT_EQ(archive->header.chunkTableOffset, kHeaderSize);
  EXPECT_EQ(archive->header.manifestOffset, kHeaderSize);
  ASSERT_GE(phases.size(), 4u);
  EXPECT_EQ(std::count(phases.begin(), phases.end(), Progress::Phase::Scanning), 3);
  EXPECT_EQ(std::count(phases.begin(), phases.end(), Progress::Phase::Writing), 0);
  EXPECT_EQ(phases.back(), Progress::Phase::Done);
}

// Files made of the same 16 KiB random blocks in different orders: nothing repeats inside one
// chunk, so only a preset dictionary can shrink them.
class SharedBlocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::vector<uint8_t>> blocks;
    for (int b = 0; b < 16; ++b) blocks.push_back(randomBytes(16384, 500 + b));
    std::mt19937 generator(9);
    for (int f = 0; f < 12; ++f) {
      std::vector<int> order(16);
      for (int b = 0; b < 16; ++b) order[b] = b;
      std::shuffle(order.begin(), order.end(), generator);
      std::vector<uint8_t> file;
      for (int b : order) file.insert(file.end(), blocks[b].begin(), blocks[b].end());
      const std::wstring name = L"S/f" + std::to_wstring(10 + f);
      tree_.writeFile(name, file);
      files_[name] = file;
    }
  }

  ScratchTree tree_;
  std::map<std::wstring, std::vector<uint8_t>> files_;
};

TEST_F(SharedBlocksTest, DictionaryIsTrainedStoredAndUsedWhenItPays) {
  for (const char* password : {static_cast<const char*>(nullptr), "pw"}) {
    SCOPED_TRACE(password ? "encrypted" : "plain");
    CompressionOptions o;
    o.chunkSize = kMinChunkSize;
    o.useDictionary = true;
    o.kdfIterations = kMinKdfIterations;
    if (password) o.password = passwordOf(password);
    auto stats = createArchive({tree_.path(L"S")}, tree_.path(L"d.zeb"), o, {});
    ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
    EXPECT_LT(stats->archiveBytes, stats->inputBytes / 4);

    auto archive = openArchive(tree_.path(L"d.zeb"), 0, o.password);
    ASSERT_TRUE(archive.hasValue()) << printable(archive.failure().message);
    ASSERT_EQ(archive->dictionaries.size(), 1u);
    EXPECT_EQ(archive->dictionaries[0].id, 1);
    EXPECT_GT(archive->header.dictionaryLength, 0u);
    for (const auto& chunk : archive->chunks) EXPECT_EQ(chunk.dictionaryId, 1);
    for (const auto& entry : archive->entries) {
      if (entry.type == 0) {
        EXPECT_EQ(testing::entryBytes(archive.value(), entry), files_.at(entry.path));
      }
    }
  }
}

TEST_F(SharedBlocksTest, NoDictionaryInStoreOnlyModeOrWhenNotAskedFor) {
  for (bool storeOnly : {false, true}) {
    CompressionOptions o;
    o.chunkSize = kMinChunkSize;
    o.useDictionary = storeOnly;
    o.storeOnly = storeOnly;
    ASSERT_TRUE(createArchive({tree_.path(L"S")}, tree_.path(L"n.zeb"), o, {}).hasValue());
    auto archive = openArchive(tree_.path(L"n.zeb"), 0, nullptr);
    ASSERT_TRUE(archive.hasValue());
    EXPECT_TRUE(archive->dictionaries.empty());
    EXPECT_EQ(archive->header.dictionaryLength, 0u);
    for (const auto& chunk : archive->chunks) EXPECT_EQ(chunk.dictionaryId, 0);
  }
}

TEST(CreationBudgetTest, WorkersAndJobsFollowTheMemoryBudget) {
  EXPECT_EQ(encoderMemoryEstimate(2u << 20), 8126464u);
  EXPECT_EQ(encoderMemoryEstimate(kMinChunkSize), 3 * kMinChunkSize + (4u << 16) + 3 * kMinChunkSize / 4);
  struct Case {
    uint32_t available;
    uint32_t chunk;
    uint64_t budget;
    uint32_t workers;
    uint64_t jobs;
  };
  const Case cases[] = {
      {16, 2u << 20, 512ull << 20, 16, 48},
      {8, 4u << 20, 64ull << 20, 3, 2},
      {8, 4u << 20, 1u << 20, 1, 1},  // below 2c + E: still one worker and one job
      {1, 2u << 20, 512ull << 20, 1, 3},
  };
  for (const Case& c : cases) {
    const PipelineBudget budget = creationBudget(c.available, c.chunk, c.budget);
    EXPECT_EQ(budget.workers, c.workers) << c.available << " " << c.chunk << " " << c.budget;
    EXPECT_EQ(budget.jobsInFlight, c.jobs) << c.available << " " << c.chunk << " " << c.budget;
  }
}

}  // namespace
}  // namespace tolzeb
