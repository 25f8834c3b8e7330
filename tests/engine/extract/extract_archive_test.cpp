#include "engine/extract/extract_archive.h"

#include <filesystem>
#include <gtest/gtest.h>

#include <thread>

#include "../container/test_archive.h"
#include "support/scratch_tree.h"
#include "engine/create/create_archive.h"
#include "support/random_bytes.h"

namespace tolzeb {
namespace {

using testing::printable;
using testing::randomBytes;
using testing::ScratchTree;

constexpr uint64_t kSomeTime = 133000000000000000ull;  // a FILETIME in 2022

uint64_t modifiedOf(const std::wstring& path) {
  auto info = statPath(path);
  return info.hasValue() ? info->modified : 0;
}

// The archive: a folder with a small file and a three-chunk file (decoded in order: chunk 0
// holds small.txt, chunks 1 to 3 big.bin), an empty file, an empty folder, a nested file with
// a fixed time and a read-only file.
class ExtractArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    add(L"A/small.txt", randomBytes(2000, 1));
    add(L"A/big.bin", randomBytes(2 * kMinChunkSize + 100, 2));
    add(L"A/empty", {});
    tree_.makeDirectory(L"A/folder");
    add(L"A/sub/deep/note.txt", randomBytes(300, 3));
    ASSERT_TRUE(setFileTimes(tree_.path(L"A/sub/deep/note.txt"), kSomeTime).ok());
    add(L"A/locked.txt", randomBytes(100, 4));
    ASSERT_TRUE(setAttributes(tree_.path(L"A/locked.txt"), kAttributeReadOnly).ok());

    CompressionOptions options;
    options.chunkSize = kMinChunkSize;
    options.mode = CompressionMode::lightning;
    ASSERT_TRUE(createArchive({tree_.path(L"A")}, archive(), options, {}).hasValue());
  }
  void TearDown() override {
    // Read-only files would stop the scratch tree's removal on some systems.
    for (const auto& root : {L"A/locked.txt", L"out/A/locked.txt"})
      (void)setAttributes(tree_.path(root), kAttributeArchive);
  }

  void add(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    tree_.writeFile(path, bytes);
    files_[path] = bytes;
  }
  std::wstring archive() const { return tree_.path(L"a.zeb"); }
  std::wstring out(const std::wstring& relative = L"") const {
    return relative.empty() ? tree_.path(L"out") : tree_.path(L"out/" + relative);
  }
  Result<ArchiveStats> extract(const std::vector<std::wstring>& selection, const ExtractOptions& options = {},
                               const ProgressCallback& progress = {}) {
    return extractArchive(archive(), out(), selection, options, progress);
  }
  void expectExtracted(const std::wstring& path) {
    EXPECT_EQ(tree_.read(L"out/" + path), files_.at(path)) << printable(path);
  }

  ScratchTree tree_;
  std::map<std::wstring, std::vector<uint8_t>> files_;
};

TEST_F(ExtractArchiveTest, EverythingComesBackWithTimesAndAttributes) {
  std::vector<Progress> reports;
  bool onlyCallingThread = true;
  const auto caller = std::this_thread::get_id();
  auto stats = extract({}, {}, [&](const Progress& p) {
    onlyCallingThread = onlyCallingThread && std::this_thread::get_id() == caller;
    reports.push_back(p);
    return true;
  });
  ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
  EXPECT_TRUE(onlyCallingThread);
  for (const auto& [path, bytes] : files_) expectExtracted(path);
  EXPECT_TRUE(isDirectory(out(L"A/folder")));
  EXPECT_EQ(modifiedOf(out(L"A/sub/deep/note.txt")), kSomeTime);
  EXPECT_EQ(modifiedOf(out(L"A/big.bin")), modifiedOf(tree_.path(L"A/big.bin")));
  auto locked = statPath(out(L"A/locked.txt"));
  ASSERT_TRUE(locked.hasValue());
  EXPECT_NE(locked->attributes & kAttributeReadOnly, 0u);

  EXPECT_EQ(stats->files, 5u);
  EXPECT_EQ(stats->directories, 4u);  // A, A/folder, A/sub, A/sub/deep
  EXPECT_EQ(stats->entries, 9u);
  EXPECT_EQ(stats->inputBytes, 2000u + 2 * kMinChunkSize + 100 + 300 + 100);
  EXPECT_EQ(stats->archiveBytes, tree_.read(L"a.zeb").size());

  ASSERT_GE(reports.size(), 2u);
  for (size_t i = 0; i + 1 < reports.size(); ++i) EXPECT_EQ(reports[i].phase, Progress::Phase::Restoring);
  EXPECT_EQ(reports.back().phase, Progress::Phase::Done);
  EXPECT_EQ(reports.back().bytesDone, stats->inputBytes);
  EXPECT_EQ(reports.back().itemsDone, 9u);
  EXPECT_EQ(reports.back().itemsTotal, 9u);
}

