#include "engine/tools/compare.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "support/scratch_tree.h"
#include "engine/create/create_archive.h"
#include "support/password_of.h"
#include "support/random_bytes.h"

namespace tolzeb {
namespace {

using testing::passwordOf;
using testing::printable;
using testing::randomBytes;
using testing::ScratchTree;

constexpr uint64_t kSomeTime = 133000000000000000;  // 2022, whole seconds

struct Row {
  std::string path;
  int kind;
  uint64_t archiveValue;
  uint64_t folderValue;
  bool operator==(const Row&) const = default;
};

void PrintTo(const Row& row, std::ostream* out) {
  *out << row.path << " kind " << row.kind << " " << row.archiveValue << "/" << row.folderValue;
}

std::vector<Row> rowsOf(const CompareResult& result) {
  std::vector<Row> rows;
  for (const CompareRow& row : result.rows) {
    rows.push_back({printable(row.path), row.kind, row.archiveValue, row.folderValue});
  }
  return rows;
}

// Archives folder "photos" (times pinned, so the archive holds exact ones), then changes the folder.
class CompareArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write(L"photos/same", randomBytes(5000, 1));
    write(L"photos/sub/content-changed", randomBytes(4000, 2));
    write(L"photos/sub/time-changed", randomBytes(3000, 3));
    write(L"photos/size-changed", randomBytes(2000, 4));
    write(L"photos/gone", randomBytes(100, 5));
    write(L"photos/empty", {});
    tree_.makeDirectory(L"photos/empty-dir-in-archive");
  }

  void write(const std::wstring& relative, const std::vector<uint8_t>& bytes, uint64_t time = kSomeTime) {
    tree_.writeFile(relative, bytes);
    ASSERT_TRUE(setFileTimes(tree_.path(relative), time).ok());
  }

  std::wstring archive(const char* password = nullptr) {
    CompressionOptions options;
    options.chunkSize = kMinChunkSize;
    options.kdfIterations = kMinKdfIterations;
    if (password) options.password = passwordOf(password);
    auto created = createArchive({tree_.path(L"photos")}, tree_.path(L"p.zeb"), options, {});
    EXPECT_TRUE(created.hasValue()) << printable(created.failure().message);
    return tree_.path(L"p.zeb");
  }

  void changeFolder() {
    write(L"photos/sub/content-changed", randomBytes(4000, 20));  // same size, same time
    write(L"photos/sub/time-changed", randomBytes(3000, 3), kSomeTime + 1);
    write(L"photos/size-changed", randomBytes(2001, 4));
    ASSERT_TRUE(deleteFile(tree_.path(L"photos/gone")).ok());
    write(L"photos/added", randomBytes(10, 6));
    write(L"photos/sub/z-added", {});
    ASSERT_TRUE(std::filesystem::remove(std::filesystem::path(tree_.path(L"photos/empty-dir-in-archive"))));
    tree_.makeDirectory(L"photos/empty-dir-in-folder");
  }

  ScratchTree tree_;
};

TEST_F(CompareArchiveTest, ShallowAndDeepComparisonsOfAChangedFolder) {
  const std::wstring zeb = archive();
  changeFolder();
  struct Case {
    bool deep;
    uint64_t identical;
    std::vector<Row> rows;
  };
  const Case cases[] = {
      // The shallow mode trusts equal size and time, so the changed content goes unnoticed.
      {false,
       3,
       {{"photos/added", 1, 0, 10},
        {"photos/gone", 0, 100, 0},
        {"photos/size-changed", 2, 2000, 2001},
        {"photos/sub/time-changed", 4, 3000, 3000},
        {"photos/sub/z-added", 1, 0, 0}}},
      // The deep mode reads contents, so a new time alone is no difference.
      {true,
       3,
       {{"photos/added", 1, 0, 10},
        {"photos/gone", 0, 100, 0},
        {"photos/size-changed", 2, 2000, 2001},
        {"photos/sub/content-changed", 3, 4000, 4000},
        {"photos/sub/z-added", 1, 0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.deep ? "deep" : "shallow");
    // A trailing separator on the folder names the same prefix.
    auto result = compareArchive(zeb, tree_.path(L"photos") + kPathSeparator, {}, c.deep, {});
    ASSERT_TRUE(result.hasValue()) << printable(result.failure().message);
    EXPECT_EQ(result->hashed, c.deep);
    EXPECT_EQ(result->identical, c.identical);
    EXPECT_EQ(result->different, 2u);
    EXPECT_EQ(result->onlyInArchive, 1u);
    EXPECT_EQ(result->onlyInFolder, 2u);
    EXPECT_EQ(rowsOf(*result), c.rows);
  }
}

TEST_F(CompareArchiveTest, AnUnchangedFolderIsIdenticalInBothModesEvenWhenEncrypted) {
  const std::wstring zeb = archive("pw");
  for (bool deep : {false, true}) {
    auto result = compareArchive(zeb, tree_.path(L"photos"), passwordOf("pw"), deep, {});
    ASSERT_TRUE(result.hasValue()) << printable(result.failure().message);
    EXPECT_EQ(result->identical, 6u);
    EXPECT_TRUE(result->rows.empty());
    EXPECT_EQ(result->different + result->onlyInArchive + result->onlyInFolder, 0u);
  }
  auto wrong = compareArchive(zeb, tree_.path(L"photos"), passwordOf("nope"), false, {});
  ASSERT_TRUE(wrong.failed());
  EXPECT_EQ(wrong.failure().code, StatusCode::authentication_failed);
}

TEST_F(CompareArchiveTest, DeepProgressHashesBytesFirstThenCountsComparedFiles) {
  const std::wstring zeb = archive();
  changeFolder();
  std::vector<Progress> reports;
  auto result = compareArchive(zeb, tree_.path(L"photos"), {}, true, [&](const Progress& p) {
    reports.push_back(p);
    return true;
  });
  ASSERT_TRUE(result.hasValue());
  ASSERT_FALSE(reports.empty());
  size_t firstItems = 0;
  while (firstItems < reports.size() && reports[firstItems].itemsTotal == 0) ++firstItems;
  ASSERT_GT(firstItems, 0u);
  EXPECT_EQ(reports[firstItems - 1].bytesDone, reports[firstItems - 1].bytesTotal);
  // Five folder files have an archive counterpart; the two added ones report nothing.
  EXPECT_EQ(reports.size() - firstItems, 5u);
  EXPECT_EQ(reports.back().itemsDone, 5u);
  for (const Progress& p : reports) EXPECT_EQ(p.phase, Progress::Phase::Verifying);
}

TEST_F(CompareArchiveTest, FailuresAndCancellation) {
  const std::wstring zeb = archive();
  auto notFolder = compareArchive(zeb, tree_.path(L"photos/same"), {}, false, {});
  ASSERT_TRUE(notFolder.failed());
  EXPECT_EQ(notFolder.failure().code, StatusCode::invalid_argument);
  EXPECT_EQ(printable(notFolder.failure().message), "Not a folder: " + printable(tree_.path(L"photos/same")));

  struct Case {
    bool deep;
    const char* message;
  };
  for (const Case& c : {Case{false, "Comparison canceled"}, Case{true, "Hashing canceled"}}) {
    auto canceled = compareArchive(zeb, tree_.path(L"photos"), {}, c.deep, [](const Progress&) { return false; });
    ASSERT_TRUE(canceled.failed());
    EXPECT_EQ(canceled.failure().code, StatusCode::canceled);
    EXPECT_EQ(printable(canceled.failure().message), c.message);
  }
}

}  // namespace
}  // namespace tolzeb
