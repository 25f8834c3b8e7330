#include "formats/sevenzip/sevenzip_writer.h"

#include <gtest/gtest.h>

#include "codecs/velt/test_data.h"
#include "support/scratch_tree.h"
#include "formats/sevenzip/header_parser.h"
#include "formats/sevenzip/sevenzip_read.h"

namespace tolzeb {
namespace {

using testing::printable;
using testing::ScratchTree;

Result<ArchiveStats> create(const ScratchTree& tree, const std::vector<std::wstring>& relative,
                            const std::wstring& output, uint64_t blockSize = 0,
                            const std::function<bool(const Progress&)>& progress = {}) {
  std::vector<std::wstring> sources;
  for (const std::wstring& path : relative) sources.push_back(tree.path(path));
  return createSevenZip(sources, tree.path(output), 6, blockSize, progress);
}

TEST(SevenZipWriterTest, DictionaryBytes) {
  const struct {
    uint32_t size;
    uint8_t code;
  } cases[] = {{0, 0},         {4096, 0},       {4097, 1},      {6144, 1},       {1u << 20, 16},
               {1u << 21, 18}, {64u << 20, 28}, {3u << 30, 39}, {0xFFFFFFFF, 40}};
  for (const auto& c : cases) {
    Result<uint8_t> code = lzma2DictionaryByte(c.size);
    ASSERT_TRUE(code.hasValue()) << c.size;
    EXPECT_EQ(*code, c.code) << c.size;
  }
  Result<uint8_t> tooLarge = lzma2DictionaryByte((3u << 30) + 1);
  ASSERT_TRUE(tooLarge.failed());
  EXPECT_EQ(tooLarge.failure().code, StatusCode::general);
  EXPECT_EQ(tooLarge.failure().message, L"7z: dictionary size cannot be written");
}

TEST(SevenZipWriterTest, TreeRoundTripsThroughOurReader) {
  ScratchTree tree;
  const Bytes text = testdata::text(200000, 1);
  const Bytes random = testdata::randomBytes(30000, 2);
  tree.writeFile(L"in/docs/text.txt", text);
  tree.writeFile(L"in/random.bin", random);
  tree.writeFile(L"in/empty.txt", {});
  tree.makeDirectory(L"in/nothing here");
  tree.writeFile(L"in/\u65e5\u672c/\xD83D\xDE00.txt", {'s', 'm', 'i', 'l', 'e'});
  ASSERT_TRUE(setFileTimes(tree.path(L"in/random.bin"), 132000000000000000ull).ok());

  Result<ArchiveStats> made = create(tree, {L"in"}, L"out.7z");
  ASSERT_TRUE(made.hasValue()) << printable(made.failure().message);
  EXPECT_EQ(made->entries, 8u);
  EXPECT_EQ(made->directories, 4u);
  EXPECT_EQ(made->files, 4u);
  EXPECT_EQ(made->inputBytes, text.size() + random.size() + 5);
  EXPECT_EQ(made->archiveBytes, tree.read(L"out.7z").size());
  EXPECT_FALSE(tree.exists(L"out.7z.partial"));

  Result<ArchiveListing> listing = listSevenZip(tree.path(L"out.7z"));
  ASSERT_TRUE(listing.hasValue()) << printable(listing.failure().message);
  ASSERT_EQ(listing->entries.size(), 8u);
  for (const ListedEntry& entry : listing->entries) {
    EXPECT_EQ(entry.isDirectory, (entry.attributes & kAttributeDirectory) != 0) << printable(entry.path);
    if (entry.path == L"in/random.bin") {
      EXPECT_EQ(entry.modified, 132000000000000000ull);
    }
  }
  Result<ArchiveStats> tested = testSevenZip(tree.path(L"out.7z"), {});
  ASSERT_TRUE(tested.hasValue()) << printable(tested.failure().message);
  EXPECT_EQ(tested->files, 4u);

  Result<ArchiveStats> extracted = extractSevenZip(tree.path(L"out.7z"), tree.path(L"back"), {}, {}, {});
  ASSERT_TRUE(extracted.hasValue()) << printable(extracted.failure().message);
  EXPECT_EQ(tree.read(L"back/in/docs/text.txt"), text);
  EXPECT_EQ(tree.read(L"back/in/random.bin"), random);
  Result<FileInfo> restored = statPath(tree.path(L"back/in/random.bin"));
  ASSERT_TRUE(restored.hasValue());
  EXPECT_EQ(restored->modified, 132000000000000000ull);
  EXPECT_EQ(tree.readText(L"back/in/\u65e5\u672c/\xD83D\xDE00.txt"), "smile");
  EXPECT_TRUE(tree.exists(L"back/in/empty.txt"));
  EXPECT_TRUE(isDirectory(tree.path(L"back/in/nothing here")));
}

TEST(SevenZipWriterTest, FilesFormSolidBlocksOfWholeFiles) {
  ScratchTree tree;
  // Scaled down from 40, 30 and 10 MiB with 64 MiB blocks; random data stays stored.
  tree.writeFile(L"a", testdata::randomBytes(40000, 3));
  tree.writeFile(L"b", testdata::randomBytes(30000, 4));
  tree.writeFile(L"c", testdata::text(10000, 5));
  tree.writeFile(L"d", testdata::text(100000, 6));
  ASSERT_TRUE(create(tree, {L"a", L"b", L"c", L"d"}, L"x.7z", 64000).hasValue());
  Result<SevenZipArchive> archive = openSevenZip(tree.path(L"x.7z"), 0);
  ASSERT_TRUE(archive.hasValue()) << printable(archive.failure().message);
  const auto& folders = archive->streams.folders;
  ASSERT_EQ(folders.size(), 3u);
  EXPECT_EQ(folders[0].substreamCount, 1u);  // a alone: adding b would pass the block size
  EXPECT_EQ(folders[0].coders[0].methodId, 0u);
  EXPECT_EQ(archive->streams.packedSizes[0], 40000u);
  EXPECT_EQ(folders[1].substreamCount, 2u);  // b and c
  EXPECT_EQ(folders[2].substreamCount, 1u);  // d, larger than a block, alone
  EXPECT_EQ(folders[2].coders[0].methodId, 0x21u);
  EXPECT_TRUE(testSevenZip(tree.path(L"x.7z"), {}).hasValue());
}

TEST(SevenZipWriterTest, OnlyEmptyItemsNeedNoStreams) {
  ScratchTree tree;
  tree.makeDirectory(L"folder");
  tree.writeFile(L"folder/empty", {});
  ASSERT_TRUE(create(tree, {L"folder"}, L"e.7z").hasValue());
  const Bytes bytes = tree.read(L"e.7z");
  ASSERT_GT(bytes.size(), 34u);
  EXPECT_EQ(readU64le(&bytes[12]), 0u);  // no packed streams before the header
  EXPECT_EQ(bytes[32], 0x01);
  EXPECT_EQ(bytes[33], 0x05);  // FilesInfo straight away
  Result<ArchiveListing> listing = listSevenZip(tree.path(L"e.7z"));
  ASSERT_TRUE(listing.hasValue());
  ASSERT_EQ(listing->entries.size(), 2u);
  EXPECT_TRUE(listing->entries[0].isDirectory);
  EXPECT_FALSE(listing->entries[1].isDirectory);
}

TEST(SevenZipWriterTest, FailuresLeaveNoArchiveBehind) {
  ScratchTree tree;
  tree.writeText(L"f.txt", "some text");
  tree.writeText(L"old.7z", "the old target");
  tree.writeText(L"old.7z.partial", "left over");

  Result<ArchiveStats> canceled = create(tree, {L"f.txt"}, L"old.7z", 0, [](const Progress&) { return false; });
  ASSERT_TRUE(canceled.failed());
  EXPECT_EQ(canceled.failure().code, StatusCode::canceled);
  EXPECT_EQ(canceled.failure().message, L"Compression canceled");
  EXPECT_EQ(tree.readText(L"old.7z"), "the old target");
  EXPECT_FALSE(tree.exists(L"old.7z.partial"));

  Result<ArchiveStats> missing = create(tree, {L"no such file"}, L"old.7z");
  EXPECT_TRUE(missing.failed());
  EXPECT_EQ(tree.readText(L"old.7z"), "the old target");

  const struct {
    std::vector<std::wstring> sources;
    std::wstring output;
    const wchar_t* message;
  } arguments[] = {{{}, L"x.7z", L"No files or folders were given"}, {{L"f.txt"}, L"", L"No archive path was given"}};
  for (const auto& a : arguments) {
    Result<ArchiveStats> refused = createSevenZip(a.sources, a.output, 6, 0, {});
    ASSERT_TRUE(refused.failed());
    EXPECT_EQ(refused.failure().code, StatusCode::invalid_argument);
    EXPECT_EQ(refused.failure().message, a.message);
  }

  ASSERT_TRUE(create(tree, {L"f.txt"}, L"old.7z").hasValue());
  Result<EntryBytes> entry = readSevenZipEntry(tree.path(L"old.7z"), L"f.txt", 100, false);
  ASSERT_TRUE(entry.hasValue());
  EXPECT_EQ(std::string(entry->bytes.begin(), entry->bytes.end()), "some text");
}

}  // namespace
}  // namespace tolzeb
