#include "formats/archive_kind.h"

#include <gtest/gtest.h>

#include "engine/create/create_archive.h"
#include "support/scratch_tree.h"
#include "formats/sevenzip/sevenzip_writer.h"
#include "formats/tar/tar_writer.h"

namespace tolzeb {
namespace {

using testing::printable;
using testing::ScratchTree;

TEST(ArchiveKindTest, NamesAndZebFlag) {
  const struct {
    uint8_t value;
    const wchar_t* name;
  } cases[] = {{0, L"unknown"}, {1, L"TOLZEB"}, {2, L"ZIP"},    {3, L"TAR"},
               {4, L"TAR.GZ"},  {5, L"7Z"},     {6, L"unknown"}, {255, L"unknown"}};
  for (const auto& c : cases) {
    EXPECT_STREQ(archiveKindName(ArchiveKind(c.value)), c.name) << int(c.value);
    EXPECT_EQ(isZebKind(ArchiveKind(c.value)), c.value == 1) << int(c.value);
  }
}

class DetectTest : public ::testing::Test {
 protected:
  // A small ".zeb" under a name that says otherwise: detection reads bytes, never names.
  std::wstring makeZebNamed(const std::wstring& name) {
    tree.writeText(L"in/a.txt", "detect me");
    CompressionOptions options;
    options.verifyAfterWrite = false;
    Result<ArchiveStats> made = createArchive({tree.path(L"in")}, tree.path(name), options, {});
    EXPECT_TRUE(made.hasValue()) << printable(made.failure().message);
    return tree.path(name);
  }
  std::wstring makeTarNamed(const std::wstring& name, bool gzip) {
    tree.writeText(L"in/a.txt", "detect me");
    Result<ArchiveStats> made = createTar({tree.path(L"in")}, tree.path(name), gzip, 6, {});
    EXPECT_TRUE(made.hasValue()) << printable(made.failure().message);
    return tree.path(name);
  }
  std::wstring makeSevenZipNamed(const std::wstring& name) {
    tree.writeText(L"in/a.txt", "detect me");
    Result<ArchiveStats> made = createSevenZip({tree.path(L"in")}, tree.path(name), 1, 1 << 20, {});
    EXPECT_TRUE(made.hasValue()) << printable(made.failure().message);
    return tree.path(name);
  }
  ScratchTree tree;
};

TEST_F(DetectTest, KindComesFromTheFirstBytes) {
  tree.writeText(L"empty.zeb", "");
  tree.writeText(L"text.zip", "just some text that is no archive at all");
  // The end record of an empty zip archive, and nothing else.
  tree.writeFile(L"empty-zip.zeb", {0x50, 0x4B, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  const struct {
    std::wstring path;
    ArchiveKind expected;
  } cases[] = {
      {makeZebNamed(L"really-a-zeb.zip"), ArchiveKind::zeb},
      {tree.path(L"empty.zeb"), ArchiveKind::unknown},
      {tree.path(L"text.zip"), ArchiveKind::unknown},
      {tree.path(L"empty-zip.zeb"), ArchiveKind::zip},
      {makeTarNamed(L"tar.zeb", false), ArchiveKind::tar},
      {makeTarNamed(L"tgz.zip", true), ArchiveKind::tarGz},
      {makeSevenZipNamed(L"seven.tar"), ArchiveKind::sevenZip},
      {tree.path(L"missing.zeb"), ArchiveKind::unknown},
  };
  for (const auto& c : cases) {
    Result<ArchiveKind> kind = detectArchiveKind(c.path);
    ASSERT_TRUE(kind.hasValue()) << printable(c.path) << ": " << printable(kind.failure().message);
    EXPECT_EQ(kind.value(), c.expected) << printable(c.path);
  }
}

TEST_F(DetectTest, ZebRequestsReachTheEngine) {
  const std::wstring archive = makeZebNamed(L"a.zeb");
  Result<ArchiveListing> listing = listAnyArchive(archive, ArchiveKind::zeb, nullptr);
  ASSERT_TRUE(listing.hasValue()) << printable(listing.failure().message);
  ASSERT_EQ(listing->entries.size(), 2u);
  EXPECT_EQ(listing->entries[1].path, L"in/a.txt");

  Result<EntryBytes> entry = readAnyEntry(archive, ArchiveKind::zeb, L"in/a.txt", 4, true, nullptr);
  ASSERT_TRUE(entry.hasValue()) << printable(entry.failure().message);
  EXPECT_EQ(std::string(entry->bytes.begin(), entry->bytes.end()), "dete");
  EXPECT_TRUE(entry->truncated);

  ExtractOptions options;
  options.threads = 1;  // ignored: a ".zeb" is always tested with automatic threads
  EXPECT_TRUE(testAnyArchive(archive, ArchiveKind::zeb, options, {}).hasValue());
  Result<ArchiveStats> extracted =
      extractAnyArchive(archive, ArchiveKind::zeb, tree.path(L"out"), {}, ExtractOptions{}, {});
  ASSERT_TRUE(extracted.hasValue()) << printable(extracted.failure().message);
  EXPECT_EQ(tree.read(L"out/in/a.txt").size(), 9u);
}

TEST(DispatchTest, RefusalsAndUnknownKinds) {
  const std::wstring notAnArchive = L"This file is not an archive TOLZEB can read";
  const struct {
    Result<EntryBytes> result;
    StatusCode code;
    std::wstring message;
  } reads[] = {
      {readAnyEntry(L"x", ArchiveKind::unknown, L"", 0, false, nullptr), StatusCode::invalid_argument,
       L"No entry was named"},
      {readAnyEntry(L"x", ArchiveKind::zeb, L"e", 0, false, nullptr), StatusCode::invalid_argument,
       L"The byte ceiling must not be zero"},
      {readAnyEntry(L"x", ArchiveKind::unknown, L"e", 1, false, nullptr), StatusCode::unsupported_version,
       notAnArchive},
      {readAnyEntry(L"x", ArchiveKind(9), L"e", 1, false, nullptr), StatusCode::unsupported_version, notAnArchive},
  };
  for (const auto& c : reads) {
    ASSERT_TRUE(c.result.failed());
    EXPECT_EQ(c.result.failure().code, c.code);
    EXPECT_EQ(c.result.failure().message, c.message);
  }
  Result<ArchiveListing> listing = listAnyArchive(L"x", ArchiveKind::unknown, nullptr);
  ASSERT_TRUE(listing.failed());
  EXPECT_EQ(listing.failure().message, notAnArchive);
  Result<ArchiveStats> tested = testAnyArchive(L"x", ArchiveKind(200), ExtractOptions{}, {});
  ASSERT_TRUE(tested.failed());
  EXPECT_EQ(tested.failure().code, StatusCode::unsupported_version);
}

}  // namespace
}  // namespace tolzeb
