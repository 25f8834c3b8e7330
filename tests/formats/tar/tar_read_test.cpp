#include "formats/tar/tar_read.h"

#include <gtest/gtest.h>

#include "codecs/gzip.h"
#include "support/scratch_tree.h"
#include "formats/tar/tar_test_stream.h"

namespace tolzeb {
namespace {

using testing::printable;
using testing::ScratchTree;
using testing::TarHeader;
using testing::TarStream;

Bytes gzipped(const Bytes& tar) { return *gzipCompress(tar.data(), tar.size(), 6); }

// A small archive: a folder, two files (one nested), a symbolic link and a hard link.
Bytes sampleTar() {
  return TarStream()
      .header(TarHeader("top/", '5', 0))
      .file("top/a.txt", "alpha")
      .file("top/sub/b.bin", std::string(1500, 'b'))
      .header(TarHeader("top/link", '2', 0).text(157, "/etc/passwd"))
      .header(TarHeader("top/hard", '1', 0).text(157, "top/a.txt"))
      .end()
      .bytes();
}

class TarReadTest : public ::testing::Test {
 protected:
  std::wstring put(const std::wstring& name, const Bytes& bytes) {
    tree_.writeFile(name, bytes);
    return tree_.path(name);
  }
  ScratchTree tree_;
};

TEST_F(TarReadTest, ProbeTellsTarAndTarGzFromOtherFiles) {
  const Bytes tar = sampleTar();
  Bytes v7 = TarStream().header(TarHeader("old", '0', 0).noMagic()).end().bytes();
  Bytes notTar(1024, 'x');
  struct Case {
    const char* label;
    Bytes bytes;
    bool isTar;
    bool isGzip;
  };
  // Empty stored blocks, valid DEFLATE that gzip accepts, push the first tar block far back.
  Bytes emptyBlocksFirst = gzipped(tar);
  Bytes emptyBlocks;
  for (int i = 0; i < 100000; ++i) emptyBlocks.insert(emptyBlocks.end(), {0x00, 0x00, 0x00, 0xFF, 0xFF});
  emptyBlocksFirst.insert(emptyBlocksFirst.begin() + 10, emptyBlocks.begin(), emptyBlocks.end());
  Bytes emptyMemberFirst = gzipped({});
  const Bytes tarMember = gzipped(tar);
  emptyMemberFirst.insert(emptyMemberFirst.end(), tarMember.begin(), tarMember.end());
  const std::vector<Case> cases = {
      {"tar", tar, true, false},
      {"tar.gz", gzipped(tar), true, true},
      {"tar.gz starting with 500 KB of empty blocks", emptyBlocksFirst, true, true},
      {"tar.gz starting with an empty member", emptyMemberFirst, true, true},
      {"Version 7 by checksum", v7, true, false},
      {"text", notTar, false, false},
      {"gzip of text", gzipped(notTar), false, true},
      {"gzip of a short tar", gzipped(Bytes(tar.begin(), tar.begin() + 300)), false, true},
      {"gzip signature only", Bytes{0x1F, 0x8B, 0x08}, false, true},
      {"two bytes", Bytes{0x1F, 0x8B}, false, false},
      {"short tar", Bytes(tar.begin(), tar.begin() + 511), false, false},
      {"empty", {}, false, false},
  };
  for (const Case& c : cases) {
    bool isGzip = !c.isGzip;
    Result<bool> probed = probeTar(put(L"probe", c.bytes), isGzip);
    ASSERT_TRUE(probed.hasValue()) << c.label;
    EXPECT_EQ(*probed, c.isTar) << c.label;
    EXPECT_EQ(isGzip, c.isGzip) << c.label;
  }
  bool isGzip = true;
  Result<bool> missing = probeTar(tree_.path(L"missing"), isGzip);
  ASSERT_TRUE(missing.failed());
  EXPECT_EQ(missing.failure().code, StatusCode::not_found);
}

TEST_F(TarReadTest, ListTestAndReadOnePlainAndGzipped) {
  for (const bool gzip : {false, true}) {
    const Bytes stream = gzip ? gzipped(sampleTar()) : sampleTar();
    const std::wstring path = put(gzip ? L"s.tar.gz" : L"s.tar", stream);

    Result<ArchiveListing> listing = listTar(path);
    ASSERT_TRUE(listing.hasValue()) << printable(listing.failure().message);
    ASSERT_EQ(listing->entries.size(), 3u) << "links make no entries";
    EXPECT_EQ(listing->entries[0].path, L"top");
    EXPECT_TRUE(listing->entries[0].isDirectory);
    EXPECT_EQ(listing->entries[2].path, L"top/sub/b.bin");
    EXPECT_EQ(listing->entries[2].size, 1500u);
    EXPECT_EQ(listing->entries[2].modified, 1700000000ull * 10000000 + 116444736000000000ull);
    EXPECT_EQ(listing->totalBytes, 1505u);
    EXPECT_EQ(listing->archiveBytes, stream.size()) << "the size on disk";
    EXPECT_EQ(listing->skippedLinks, 2u) << "counted, so that the listing can say so";
    EXPECT_EQ(listing->skippedSpecial, 0u);

    std::vector<Progress> reports;
    Result<ArchiveStats> tested = testTar(path, [&](const Progress& p) {
      reports.push_back(p);
      return true;
    });
    ASSERT_TRUE(tested.hasValue()) << printable(tested.failure().message);
    EXPECT_EQ(tested->entries, 3u);
    EXPECT_EQ(tested->files, 2u);
    EXPECT_EQ(tested->directories, 1u);
    EXPECT_EQ(tested->inputBytes, 1505u);
    EXPECT_EQ(tested->archiveBytes, sampleTar().size()) << "the tar stream's length";
    EXPECT_EQ(tested->skippedLinks, 2u);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports.back().phase, Progress::Phase::Verifying);
    EXPECT_EQ(reports.back().bytesDone, 1505u);
    EXPECT_EQ(reports.back().itemsTotal, 3u);

    Result<EntryBytes> whole = readTarEntry(path, L"top/a.txt", 100, false);
    ASSERT_TRUE(whole.hasValue());
    EXPECT_EQ(std::string(whole->bytes.begin(), whole->bytes.end()), "alpha");
    EXPECT_FALSE(whole->truncated);
    Result<EntryBytes> prefix = readTarEntry(path, L"top/sub/b.bin", 10, true);
    ASSERT_TRUE(prefix.hasValue());
    EXPECT_EQ(prefix->bytes, Bytes(10, 'b'));
    EXPECT_EQ(prefix->fullSize, 1500u);
    EXPECT_TRUE(prefix->truncated);
  }
}

TEST_F(TarReadTest, ReadOneEntryRefusals) {
  const std::wstring path = put(L"s.tar", sampleTar());
  struct Case {
    std::wstring name;
    uint64_t ceiling;
    StatusCode code;
    std::wstring message;
  };
  const std::vector<Case> cases = {
      {L"top/missing", 10, StatusCode::not_found, L"No such entry in this archive: top/missing"},
      {L"top/link", 10, StatusCode::not_found, L"No such entry in this archive: top/link"},
      {L"top", 10, StatusCode::invalid_argument, L"That entry is a directory, not a file: top"},
      {L"top/a.txt", 4, StatusCode::resource_limit, L"That entry is larger than this operation allows"},
  };
  for (const Case& c : cases) {
    Result<EntryBytes> read = readTarEntry(path, c.name, c.ceiling, false);
    ASSERT_TRUE(read.failed()) << printable(c.name);
    EXPECT_EQ(read.failure().code, c.code);
    EXPECT_EQ(read.failure().message, c.message);
  }
}

TEST_F(TarReadTest, TestCatchesDamagedDataOnlyThroughGzip) {
  Bytes tar = sampleTar();
  tar[512 * 2] ^= 0x55;  // first data byte of top/a.txt: headers stay sound
  EXPECT_TRUE(testTar(put(L"d.tar", tar), {}).hasValue());

  Bytes gz = gzipped(sampleTar());
  gz[gz.size() - 6] ^= 0x01;  // the stored CRC-32
  Result<ArchiveStats> tested = testTar(put(L"d.tar.gz", gz), {});
  ASSERT_TRUE(tested.failed());
  EXPECT_EQ(tested.failure().code, StatusCode::corrupt_archive);
  EXPECT_EQ(tested.failure().message, L"gzip stream failed its CRC-32 check");

  Result<ArchiveStats> canceled = testTar(put(L"c.tar", sampleTar()), [](const Progress&) { return false; });
  ASSERT_TRUE(canceled.failed());
  EXPECT_EQ(canceled.failure().code, StatusCode::canceled);
  EXPECT_EQ(canceled.failure().message, L"Check canceled");
}

// The header walk of a .tar.gz is also its decoding pass, yet the stream's own checks keep their
// rank: with the gzip CRC-32 spoiled too, every operation reports that, not what the damaged
// headers seemed to say, and extraction writes nothing.
TEST_F(TarReadTest, GzipChecksOutrankHeaderFaultsFoundOnTheWay) {
  Bytes badHeader = sampleTar();
  badHeader[512 * 3 + 10] ^= 0x55;  // the name of the second file's header
  Bytes cut = sampleTar();
  cut.resize(512 * 4 + 100);  // inside the second file's data
  const struct {
    const char* what;
    Bytes tar;
    const wchar_t* message;
  } cases[] = {
      {"header checksum", badHeader, L"tar header checksum mismatch; the archive is damaged or this is not a tar"},
      {"data past the end", cut, L"tar entry declares more data than the archive holds"},
  };
  for (const auto& c : cases) {
    for (const bool spoilCrc : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (spoilCrc ? ", CRC spoiled" : ""));
      Bytes gz = gzipped(c.tar);
      if (spoilCrc) gz[gz.size() - 6] ^= 0x01;
      const std::wstring path = put(L"d.tar.gz", gz);
      const std::wstring expected = spoilCrc ? L"gzip stream failed its CRC-32 check" : c.message;
      const std::vector<Status> results = {listTar(path).status(), testTar(path, {}).status(),
                                           extractTar(path, tree_.path(L"out"), {}, ExtractOptions{}, {}).status()};
      for (const Status& result : results) {
        ASSERT_TRUE(result.failed());
        EXPECT_EQ(result.code(), StatusCode::corrupt_archive);
        EXPECT_EQ(result.message(), expected);
      }
      EXPECT_FALSE(tree_.exists(L"out"));
    }
  }
}

