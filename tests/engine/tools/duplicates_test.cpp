#include "engine/tools/duplicates.h"

#include <gtest/gtest.h>

#include "support/scratch_tree.h"
#include "engine/create/create_archive.h"
#include "engine/tools/archive_paths.h"
#include "engine/tools/content_hash.h"
#include "support/password_of.h"
#include "support/random_bytes.h"

namespace tolzeb {
namespace {

using testing::passwordOf;
using testing::printable;
using testing::randomBytes;
using testing::ScratchTree;

Sha256Digest digestOf(const std::vector<uint8_t>& bytes) { return sha256(bytes.data(), bytes.size()).value(); }

std::vector<std::string> printablePaths(const std::vector<std::wstring>& paths) {
  std::vector<std::string> out;
  for (const auto& path : paths) out.push_back(printable(path));
  return out;
}

// Small files share chunks and the large ones span several, so hashing crosses chunk edges both ways.
class DuplicatesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto thousand = randomBytes(1000, 1);
    const auto large = randomBytes(2 * kMinChunkSize + 77, 2);
    files_ = {
        {L"D/t3", thousand},   {L"D/a/t1", thousand}, {L"D/t2", thousand},
        {L"D/large-b", large}, {L"D/large-a", large}, {L"D/unique", randomBytes(1000, 3)},
        {L"D/empty1", {}},     {L"D/empty2", {}},
    };
    for (const auto& [path, bytes] : files_) tree_.writeFile(path, bytes);
    tree_.makeDirectory(L"D/dir1");
    tree_.makeDirectory(L"D/dir2");
  }

  std::wstring archive(const char* password) {
    CompressionOptions options;
    options.chunkSize = kMinChunkSize;
    options.kdfIterations = kMinKdfIterations;
    if (password) options.password = passwordOf(password);
    auto created = createArchive({tree_.path(L"D")}, tree_.path(L"d.zeb"), options, {});
    EXPECT_TRUE(created.hasValue()) << printable(created.failure().message);
    return tree_.path(L"d.zeb");
  }

  ScratchTree tree_;
  std::map<std::wstring, std::vector<uint8_t>> files_;
};

TEST_F(DuplicatesTest, GroupsIdenticalContentsLargestWasteFirst) {
  for (const char* password : {static_cast<const char*>(nullptr), "pw"}) {
    SCOPED_TRACE(password ? "encrypted" : "plain");
    const std::wstring zeb = archive(password);
    auto report = findDuplicates(zeb, password ? passwordOf(password) : nullptr, {});
    ASSERT_TRUE(report.hasValue()) << printable(report.failure().message);
    ASSERT_EQ(report->groups.size(), 2u);
    const DuplicateGroup& large = report->groups[0];
    EXPECT_EQ(large.size, 2 * kMinChunkSize + 77);
    EXPECT_EQ(printablePaths(large.paths), (std::vector<std::string>{"D/large-a", "D/large-b"}));
    EXPECT_EQ(large.sha256, digestOf(files_[L"D/large-a"]));
    const DuplicateGroup& small = report->groups[1];
    EXPECT_EQ(small.size, 1000u);
    EXPECT_EQ(printablePaths(small.paths), (std::vector<std::string>{"D/a/t1", "D/t2", "D/t3"}));
    EXPECT_EQ(report->redundantCopies, 3u);
    EXPECT_EQ(report->reclaimableBytes, 2 * kMinChunkSize + 77 + 2000);
  }
}

TEST_F(DuplicatesTest, EqualWasteOrdersByFirstPath) {
  tree_.writeFile(L"D/0-first", randomBytes(2000, 4));
  tree_.writeFile(L"D/0-second", randomBytes(2000, 4));  // wastes 2000, as the three 1000-byte copies do
  auto report = findDuplicates(archive(nullptr), {}, {});
  ASSERT_TRUE(report.hasValue());
  ASSERT_EQ(report->groups.size(), 3u);
  EXPECT_EQ(printable(report->groups[1].paths.front()), "D/0-first");
  EXPECT_EQ(printable(report->groups[2].paths.front()), "D/a/t1");
}

