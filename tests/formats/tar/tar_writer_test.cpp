#include "formats/tar/tar_writer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "codecs/gzip.h"
#include "support/scratch_tree.h"
#include "formats/tar/tar_read.h"
#include "formats/tar/tar_ustar_header.h"

namespace tolzeb {
namespace {

using testing::printable;
using testing::ScratchTree;

std::string field(const UstarHeader& header, size_t offset, size_t width) {
  return std::string(reinterpret_cast<const char*>(header.data() + offset), width);
}

TEST(UstarHeaderTest, FolderAndFileHeaderFields) {
  Result<UstarHeader> folder = formatUstarHeader("dir/", '5', 0, 1700000000);
  ASSERT_TRUE(folder.hasValue());
  EXPECT_EQ(field(*folder, 0, 5), std::string("dir/\0", 5));
  EXPECT_EQ(field(*folder, 100, 8), std::string("0000755\0", 8));
  EXPECT_EQ(field(*folder, 108, 16), std::string("0000000\0"
                                                 "0000000\0",
                                                 16));
  EXPECT_EQ(field(*folder, 124, 12), std::string("00000000000\0", 12));
  EXPECT_EQ(field(*folder, 136, 12), std::string("14524770400\0", 12));
  EXPECT_EQ((*folder)[156], '5');
  EXPECT_EQ(field(*folder, 257, 8), std::string("ustar\0"
                                                "00",
                                                8));
  uint64_t sum = 0;
  for (size_t i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? ' ' : (*folder)[i];
  char expected[9];
  std::snprintf(expected, sizeof expected, "%06o", unsigned(sum));
  EXPECT_EQ(field(*folder, 148, 8), std::string(expected, 6) + std::string("\0 ", 2));

  Result<UstarHeader> file = formatUstarHeader("f", '0', 5, 0);
  ASSERT_TRUE(file.hasValue());
  EXPECT_EQ(field(*file, 100, 8), std::string("0000644\0", 8));
  EXPECT_EQ(field(*file, 124, 12), std::string("00000000005\0", 12));
}

TEST(UstarHeaderTest, LargeNumbersSwitchToBase256) {
  struct Case {
    uint64_t size;
    uint64_t mtime;
    std::string sizeField;
    std::string mtimeField;
  };
  const std::string base256Size("\x80\0\0\0\0\0\0\x02\0\0\0\0", 12);
  const std::string base256Time("\x80\0\0\0\0\0\0\x02\0\0\0\x05", 12);
  const std::vector<Case> cases = {
      {0x1FFFFFFFF, 0x1FFFFFFFF, std::string("77777777777\0", 12), std::string("77777777777\0", 12)},
      {0x200000000, 0x200000005, base256Size, base256Time},
  };
  for (const Case& c : cases) {
    Result<UstarHeader> header = formatUstarHeader("big", '0', c.size, c.mtime);
    ASSERT_TRUE(header.hasValue());
    EXPECT_EQ(field(*header, 124, 12), c.sizeField) << c.size;
    EXPECT_EQ(field(*header, 136, 12), c.mtimeField) << c.size;
  }
}

TEST(UstarHeaderTest, NameSplitOverPrefixAndName) {
  struct Case {
    const char* label;
    std::string name;
    bool fits;
    size_t prefixLength;
  };
  const std::string a100(100, 'a');
  const std::vector<Case> cases = {
      {"exactly 100 bytes", a100, true, 0},
      {"101 bytes split at the first slash that leaves at most 100", "p/" + std::string(99, 'n'), true, 1},
      {"rest after the slash too long", "p/" + a100 + "n", false, 0},
      {"prefix of 155", std::string(155, 'p') + "/" + a100, true, 155},
      {"prefix of 156", std::string(156, 'p') + "/" + std::string(99, 'n'), false, 0},
      {"257 bytes", std::string(156, 'p') + "/" + a100, false, 0},
      {"folder whose only usable slash is its last", std::string(120, 'd') + "/", false, 0},
      {"folder with an inner slash", std::string(60, 'd') + "/" + std::string(60, 'e') + "/", true, 60},
  };
  for (const Case& c : cases) {
    std::string prefix, namePart;
    ASSERT_EQ(splitUstarName(c.name, prefix, namePart), c.fits) << c.label;
    if (!c.fits) {
      Result<UstarHeader> refused = formatUstarHeader(c.name, '0', 0, 0);
      ASSERT_TRUE(refused.failed()) << c.label;
      EXPECT_EQ(refused.failure().code, StatusCode::invalid_argument);
      EXPECT_EQ(refused.failure().message, L"tar: name does not fit the ustar fields");
      continue;
    }
    EXPECT_EQ(prefix.size(), c.prefixLength) << c.label;
    EXPECT_FALSE(namePart.empty()) << c.label;
    EXPECT_EQ(prefix.empty() ? namePart : prefix + "/" + namePart, c.name) << c.label;
  }
}

TEST(UstarHeaderTest, TimesBefore1970AreWrittenAsZero) {
  EXPECT_EQ(ustarSecondsFromFileTime(0), 0u);
  EXPECT_EQ(ustarSecondsFromFileTime(116444736009999999), 0u);
  EXPECT_EQ(ustarSecondsFromFileTime(116444736010000000), 1u);
  EXPECT_EQ(ustarSecondsFromFileTime(1700000000ull * 10000000 + 116444736000000000 + 9999999), 1700000000u);
}

// A tree with names at the ustar boundaries, an empty folder, an empty file and non-ASCII names.
class TarWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.writeText(L"src/" + std::wstring(96, L'a'), "exactly 100 bytes as an archive path");
    tree_.writeText(L"src/" + std::wstring(50, L'b') + L"/" + std::wstring(46, L'c'), "101 bytes, split");
    tree_.writeText(L"src/" + std::wstring(100, L'd') + L"/" + std::wstring(100, L'e') + L"/f", "long link");
    tree_.makeDirectory(L"src/" + std::wstring(125, L'g'));  // only its trailing slash could split it
    tree_.makeDirectory(L"src/empty");
    tree_.writeText(L"src/zero", "");
    tree_.writeText(L"src/caf\u00E9/\u65E5\u672C.txt", "non-ASCII");
    tree_.writeFile(L"src/blob.bin", blob());
  }

