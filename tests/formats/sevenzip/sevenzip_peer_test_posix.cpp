// The 7z program as a peer, both ways: its archives read by ours, ours tested and extracted by it.
// Skipped without 7z.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/allocation_watch.h"
#include "support/peer_tools.h"
#include "codecs/velt/test_data.h"
#include "formats/sevenzip/sevenzip_read.h"
#include "formats/sevenzip/sevenzip_writer.h"

namespace tolzeb {
namespace {

using namespace peertools;
namespace fs = std::filesystem;

std::wstring wide(const fs::path& path) {
  const std::u16string units = path.u16string();
  return std::wstring(units.begin(), units.end());
}

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? char(c) : '?');
  return out;
}

// Every regular file below `root`, by its '/'-separated relative path, with its bytes.
std::map<std::string, Bytes> filesBelow(const fs::path& root) {
  std::map<std::string, Bytes> files;
  for (const auto& item : fs::recursive_directory_iterator(root))
    if (item.is_regular_file()) files[fs::relative(item.path(), root).generic_string()] = readFile(item.path());
  return files;
}

class SevenZipPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TOLZEB_REQUIRE_PEER("7z i", "The 7z program");
    const fs::path src = scratch_.path() / "src";
    fs::create_directories(src / "sub" / "deeper");
    fs::create_directories(src / "empty folder");
    writeFile(src / "text.txt", testdata::text(300000, 7));
    writeFile(src / "records.bin", testdata::records(70000, 8));
    writeFile(src / "random.bin", testdata::randomBytes(50000, 9));
    writeFile(src / "empty.txt", {});
    writeFile(src / "sub" / "deeper" / "tiny", {'x'});
    writeFile(src / "sub" / fs::path(u8"caf\u00e9 \u65e5\u672c.txt"), {'n', 'o', 'n', '-', 'a', 's', 'c', 'i', 'i'});
    fs::copy_file("/bin/ls", src / "sub" / "program");
  }

  // Makes an archive of src with the options and checks list, test and extract on it.
  void checkArchive(const std::string& options) {
    SCOPED_TRACE(options);
    const fs::path archive = scratch_.path() / "made.7z";
    fs::remove(archive);
    ASSERT_TRUE(run({"cd", quoted(scratch_.path()), "&& 7z a -bd -bso0", options, "made.7z src"}));

    Result<ArchiveListing> listing = listSevenZip(wide(archive));
    ASSERT_TRUE(listing.hasValue()) << narrow(listing.failure().message);
    std::map<std::wstring, bool> listed;
    for (const ListedEntry& entry : listing->entries) listed[entry.path] = entry.isDirectory;
    EXPECT_TRUE(listed.at(L"src/empty folder"));
    EXPECT_FALSE(listed.at(L"src/empty.txt"));
    EXPECT_FALSE(listed.at(L"src/sub/caf\u00e9 \u65e5\u672c.txt"));
    EXPECT_TRUE(listed.at(L"src/sub"));

    Result<ArchiveStats> tested = testSevenZip(wide(archive), {});
    ASSERT_TRUE(tested.hasValue()) << narrow(tested.failure().message);
    EXPECT_EQ(tested->files, 7u);

    const fs::path out = scratch_.path() / "out";
    fs::remove_all(out);
    Result<ArchiveStats> extracted = extractSevenZip(wide(archive), wide(out), {}, ExtractOptions{}, {});
    ASSERT_TRUE(extracted.hasValue()) << narrow(extracted.failure().message);
    EXPECT_TRUE(filesBelow(out / "src") == filesBelow(scratch_.path() / "src"));
    EXPECT_TRUE(fs::is_directory(out / "src" / "empty folder"));

    Result<EntryBytes> one = readSevenZipEntry(wide(archive), L"src/text.txt", 1u << 20, false);
    ASSERT_TRUE(one.hasValue()) << narrow(one.failure().message);
    EXPECT_TRUE(one->bytes == readFile(scratch_.path() / "src" / "text.txt"));
  }

  ScratchDirectory scratch_;
};

TEST_F(SevenZipPeerTest, EveryMethodAndHeaderFormReadsBack) {
  for (const char* options : {"", "-m0=LZMA", "-m0=Copy", "-mf=BCJ", "-mf=BCJ2", "-mf=Delta:4", "-m0=Deflate",
                              "-mhc=off", "-mhc=on -ms=off", "-m0=LZMA2 -mx=9 -ms=on -mf=off"})
    checkArchive(options);
}

// A BCJ2 folder (four coders, three of them LZMA) streams like a chain: its data never held whole.
TEST_F(SevenZipPeerTest, ABcj2FolderIsReadAsAStream) {
  const fs::path big = scratch_.path() / "code";
  fs::create_directories(big);
  // Calls and jumps every few bytes between stretches of zeros, so every stream of the filter is used.
  Bytes code;
  for (uint32_t i = 0; code.size() < (uint64_t(40) << 20); ++i) {
    const uint8_t call[] = {0xE8, uint8_t(i), uint8_t(i >> 8), 0, 0, 0x90, 0xE9, uint8_t(i >> 3), 0, 0, 0, 0x0F, 0x84,
                            uint8_t(i), 1, 0, 0};
    code.insert(code.end(), std::begin(call), std::end(call));
    if (i % 64 == 0) code.insert(code.end(), 4096, 0);
  }
  writeFile(big / "program.bin", code);
  ASSERT_TRUE(run({"cd", quoted(scratch_.path()), "&& 7z a -bd -bso0 -mx=1 -mf=BCJ2 bcj2.7z code"}));
  const std::wstring archive = wide(scratch_.path() / "bcj2.7z");
  const fs::path out = scratch_.path() / "bcj2-out";
  testing::AllocationWatch watch;
  Result<ArchiveStats> tested = testSevenZip(archive, {});
  ASSERT_TRUE(tested.hasValue()) << narrow(tested.failure().message);
  Result<ArchiveStats> extracted = extractSevenZip(archive, wide(out), {}, ExtractOptions{}, {});
  ASSERT_TRUE(extracted.hasValue()) << narrow(extracted.failure().message);
  EXPECT_LT(watch.largest(), code.size() / 4);
  EXPECT_TRUE(readFile(out / "code" / "program.bin") == code);
}

TEST_F(SevenZipPeerTest, OurArchivesTestAndExtractWithSevenZip) {
  // Small blocks give several folders, a Copy folder for the random file among them.
  for (uint64_t blockSize : {uint64_t(0), uint64_t(40000)})
    for (int level : {1, 9}) {
      SCOPED_TRACE(std::to_string(blockSize) + " " + std::to_string(level));
      const fs::path archive = scratch_.path() / "ours.7z";
      Result<ArchiveStats> made = createSevenZip({wide(scratch_.path() / "src")}, wide(archive), level, blockSize, {});
      ASSERT_TRUE(made.hasValue()) << narrow(made.failure().message);
      ASSERT_TRUE(run({"7z t -bd -bso0", quoted(archive)}));
      const fs::path out = scratch_.path() / "peer-out";
      fs::remove_all(out);
      ASSERT_TRUE(run({"7z x -bd -bso0", "-o" + quoted(out), quoted(archive)}));
      EXPECT_TRUE(filesBelow(out / "src") == filesBelow(scratch_.path() / "src"));
      EXPECT_TRUE(fs::is_directory(out / "src" / "empty folder"));
      EXPECT_TRUE(fs::is_regular_file(out / "src" / "empty.txt"));
    }
}

}  // namespace
}  // namespace tolzeb