TEST_F(DuplicatesTest, HashesEveryEntryInManifestOrder) {
  const std::wstring zeb = archive(nullptr);
  uint64_t lastDone = 0;
  auto hashes = hashEntries(zeb, {}, [&](const Progress& p) {
    EXPECT_EQ(p.phase, Progress::Phase::Verifying);
    EXPECT_GE(p.bytesDone, lastDone);
    lastDone = p.bytesDone;
    return true;
  });
  ASSERT_TRUE(hashes.hasValue()) << printable(hashes.failure().message);
  ASSERT_EQ(hashes->size(), files_.size() + 4);  // and D, D/a, D/dir1, D/dir2
  for (const EntryHash& entry : *hashes) {
    SCOPED_TRACE(printable(entry.path));
    if (entry.isDirectory) {
      EXPECT_EQ(entry.sha256, Sha256Digest{});
      continue;
    }
    const auto& bytes = files_.at(entry.path);
    EXPECT_EQ(entry.size, bytes.size());
    EXPECT_EQ(entry.sha256, digestOf(bytes));
  }
  uint64_t total = 0;
  for (const auto& [path, bytes] : files_) total += bytes.size();
  EXPECT_EQ(lastDone, total);

  auto canceled = findDuplicates(zeb, {}, [](const Progress&) { return false; });
  ASSERT_TRUE(canceled.failed());
  EXPECT_EQ(canceled.failure().code, StatusCode::canceled);
  EXPECT_EQ(printable(canceled.failure().message), "Hashing canceled");
}

TEST_F(DuplicatesTest, HashesAFileThroughAnyBufferSize) {
  const auto& bytes = files_.at(L"D/large-a");
  for (size_t bufferSize : {size_t(1), size_t(4096), size_t(1) << 20}) {
    std::vector<uint8_t> buffer(bufferSize);
    auto digest = hashFileSha256(tree_.path(L"D/large-a"), buffer);
    ASSERT_TRUE(digest.hasValue());
    EXPECT_EQ(*digest, digestOf(bytes)) << bufferSize;
  }
  std::vector<uint8_t> buffer(16);
  EXPECT_EQ(hashFileSha256(tree_.path(L"D/empty1"), buffer).value(), digestOf({}));
  auto missing = hashFileSha256(tree_.path(L"D/none"), buffer);
  ASSERT_TRUE(missing.failed());
  EXPECT_EQ(missing.failure().code, StatusCode::not_found);

  std::vector<uint8_t> none;
  auto empty = hashFileSha256(tree_.path(L"D/large-a"), none);
  ASSERT_TRUE(empty.failed()) << "a buffer of 0 bytes would read nothing and hash any file as empty";
  EXPECT_EQ(empty.failure().code, StatusCode::invalid_argument);
}

TEST(ArchivePathsTest, FolderFilesMapToTheWriterArchivePaths) {
  const std::wstring sep(1, kPathSeparator);
  const std::pair<std::wstring, std::string> leaves[] = {
      {sep + L"data" + sep + L"photos", "photos"},
      {sep + L"data" + sep + L"photos" + sep + sep, "photos"},
      {L"photos/", "photos"},
      {L"photos", "photos"},
      {sep, printable(sep)},
      {L"D:\\", "D:\\"},
  };
  for (const auto& [folder, leaf] : leaves) EXPECT_EQ(printable(folderLeafName(folder)), leaf) << printable(folder);

  EXPECT_EQ(printable(joinArchivePath(L"photos", L"")), "photos");
  EXPECT_EQ(printable(joinArchivePath(L"photos", L"a/b.jpg")), "photos/a/b.jpg");
  EXPECT_EQ(printable(joinArchivePath(L"", L"a/b.jpg")), "a/b.jpg");
}

}  // namespace
}  // namespace tolzeb