TEST_F(TarReadTest, ExtractsTreeWithTimesAndWithoutLinks) {
  for (const bool gzip : {false, true}) {
    const std::wstring path = put(L"s.tar", gzip ? gzipped(sampleTar()) : sampleTar());
    const std::wstring out = tree_.path(gzip ? L"outgz" : L"out");
    std::vector<Progress> reports;
    Result<ArchiveStats> stats = extractTar(path, out, {}, ExtractOptions{}, [&](const Progress& p) {
      reports.push_back(p);
      return true;
    });
    ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
    EXPECT_EQ(stats->entries, 3u);
    EXPECT_EQ(stats->files, 2u);
    EXPECT_EQ(stats->directories, 1u);
    EXPECT_EQ(stats->inputBytes, 1505u);
    EXPECT_EQ(stats->archiveBytes, sampleTar().size());
    const std::wstring base = gzip ? L"outgz/top/" : L"out/top/";
    EXPECT_EQ(tree_.readText(base + L"a.txt"), "alpha");
    EXPECT_EQ(tree_.read(base + L"sub/b.bin"), Bytes(1500, 'b'));
    EXPECT_FALSE(tree_.exists(base + L"link"));
    EXPECT_FALSE(tree_.exists(base + L"hard"));
    EXPECT_EQ(stats->skippedLinks, 2u);
    EXPECT_EQ(stats->skippedSpecial, 0u);
    Result<FileInfo> info = statPath(tree_.path(base + L"a.txt"));
    ASSERT_TRUE(info.hasValue());
    EXPECT_EQ(info->modified, 1700000000ull * 10000000 + 116444736000000000ull);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].phase, Progress::Phase::Writing);
    EXPECT_EQ(reports[0].bytesTotal, 1505u);
    EXPECT_EQ(reports[2].phase, Progress::Phase::Done);
    EXPECT_EQ(reports[2].itemsDone, 2u);
  }
}

