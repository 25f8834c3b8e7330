// The reading operations on small hand-built archives: probe, extraction (paths, policy, limits,
// selection), listing, testing and reading one entry.
#include "formats/sevenzip/sevenzip_read.h"

#include <gtest/gtest.h>

#include "support/scratch_tree.h"
#include "formats/sevenzip/sevenzip_test_archive.h"

namespace tolzeb {
namespace {

using namespace sevenziptest;
using testing::printable;
using testing::ScratchTree;

Bytes storedArchive(const std::vector<std::pair<std::wstring, std::string>>& files) {
  Bytes packed;
  const Bytes header = storedFiles(files, packed);
  return sevenZipFile(packed, header);
}

class SevenZipReadTest : public ::testing::Test {
 protected:
  std::wstring archive(const Bytes& bytes) {
    tree_.writeFile(L"a.7z", bytes);
    return tree_.path(L"a.7z");
  }
  Result<ArchiveStats> extract(const Bytes& bytes, const ExtractOptions& options = {},
                               const std::vector<std::wstring>& selection = {}) {
    return extractSevenZip(archive(bytes), tree_.path(L"out"), selection, options, {});
  }
  ScratchTree tree_;
};

TEST_F(SevenZipReadTest, Probe) {
  tree_.writeFile(L"short", {0x37, 0x7A, 0xBC});
  EXPECT_FALSE(*probeSevenZip(tree_.path(L"short")));
  EXPECT_TRUE(*probeSevenZip(archive(storedArchive({}))));
  Result<bool> missing = probeSevenZip(tree_.path(L"missing"));
  ASSERT_TRUE(missing.failed());
  EXPECT_EQ(missing.failure().code, StatusCode::not_found);
}

TEST_F(SevenZipReadTest, ExtractionStaysInsideTheDestination) {
  for (const wchar_t* name : {L"../evil.txt", L"a/../../evil.txt", L"/abs.txt", L"C:/x.txt", L"a/b/\x0001.txt"}) {
    ExtractOptions overwrite;
    overwrite.overwrite = OverwritePolicy::overwrite;
    Result<ArchiveStats> result = extract(storedArchive({{L"fine.txt", "ok"}, {name, "bad"}}), overwrite);
    ASSERT_TRUE(result.failed()) << printable(name);
    EXPECT_EQ(result.failure().code, StatusCode::path_unsafe) << printable(name);
  }
  EXPECT_FALSE(tree_.exists(L"evil.txt"));
  EXPECT_FALSE(tree_.exists(L"abs.txt"));
}

TEST_F(SevenZipReadTest, OverwritePolicyAndLimits) {
  const Bytes bytes = storedArchive({{L"x.txt", "new content"}, {L"y.txt", "y"}});
  tree_.writeText(L"out/x.txt", "old");

  ExtractOptions fail;
  Result<ArchiveStats> stopped = extract(bytes, fail);
  ASSERT_TRUE(stopped.failed());
  EXPECT_EQ(stopped.failure().code, StatusCode::already_exists);
  EXPECT_EQ(stopped.failure().message, L"A file already exists and the policy is to stop: " + tree_.path(L"out/x.txt"));

  ExtractOptions skip;
  skip.overwrite = OverwritePolicy::skip;
  Result<ArchiveStats> skipped = extract(bytes, skip);
  ASSERT_TRUE(skipped.hasValue());
  EXPECT_EQ(skipped->files, 1u);
  EXPECT_EQ(tree_.readText(L"out/x.txt"), "old");
  Result<ArchiveStats> onlySkipped = extract(bytes, skip, {L"x.txt"});
  ASSERT_TRUE(onlySkipped.hasValue());
  EXPECT_EQ(onlySkipped->files, 0u);

  ExtractOptions overwrite;
  overwrite.overwrite = OverwritePolicy::overwrite;
  Result<ArchiveStats> replaced = extract(bytes, overwrite);
  ASSERT_TRUE(replaced.hasValue());
  EXPECT_EQ(tree_.readText(L"out/x.txt"), "new content");
  EXPECT_EQ(replaced->entries, 2u);
  EXPECT_EQ(replaced->inputBytes, 12u);

  ExtractOptions limited;
  limited.overwrite = OverwritePolicy::overwrite;
  limited.maxTotalBytes = 10;
  tree_.writeText(L"out/x.txt", "old");
  Result<ArchiveStats> tooMuch = extract(bytes, limited);
  ASSERT_TRUE(tooMuch.failed());
  EXPECT_EQ(tooMuch.failure().code, StatusCode::resource_limit);
  EXPECT_EQ(tooMuch.failure().message, L"Extraction would write more than the configured limit");
  EXPECT_EQ(tree_.readText(L"out/x.txt"), "old");

  ExtractOptions fewEntries;
  fewEntries.maxEntries = 1;
  Result<ArchiveStats> tooMany = extract(bytes, fewEntries);
  ASSERT_TRUE(tooMany.failed());
  EXPECT_EQ(tooMany.failure().message, L"7z: implausible count for files");

  Result<ArchiveStats> noDestination = extractSevenZip(archive(bytes), L"", {}, {}, {});
  ASSERT_TRUE(noDestination.failed());
  EXPECT_EQ(noDestination.failure().code, StatusCode::invalid_argument);
}

TEST_F(SevenZipReadTest, SelectionAndCancel) {
  // "d" is a data-less directory entry, "d/f" a file below it, "g" a stored file.
  Bytes packed;
  const Bytes header = plainHeader(cat({packAndUnpack({2, 1}, {simpleFolder(0), simpleFolder(0)}, {2, 1})}),
                                   filesInfo({L"d", L"d/f", L"g"}, property(0x0E, bits({true, false, false}))));
  const Bytes bytes = sevenZipFile({'h', 'i', '!'}, header);

  Result<ArchiveStats> onlyDirectory = extract(bytes, {}, {L"d"});
  ASSERT_TRUE(onlyDirectory.hasValue()) << printable(onlyDirectory.failure().message);
  EXPECT_EQ(onlyDirectory->directories, 1u);
  EXPECT_TRUE(isDirectory(tree_.path(L"out/d")));
  EXPECT_FALSE(tree_.exists(L"out/d/f"));

  Result<ArchiveStats> nothing = extract(bytes, {}, {L"D/F", L"zzz"});
  ASSERT_TRUE(nothing.failed());
  EXPECT_EQ(nothing.failure().code, StatusCode::not_found);
  EXPECT_EQ(nothing.failure().message, L"None of the selected entries are in this archive");

  std::vector<Progress> reports;
  Result<ArchiveStats> canceled =
      extractSevenZip(archive(bytes), tree_.path(L"cancel"), {}, {}, [&](const Progress& p) {
        reports.push_back(p);
        return false;
      });
  ASSERT_TRUE(canceled.failed());
  EXPECT_EQ(canceled.failure().code, StatusCode::canceled);
  EXPECT_EQ(canceled.failure().message, L"Extraction canceled");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].currentItem, L"d/f");
  EXPECT_EQ(reports[0].bytesTotal, 3u);
  EXPECT_EQ(reports[0].itemsTotal, 3u);
}