TEST_F(ExtractArchiveTest, SelectionPicksExactPaths) {
  struct Case {
    const char* name;
    std::vector<std::wstring> selection;
    std::vector<std::wstring> present;
    std::vector<std::wstring> absent;
    uint64_t files, directories;
  };
  const Case cases[] = {
      {"two files", {L"A/big.bin", L"A/sub/deep/note.txt", L"A/big.bin"}, {L"A/big.bin", L"A/sub/deep/note.txt"},
       {L"A/small.txt", L"A/empty", L"A/folder"}, 2, 0},
      {"a folder is the folder only", {L"A/sub"}, {L"A/sub"}, {L"A/sub/deep", L"A/small.txt"}, 0, 1},
      {"letter case must match", {L"a/small.txt"}, {}, {L"A/small.txt", L"A"}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Progress::Phase> phases;
    auto stats = extract(c.selection, {}, [&](const Progress& p) {
      phases.push_back(p.phase);
      return true;
    });
    ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
    for (const auto& path : c.present) EXPECT_TRUE(pathExists(out(path))) << printable(path);
    for (const auto& path : c.absent) EXPECT_FALSE(pathExists(out(path))) << printable(path);
    EXPECT_EQ(stats->files, c.files);
    EXPECT_EQ(stats->directories, c.directories);
    EXPECT_EQ(phases.back(), Progress::Phase::Done);
    std::error_code ignored;
    std::filesystem::remove_all(printable(out()), ignored);
  }
}

TEST_F(ExtractArchiveTest, ByteLimitIsCheckedBeforeAnythingIsCreated) {
  const uint64_t total = 2000u + 2 * kMinChunkSize + 100 + 300 + 100;
  ExtractOptions options;
  options.maxTotalBytes = total - 1;
  auto refused = extract({}, options);
  ASSERT_TRUE(refused.failed());
  EXPECT_EQ(refused.failure().code, StatusCode::resource_limit);
  EXPECT_EQ(refused.failure().message,
            L"Archive expands to " + std::to_wstring(total) + L" bytes, above the configured extraction limit");
  EXPECT_FALSE(pathExists(out()));
  options.maxTotalBytes = total;
  EXPECT_TRUE(extract({}, options).hasValue());

  auto noDestination = extractArchive(archive(), L"", {}, {}, {});
  ASSERT_TRUE(noDestination.failed());
  EXPECT_EQ(noDestination.failure().code, StatusCode::invalid_argument);
  EXPECT_EQ(noDestination.failure().message, L"No destination directory was given");
}

TEST_F(ExtractArchiveTest, ExistingFilesFollowThePolicy) {
  // Stale versions of two files with data, of the empty file and of the read-only file.
  const std::vector<std::wstring> existing = {L"A/small.txt", L"A/big.bin", L"A/empty", L"A/locked.txt"};
  auto prepare = [&] {
    for (const auto& path : existing) {
      (void)setAttributes(out(path), kAttributeArchive);
      tree_.writeText(L"out/" + path, "old");
    }
    ASSERT_TRUE(setAttributes(out(L"A/locked.txt"), kAttributeReadOnly).ok());
    tree_.writeText(L"out/A/big.bin.zebtmp", "leftover of a crashed run");
  };

  for (const auto& [policy, conflict] : {std::pair{OverwritePolicy::fail, L"A/small.txt"},
                                         std::pair{OverwritePolicy::fail, L"A/empty"}}) {
    prepare();
    ExtractOptions options;
    options.overwrite = policy;
    auto failed = extract({conflict}, options);
    ASSERT_TRUE(failed.failed());
    EXPECT_EQ(failed.failure().code, StatusCode::already_exists);
    EXPECT_EQ(failed.failure().message, L"Destination already exists: " + out(conflict));
    EXPECT_EQ(tree_.readText(L"out/" + std::wstring(conflict)), "old");
  }

  prepare();
  ExtractOptions skip;
  skip.overwrite = OverwritePolicy::skip;
  Progress last;
  auto skipped = extract({}, skip, [&](const Progress& p) {
    last = p;
    return true;
  });
  ASSERT_TRUE(skipped.hasValue()) << printable(skipped.failure().message);
  for (const auto& path : existing) EXPECT_EQ(tree_.readText(L"out/" + path), "old") << printable(path);
  EXPECT_EQ(skipped->files, 1u);  // only the nested note was written
  EXPECT_EQ(last.itemsDone, 9u);
  EXPECT_EQ(last.bytesDone, skipped->inputBytes);
  EXPECT_EQ(skipped->inputBytes, 2000u + 2 * kMinChunkSize + 100 + 300 + 100);

  prepare();
  ExtractOptions overwrite;
  overwrite.overwrite = OverwritePolicy::overwrite;
  auto replaced = extract({}, overwrite);
  ASSERT_TRUE(replaced.hasValue()) << printable(replaced.failure().message);
  for (const auto& path : existing) expectExtracted(path);
  EXPECT_EQ(tree_.readText(L"out/A/big.bin.zebtmp"), "leftover of a crashed run");  // not ours to delete
  EXPECT_FALSE(pathExists(out(L"A/big.bin.1.zebtmp")));
  EXPECT_FALSE(pathExists(out(L"A/small.txt.zebtmp")));
  auto locked = statPath(out(L"A/locked.txt"));
  ASSERT_TRUE(locked.hasValue());
  EXPECT_NE(locked->attributes & kAttributeReadOnly, 0u);
}

TEST_F(ExtractArchiveTest, CancelInsideAFileDeletesOnlyThatFile) {
  // In manifest order big.bin fills chunks 0 to 2 on its own; locked.txt, small.txt and the
  // nested note share chunk 3. A report follows each chunk.
  for (bool replacing : {false, true}) {
    SCOPED_TRACE(replacing ? "replacing" : "new files");
    std::error_code ignored;
    (void)setAttributes(out(L"A/locked.txt"), kAttributeArchive);
    std::filesystem::remove_all(printable(out()), ignored);
    if (replacing) tree_.writeText(L"out/A/big.bin", "old");
    ExtractOptions options;
    options.overwrite = OverwritePolicy::overwrite;
    int calls = 0;
    auto midFile =
        extract({}, options, [&](const Progress& p) { return p.phase != Progress::Phase::Restoring || ++calls < 2; });
    ASSERT_TRUE(midFile.failed());
    EXPECT_EQ(midFile.failure().code, StatusCode::canceled);
    EXPECT_EQ(midFile.failure().message, L"Extraction canceled");
    EXPECT_TRUE(pathExists(out(L"A/empty")));  // the first pass is not undone
    EXPECT_FALSE(pathExists(out(L"A/big.bin.zebtmp")));
    EXPECT_FALSE(pathExists(out(L"A/small.txt")));
    if (replacing) {
      EXPECT_EQ(tree_.readText(L"out/A/big.bin"), "old");
    } else {
      EXPECT_FALSE(pathExists(out(L"A/big.bin")));
    }

    calls = 0;
    auto afterFile =
        extract({}, options, [&](const Progress& p) { return p.phase != Progress::Phase::Restoring || ++calls < 3; });
    ASSERT_TRUE(afterFile.failed());
    expectExtracted(L"A/big.bin");
    EXPECT_FALSE(pathExists(out(L"A/small.txt")));
  }
}

TEST(ExtractCraftedArchiveTest, EmptyFileThatNamesAChunkIsStillCreated) {
  // A manifest may give an empty file a chunk index; opening accepts it, so extraction must not
  // drop the file.
  testing::TestArchiveOptions options;
  options.editManifest = [](std::vector<ManifestEntry>& entries) {
    for (auto& entry : entries) {
      if (entry.path == L"zero") entry.chunks = {0};
    }
  };
  auto bytes =
      testing::writeTestArchive({{L"data", false, testing::sampleBytes(500, 1)}, {L"zero", false, {}}}, options);
  ASSERT_TRUE(bytes.hasValue()) << printable(bytes.failure().message);
  ScratchTree tree;
  tree.writeFile(L"crafted.zeb", bytes.value());
  auto stats = extractArchive(tree.path(L"crafted.zeb"), tree.path(L"out"), {}, {}, {});
  ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
  EXPECT_EQ(stats->files, 2u);
  EXPECT_TRUE(pathExists(tree.path(L"out/zero")));
  EXPECT_EQ(tree.read(L"out/data"), testing::sampleBytes(500, 1));
}

}  // namespace
}  // namespace tolzeb