// Whatever the names say, every file lands below the destination; a link entry never becomes a
// link that a later entry could be written through.
TEST_F(TarReadTest, ExtractionStaysInsideTheDestination) {
  const Bytes tar = TarStream()
                        .file("/abs/file", "a")
                        .header(TarHeader("esc", '2', 0).text(157, "../../outside"))
                        .file("esc/through-link", "b")
                        .file("./dot/./file", "c")
                        .end()
                        .bytes();
  const std::wstring path = put(L"h.tar", tar);
  Result<ArchiveStats> stats = extractTar(path, tree_.path(L"dest"), {}, ExtractOptions{}, {});
  ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
  EXPECT_EQ(tree_.readText(L"dest/abs/file"), "a");
  EXPECT_EQ(tree_.readText(L"dest/esc/through-link"), "b");
  EXPECT_TRUE(isDirectory(tree_.path(L"dest/esc")));
  EXPECT_EQ(tree_.readText(L"dest/dot/file"), "c");
  EXPECT_FALSE(tree_.exists(L"outside"));

  Result<ArchiveStats> escape = extractTar(put(L"e.tar", TarStream().file("a/../../x", "x").end().bytes()),
                                           tree_.path(L"dest2"), {}, ExtractOptions{}, {});
  ASSERT_TRUE(escape.failed());
  EXPECT_EQ(escape.failure().code, StatusCode::path_unsafe);
  EXPECT_FALSE(tree_.exists(L"x"));
}

