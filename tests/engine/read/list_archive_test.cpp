#include "engine/read/list_archive.h"

#include <gtest/gtest.h>

#include "support/scratch_tree.h"
#include "engine/container/container_format.h"
#include "engine/container/open_archive.h"
#include "engine/create/create_archive.h"
#include "support/password_of.h"
#include "support/random_bytes.h"

namespace tolzeb {
namespace {

using testing::passwordOf;
using testing::printable;
using testing::randomBytes;
using testing::ScratchTree;

// Stored chunks keep payload offsets predictable for the damage test.
class ListArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_[L"R/a-first"] = randomBytes(3000, 1);
    files_[L"R/b-middle"] = randomBytes(5000, 2);  // starts inside the chunk shared with a-first
    files_[L"R/c-large"] = randomBytes(2 * kMinChunkSize + 77, 3);
    files_[L"R/d-empty"] = {};
    for (const auto& [path, bytes] : files_) tree_.writeFile(path, bytes);
    tree_.makeDirectory(L"R/e-folder");
  }

  std::wstring create(const char* password) {
    CompressionOptions options;
    options.chunkSize = kMinChunkSize;
    options.storeOnly = true;
    options.kdfIterations = kMinKdfIterations;
    if (password) options.password = passwordOf(password);
    EXPECT_TRUE(createArchive({tree_.path(L"R")}, tree_.path(L"r.zeb"), options, {}).hasValue());
    return tree_.path(L"r.zeb");
  }

  ScratchTree tree_;
  std::map<std::wstring, std::vector<uint8_t>> files_;
};

TEST_F(ListArchiveTest, ListsHeaderWordsAndEntriesInManifestOrder) {
  const std::wstring archive = create(nullptr);
  auto listing = listArchive(archive, passwordOf("ignored when not encrypted"));
  ASSERT_TRUE(listing.hasValue()) << printable(listing.failure().message);
  EXPECT_EQ(listing->versionMajor, kFormatVersionMajor);
  EXPECT_EQ(listing->versionMinor, kFormatVersionMinor);
  EXPECT_EQ(listing->flags, kFlagChunkHashes);
  EXPECT_EQ(listing->chunkSize, kMinChunkSize);
  EXPECT_EQ(listing->chunkCount, 4u);
  EXPECT_EQ(listing->totalBytes, 3000u + 5000u + 2 * kMinChunkSize + 77);
  EXPECT_EQ(listing->archiveBytes, tree_.read(L"r.zeb").size());

  struct Expected {
    std::wstring path;
    bool isDirectory;
    uint64_t size;
    uint64_t chunkCount;
  };
  const std::vector<Expected> expected = {{L"R", true, 0, 0},
                                          {L"R/a-first", false, 3000, 1},
                                          {L"R/b-middle", false, 5000, 1},
                                          {L"R/c-large", false, 2 * kMinChunkSize + 77, 3},
                                          {L"R/d-empty", false, 0, 0},
                                          {L"R/e-folder", true, 0, 0}};
  ASSERT_EQ(listing->entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(listing->entries[i].path, expected[i].path);
    EXPECT_EQ(listing->entries[i].isDirectory, expected[i].isDirectory);
    EXPECT_EQ(listing->entries[i].size, expected[i].size);
    EXPECT_EQ(listing->entries[i].chunkCount, expected[i].chunkCount);
    EXPECT_NE(listing->entries[i].modified, 0u);
  }
}