  static Bytes blob() {
    Bytes bytes(70000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 31 + i / 7);
    return bytes;
  }

  ScratchTree tree_;
};

TEST_F(TarWriterTest, RoundTripsThroughTheReader) {
  for (const bool gzip : {false, true}) {
    const std::wstring archive = tree_.path(gzip ? L"out.tar.gz" : L"out.tar");
    std::vector<Progress> reports;
    Result<ArchiveStats> made = createTar({tree_.path(L"src")}, archive, gzip, 6, [&](const Progress& p) {
      reports.push_back(p);
      return true;
    });
    ASSERT_TRUE(made.hasValue()) << printable(made.failure().message);
    EXPECT_FALSE(tree_.exists(gzip ? L"out.tar.gz.partial" : L"out.tar.partial"));
    EXPECT_EQ(made->files, 6u);
    EXPECT_EQ(made->directories, 7u);
    EXPECT_EQ(made->entries, 13u);
    EXPECT_EQ(made->archiveBytes, tree_.read(gzip ? L"out.tar.gz" : L"out.tar").size());
    ASSERT_EQ(reports.size(), 14u);
    EXPECT_EQ(reports.front().phase, Progress::Phase::Encoding);
    EXPECT_EQ(reports.front().itemsTotal, 13u);
    EXPECT_EQ(reports.back().phase, Progress::Phase::Done);
    EXPECT_EQ(reports.back().bytesDone, made->inputBytes);

    bool isGzip = !gzip;
    Result<bool> probed = probeTar(archive, isGzip);
    ASSERT_TRUE(probed.hasValue() && *probed);
    EXPECT_EQ(isGzip, gzip);

    Result<ArchiveListing> listing = listTar(archive);
    ASSERT_TRUE(listing.hasValue()) << printable(listing.failure().message);
    ASSERT_EQ(listing->entries.size(), 13u);
    EXPECT_EQ(listing->entries[0].path, L"src");
    for (const ListedEntry& entry : listing->entries) {
      if (entry.isDirectory) continue;
      const Bytes expected = tree_.read(L"src" + entry.path.substr(3));
      EXPECT_EQ(entry.size, expected.size()) << printable(entry.path);
      Result<EntryBytes> read = readTarEntry(archive, entry.path, 1 << 20, false);
      ASSERT_TRUE(read.hasValue()) << printable(entry.path);
      EXPECT_EQ(read->bytes, expected) << printable(entry.path);
    }

    const std::wstring out = gzip ? L"xgz" : L"x";
    Result<ArchiveStats> extracted = extractTar(archive, tree_.path(out), {}, ExtractOptions{}, {});
    ASSERT_TRUE(extracted.hasValue()) << printable(extracted.failure().message);
    EXPECT_EQ(extracted->files, 6u);
    EXPECT_EQ(tree_.read(out + L"/src/blob.bin"), blob());
    EXPECT_TRUE(isDirectory(tree_.path(out + L"/src/" + std::wstring(125, L'g'))));
    EXPECT_TRUE(isDirectory(tree_.path(out + L"/src/empty")));
  }
}

TEST_F(TarWriterTest, OneEmptyFileIsThreeBlocks) {
  Result<ArchiveStats> made = createTar({tree_.path(L"src/zero")}, tree_.path(L"z.tar"), false, 0, {});
  ASSERT_TRUE(made.hasValue()) << printable(made.failure().message);
  EXPECT_EQ(made->archiveBytes, 512u + 1024u);
  const Bytes bytes = tree_.read(L"z.tar");
  ASSERT_EQ(bytes.size(), 1536u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), std::string("zero\0", 5));
  EXPECT_TRUE(std::all_of(bytes.begin() + 512, bytes.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(TarWriterTest, LongNamesUseALongLinkRecord) {
  Result<ArchiveStats> made = createTar({tree_.path(L"src")}, tree_.path(L"l.tar"), false, 0, {});
  ASSERT_TRUE(made.hasValue());
  const Bytes bytes = tree_.read(L"l.tar");
  const std::string text(bytes.begin(), bytes.end());
  size_t at = text.find("././@LongLink");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(at % 512, 0u);
  EXPECT_EQ(bytes[at + 156], 'L');
  const std::string folder = "src/" + std::string(125, 'g') + "/";
  const size_t folderData = text.find(folder + '\0');
  ASSERT_NE(folderData, std::string::npos);
  EXPECT_EQ(bytes[folderData - 512 + 156], 'L') << "the folder's name follows its own long-name record";
}

TEST_F(TarWriterTest, FailuresLeaveNoPartialAndKeepTheOldOutput) {
  tree_.writeText(L"old.tar", "previous");
  struct Case {
    const char* label;
    std::vector<std::wstring> sources;
    std::wstring output;
    bool cancel;
    StatusCode code;
    std::wstring message;
  };
  const std::vector<Case> cases = {
      {"no sources",
       {},
       tree_.path(L"old.tar"),
       false,
       StatusCode::invalid_argument,
       L"No source files or folders were given"},
      {"no output", {tree_.path(L"src")}, L"", false, StatusCode::invalid_argument, L"No output path was given"},
      {"canceled",
       {tree_.path(L"src")},
       tree_.path(L"old.tar"),
       true,
       StatusCode::canceled,
       L"Archive creation canceled"},
      {"duplicate names",
       {tree_.path(L"src/zero"), tree_.path(L"src/zero")},
       tree_.path(L"old.tar"),
       false,
       StatusCode::invalid_argument,
       L"Two sources map to the same archive path: zero"},
  };
  for (const Case& c : cases) {
    for (const bool gzip : {false, true}) {
      Result<ArchiveStats> made = createTar(c.sources, c.output, gzip, 1, [&](const Progress&) { return !c.cancel; });
      ASSERT_TRUE(made.failed()) << c.label;
      EXPECT_EQ(made.failure().code, c.code) << c.label;
      EXPECT_EQ(made.failure().message, c.message) << c.label;
      EXPECT_EQ(tree_.readText(L"old.tar"), "previous") << c.label;
      EXPECT_FALSE(tree_.exists(L"old.tar.partial")) << c.label;
    }
  }
  tree_.writeText(L"new.tar.partial", "leftover of an earlier run");
  ASSERT_TRUE(createTar({tree_.path(L"src/zero")}, tree_.path(L"new.tar"), false, 0, {}).hasValue());
  EXPECT_FALSE(tree_.exists(L"new.tar.partial"));
  EXPECT_EQ(tree_.read(L"new.tar").size(), 1536u);
}

}  // namespace
}  // namespace tolzeb