TEST_F(TarReadTest, OverwritePolicyBudgetSelectionAndCancel) {
  const std::wstring path = put(L"s.tar", sampleTar());
  const auto prepared = [&](const std::wstring& dest) {
    tree_.writeText(dest + L"/top/a.txt", "old");
    return tree_.path(dest);
  };
  ExtractOptions options;

  options.overwrite = OverwritePolicy::fail;
  Result<ArchiveStats> failed = extractTar(path, prepared(L"f"), {}, options, {});
  ASSERT_TRUE(failed.failed());
  EXPECT_EQ(failed.failure().code, StatusCode::already_exists);
  EXPECT_EQ(failed.failure().message,
            L"A file already exists and the policy is to stop: " + tree_.path(L"f/top/a.txt"));

  options.overwrite = OverwritePolicy::skip;
  Progress last;
  Result<ArchiveStats> skipped = extractTar(path, prepared(L"s"), {L"top/a.txt"}, options, [&](const Progress& p) {
    last = p;
    return true;
  });
  ASSERT_TRUE(skipped.hasValue());
  EXPECT_EQ(skipped->files, 0u);
  EXPECT_EQ(last.phase, Progress::Phase::Done);
  EXPECT_EQ(last.itemsDone, 1u);
  EXPECT_EQ(tree_.readText(L"s/top/a.txt"), "old");

  options.overwrite = OverwritePolicy::overwrite;
  ASSERT_TRUE(extractTar(path, prepared(L"o"), {}, options, {}).hasValue());
  EXPECT_EQ(tree_.readText(L"o/top/a.txt"), "alpha");

  struct Case {
    const char* label;
    std::vector<std::wstring> selection;
    uint64_t budget;
    bool cancel;
    std::wstring destination;
    StatusCode code;
    std::wstring message;
  };
  const std::vector<Case> cases = {
      {"budget",
       {},
       1504,
       false,
       tree_.path(L"b"),
       StatusCode::resource_limit,
       L"Extracted data exceeds the limit for this operation"},
      {"selection matches nothing",
       {L"top/A.TXT"},
       0,
       false,
       tree_.path(L"n"),
       StatusCode::not_found,
       L"None of the selected entries are in this archive"},
      {"canceled", {}, 0, true, tree_.path(L"c"), StatusCode::canceled, L"Extraction canceled"},
      {"no destination", {}, 0, false, L"", StatusCode::invalid_argument, L"No destination directory was given"},
  };
  for (const Case& c : cases) {
    ExtractOptions limited;
    limited.maxTotalBytes = c.budget;
    Result<ArchiveStats> result =
        extractTar(path, c.destination, c.selection, limited, [&](const Progress&) { return !c.cancel; });
    ASSERT_TRUE(result.failed()) << c.label;
    EXPECT_EQ(result.failure().code, c.code) << c.label;
    EXPECT_EQ(result.failure().message, c.message) << c.label;
  }
  ExtractOptions exact;
  exact.maxTotalBytes = 1505;
  EXPECT_TRUE(extractTar(path, tree_.path(L"exact"), {}, exact, {}).hasValue());
  Result<ArchiveStats> one = extractTar(path, tree_.path(L"one"), {L"top/sub/b.bin"}, ExtractOptions{}, {});
  ASSERT_TRUE(one.hasValue());
  EXPECT_EQ(one->files, 1u);
  EXPECT_FALSE(tree_.exists(L"one/top/a.txt"));
}

}  // namespace
}  // namespace tolzeb