TEST_F(SevenZipReadTest, ChecksumsAndBounds) {
  Bytes bad = storedArchive({{L"x.txt", "hello"}});
  bad[32] ^= 0x20;  // the stored data, not the header
  for (auto operation : {0, 1, 2}) {
    const std::wstring path = archive(bad);
    Status status = operation == 0   ? extractSevenZip(path, tree_.path(L"out"), {}, {}, {}).status()
                    : operation == 1 ? testSevenZip(path, {}).status()
                                     : readSevenZipEntry(path, L"x.txt", 100, false).status();
    ASSERT_TRUE(status.failed());
    EXPECT_EQ(status.message(), L"Checksum mismatch in x.txt");
  }
  // A truncated read is not checked.
  Result<EntryBytes> prefix = readSevenZipEntry(archive(bad), L"x.txt", 2, true);
  ASSERT_TRUE(prefix.hasValue());

  // Substream sizes that pass the folder's data: the folder declares 5 bytes but decodes 3.
  const Bytes shortFolder =
      sevenZipFile({'a', 'b', 'c'}, plainHeader(cat({packAndUnpack({3}, {simpleFolder(0)}, {5})}), filesInfo({L"x"})));
  Result<ArchiveStats> tested = testSevenZip(archive(shortFolder), {});
  ASSERT_TRUE(tested.failed());
  EXPECT_EQ(tested.failure().message, L"7z: Copy coder sizes do not agree");
}