TEST_F(ListArchiveTest, ReadsWholeEntriesOrTheirLeadingPart) {
  const std::wstring archive = create("secret");
  const auto& large = files_.at(L"R/c-large");
  struct Case {
    const char* name;
    std::wstring path;
    uint64_t ceiling;
    bool allowPrefix;
    std::vector<uint8_t> bytes;
    uint64_t fullSize;
    bool truncated;
  };
  const Case cases[] = {
      {"whole first file", L"R/a-first", UINT64_MAX, false, files_.at(L"R/a-first"), 3000, false},
      {"file starting inside a shared chunk", L"R/b-middle", UINT64_MAX, false, files_.at(L"R/b-middle"), 5000, false},
      {"file over several chunks", L"R/c-large", UINT64_MAX, false, large, large.size(), false},
      {"ceiling equal to the size", L"R/c-large", large.size(), false, large, large.size(), false},
      {"leading part",
       L"R/c-large",
       kMinChunkSize + 10,
       true,
       {large.begin(), large.begin() + kMinChunkSize + 10},
       large.size(),
       true},
      {"ceiling 0 with prefix", L"R/a-first", 0, true, {}, 3000, true},
      {"empty file", L"R/d-empty", 0, false, {}, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto read = readEntry(archive, c.path, c.ceiling, c.allowPrefix, passwordOf("secret"));
    ASSERT_TRUE(read.hasValue()) << printable(read.failure().message);
    EXPECT_TRUE(read->bytes == c.bytes);
    EXPECT_EQ(read->fullSize, c.fullSize);
    EXPECT_EQ(read->truncated, c.truncated);
  }
}

TEST_F(ListArchiveTest, RefusalsCarryTheirCodes) {
  const std::wstring plain = create(nullptr);
  const std::wstring encrypted = tree_.path(L"enc.zeb");
  {
    CompressionOptions options;
    options.chunkSize = kMinChunkSize;
    options.password = passwordOf("pw");
    options.kdfIterations = kMinKdfIterations;
    ASSERT_TRUE(createArchive({tree_.path(L"R")}, encrypted, options, {}).hasValue());
  }
  struct Case {
    const char* name;
    std::wstring archive;
    std::wstring path;
    uint64_t ceiling;
    bool allowPrefix;
    StatusCode code;
    std::wstring message;
  };
  const Case cases[] = {
      {"letter case differs", plain, L"R/A-first", UINT64_MAX, false, StatusCode::not_found,
       L"No such entry in this archive: R/A-first"},
      {"a directory", plain, L"R/e-folder", UINT64_MAX, false, StatusCode::invalid_argument,
       L"That entry is a directory, not a file: R/e-folder"},
      {"above the ceiling", plain, L"R/a-first", 2999, false, StatusCode::resource_limit,
       L"That entry is larger than this operation allows"},
      {"ceiling 0 without prefix", plain, L"R/a-first", 0, false, StatusCode::resource_limit,
       L"That entry is larger than this operation allows"},
      {"encrypted without password", encrypted, L"R/a-first", UINT64_MAX, false, StatusCode::authentication_failed,
       L"This archive is encrypted and needs a password"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto read = readEntry(c.archive, c.path, c.ceiling, c.allowPrefix, nullptr);
    ASSERT_TRUE(read.failed());
    EXPECT_EQ(read.failure().code, c.code);
    EXPECT_EQ(read.failure().message, c.message);
  }
  auto listing = listArchive(encrypted, nullptr);
  ASSERT_TRUE(listing.failed());
  EXPECT_EQ(listing.failure().code, StatusCode::authentication_failed);
  EXPECT_EQ(listing.failure().message, L"This archive is encrypted and needs a password");
}

TEST_F(ListArchiveTest, LeadingPartDecodesOnlyTheChunksItNeeds) {
  const std::wstring archive = create(nullptr);
  // Damage the last chunk of c-large: a prefix within its first chunk still reads, the whole does not.
  auto open = openArchive(archive, 0, nullptr);
  ASSERT_TRUE(open.hasValue());
  const uint64_t damagedAt = open->chunks.back().storedOffset + 5;
  open = Failure{};
  {
    auto file = openForUpdate(archive);
    ASSERT_TRUE(file.hasValue());
    uint8_t byte = 0;
    ASSERT_TRUE(file->readAt(damagedAt, &byte, 1).hasValue());
    byte ^= 0xFF;
    ASSERT_TRUE(file->writeAt(damagedAt, &byte, 1).ok());
  }
  auto prefix = readEntry(archive, L"R/c-large", 1000, true, nullptr);
  ASSERT_TRUE(prefix.hasValue()) << printable(prefix.failure().message);
  EXPECT_EQ(prefix->bytes.size(), 1000u);
  auto whole = readEntry(archive, L"R/c-large", UINT64_MAX, false, nullptr);
  ASSERT_TRUE(whole.failed());
  EXPECT_EQ(whole.failure().code, StatusCode::corrupt_archive);
}

}  // namespace
}  // namespace tolzeb