TEST_F(SevenZipReadTest, ListTestAndReadOneEntry) {
  // Two files without CRCs in one folder of 100 + 3 bytes, the second name used twice.
  const std::string hundred(100, 'h');
  const Bytes header = plainHeader(
      cat({packAndUnpack({103}, {simpleFolder(0)}, {103}), {0x08, 0x0D, 0x02, 0x09, 100, 0x00}}),
      filesInfo({L"big", L"dup", L"dup", L"dir"},
                cat({property(0x0E, bits({false, false, true, true})), property(0x0F, bits({true, false}))})));
  Bytes packed(hundred.begin(), hundred.end());
  packed.insert(packed.end(), {'d', 'u', 'p'});
  const std::wstring path = archive(sevenZipFile(packed, header));

  Result<ArchiveListing> listing = listSevenZip(path);
  ASSERT_TRUE(listing.hasValue()) << printable(listing.failure().message);
  ASSERT_EQ(listing->entries.size(), 4u);
  EXPECT_EQ(listing->totalBytes, 103u);
  EXPECT_EQ(listing->entries[1].path, L"dup");
  EXPECT_EQ(listing->entries[2].path, L"dup");
  EXPECT_TRUE(listing->entries[3].isDirectory);

  std::vector<Progress> reports;
  Result<ArchiveStats> tested = testSevenZip(path, [&](const Progress& p) {
    reports.push_back(p);
    return true;
  });
  ASSERT_TRUE(tested.hasValue()) << printable(tested.failure().message);
  EXPECT_EQ(tested->files, 3u);
  EXPECT_EQ(tested->directories, 1u);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().currentItem, L"3 entries carry no checksum and were only decoded");

  const struct {
    const wchar_t* name;
    uint64_t ceiling;
    bool prefix;
    size_t bytes;
    bool truncated;
    StatusCode code;  // general: success expected
  } reads[] = {
      {L"big", 10, true, 10, true, StatusCode::general},
      {L"big", 100, false, 100, false, StatusCode::general},
      {L"big", 10, false, 0, false, StatusCode::resource_limit},
      {L"dup", 10, false, 0, false, StatusCode::general},  // the later entry: empty
      {L"dir", 10, false, 0, false, StatusCode::invalid_argument},
      {L"nope", 10, false, 0, false, StatusCode::not_found},
  };
  for (const auto& r : reads) {
    Result<EntryBytes> entry = readSevenZipEntry(path, r.name, r.ceiling, r.prefix);
    if (r.code != StatusCode::general) {
      ASSERT_TRUE(entry.failed()) << printable(r.name);
      EXPECT_EQ(entry.failure().code, r.code) << printable(r.name);
      continue;
    }
    ASSERT_TRUE(entry.hasValue()) << printable(r.name);
    EXPECT_EQ(entry->bytes.size(), r.bytes) << printable(r.name);
    EXPECT_EQ(entry->truncated, r.truncated) << printable(r.name);
  }

  Result<ArchiveListing> empty = listSevenZip(archive(storedArchive({})));
  ASSERT_TRUE(empty.hasValue());
  EXPECT_EQ(empty->totalBytes, 0u);
  EXPECT_EQ(empty->archiveBytes, tree_.read(L"a.7z").size());
}

}  // namespace
}  // namespace tolzeb
