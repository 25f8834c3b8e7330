#include "formats/tar/tar_scan.h"

#include <gtest/gtest.h>

#include "support/scratch_tree.h"
#include "formats/tar/tar_fields.h"
#include "formats/tar/tar_test_stream.h"

namespace tolzeb {
namespace {

using testing::paxRecord;
using testing::printable;
using testing::TarHeader;
using testing::TarStream;

Result<TarScan> scan(const Bytes& stream) {
  TarArchive archive;
  archive.bytes = stream;
  return scanTarHeaders(archive);
}

struct Seen {
  std::wstring path;
  bool isDirectory;
  uint64_t size;
};

std::vector<Seen> seen(const TarScan& scanned) {
  std::vector<Seen> out;
  for (const TarEntry& e : scanned.entries) out.push_back({e.path, e.isDirectory, e.size});
  return out;
}

bool operator==(const Seen& a, const Seen& b) {
  return a.path == b.path && a.isDirectory == b.isDirectory && a.size == b.size;
}

void PrintTo(const Seen& s, std::ostream* os) {
  *os << printable(s.path) << (s.isDirectory ? "/" : "") << " " << s.size;
}

TEST(TarScanTest, NamesFromEveryHeaderForm) {
  const std::string longName = std::string(150, 'd') + "/" + std::string(120, 'f');
  const std::string pax = paxRecord("path", "pax/caf\xC3\xA9.txt") + paxRecord("mtime", "1600000000.5");
  struct Case {
    const char* label;
    Bytes stream;
    std::vector<Seen> expected;
  };
  const std::vector<Case> cases = {
      {"ustar prefix joins the name",
       TarStream().header(TarHeader("name.txt", '0', 2).prefix("some/prefix")).data("hi").end().bytes(),
       {{L"some/prefix/name.txt", false, 2}}},
      {"GNU magic: the prefix area is not a name",
       TarStream().header(TarHeader("name.txt", '0', 0).prefix("14452136547").gnuMagic()).end().bytes(),
       {{L"name.txt", false, 0}}},
      {"Version 7 header: no magic, prefix ignored",
       TarStream().header(TarHeader("old.txt", '\0', 1).prefix("junk").noMagic()).data("x").end().bytes(),
       {{L"old.txt", false, 1}}},
      {"GNU long name",
       TarStream().meta('L', longName + '\0').file(longName.substr(longName.size() - 100), "abc").end().bytes(),
       {{std::wstring(longName.begin(), longName.end()), false, 3}}},
      {"long name used up by a link that is skipped",
       TarStream().meta('L', longName).header(TarHeader("lnk", '2', 0)).file("next", "").end().bytes(),
       {{L"next", false, 0}}},
      {"pax path wins over a long name; K and g change nothing",
       TarStream()
           .meta('g', paxRecord("path", "global"))
           .meta('L', "long")
           .meta('K', "link")
           .meta('x', pax)
           .file("short", "12345")
           .end()
           .bytes(),
       {{L"pax/caf\u00E9.txt", false, 5}}},
      {"pax size covers data the header cannot state",
       TarStream()
           .meta('x', paxRecord("size", "600"))
           .header(TarHeader("big", '0', 0))
           .data(std::string(600, 'z'))
           .file("after", "a")
           .end()
           .bytes(),
       {{L"big", false, 600}, {L"after", false, 1}}},
      {"trailing slash makes a folder of size 0",
       TarStream().header(TarHeader("dir/", '0', 3)).data("abc").header(TarHeader("d2\\", '5', 0)).end().bytes(),
       {{L"dir", true, 0}, {L"d2", true, 0}}},
      {"archive root entries are dropped",
       TarStream()
           .header(TarHeader("./", '5', 0))
           .header(TarHeader(".", '5', 0))
           .header(TarHeader("//", '5', 0))
           .file("./a", "1")
           .end()
           .bytes(),
       {{L"a", false, 1}}},
      {"absolute names lose their leading slash",
       TarStream().file("/etc/x", "1").end().bytes(),
       {{L"etc/x", false, 1}}},
      {"later header replaces the earlier in place",
       TarStream().file("a", "1111").file("b", "2").file("a", "33").end().bytes(),
       {{L"a", false, 2}, {L"b", false, 1}}},
      {"links, devices and vendor types make no entry",
       TarStream()
           .header(TarHeader("hard", '1', 0))
           .header(TarHeader("sym", '2', 0))
           .header(TarHeader("chr", '3', 0))
           .file("sparse", "data", 'S')
           .file("kept", "k")
           .end()
           .bytes(),
       {{L"kept", false, 1}}},
      {"single zero block passed over",
       TarStream().file("a", "1").zeroBlocks(1).file("b", "2").end().bytes(),
       {{L"a", false, 1}, {L"b", false, 1}}},
      {"two zero blocks end the walk",
       TarStream().file("a", "1").end().header(Bytes(512, 0xFF)).bytes(),
       {{L"a", false, 1}}},
      {"no end marker and a short tail",
       [] {
         Bytes b = TarStream().file("a", "1").bytes();
         b.resize(b.size() + 300, 0xEE);
         return b;
       }(),
       {{L"a", false, 1}}},
      {"signed checksum",
       TarStream().header(TarHeader("caf\xC3\xA9", '0', 0).sealed(true)).end().bytes(),
       {{L"caf\u00E9", false, 0}}},
  };
  for (const Case& c : cases) {
    Result<TarScan> scanned = scan(c.stream);
    ASSERT_TRUE(scanned.hasValue()) << c.label << ": " << printable(scanned.failure().message);
    EXPECT_EQ(seen(*scanned), c.expected) << c.label;
  }
}

TEST(TarScanTest, TotalsOffsetsAndTimes) {
  const Bytes stream =
      TarStream()
          .header(TarHeader("old", '0', 1, 0)
                      .raw(136, Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}))
          .data("o")
          .meta('x', paxRecord("mtime", "1600000000.999"))
          .file("pax", "pp")
          .header(TarHeader("plain", '0', 3, 1700000000))
          .data("abc")
          .file("dup", "12345")
          .file("dup", "1")
          .end()
          .bytes();
  Result<TarScan> scanned = scan(stream);
  ASSERT_TRUE(scanned.hasValue()) << printable(scanned.failure().message);
  ASSERT_EQ(scanned->entries.size(), 4u);
  EXPECT_EQ(scanned->totalBytes, 1u + 2u + 3u + 1u);
  EXPECT_EQ(scanned->entries[0].modified, 0u) << "a time before 1970 is unknown";
  EXPECT_EQ(scanned->entries[1].modified, tarSecondsToFileTime(1600000000));
  EXPECT_EQ(scanned->entries[2].modified, tarSecondsToFileTime(1700000000));
  EXPECT_EQ(scanned->entries[0].dataOffset, 512u);
  EXPECT_EQ(scanned->entries[1].dataOffset, 512u * 5);
  EXPECT_EQ(scanned->entries[2].typeFlag, '0');
}

TEST(TarScanTest, MalformedStreamsFailWithTheirCode) {
  const auto withField = [](size_t offset, const Bytes& value) {
    return TarStream().header(TarHeader("f", '0', 0).raw(offset, value)).end().bytes();
  };
  Bytes badChecksum = TarStream().file("f", "x").end().bytes();
  badChecksum[0] = 'g';
  Bytes negativeSize(12, 0xFF);
  Bytes hugeSize(12, 0);
  hugeSize[0] = 0x80;
  hugeSize[4] = 0xFF;
  struct Case {
    const char* label;
    Bytes stream;
    StatusCode code;
    std::wstring message;
  };
  const std::vector<Case> cases = {
      {"checksum", badChecksum, StatusCode::corrupt_archive,
       L"tar header checksum mismatch; the archive is damaged or this is not a tar"},
      {"checksum field not octal",
       [] {
         Bytes b = TarStream().file("f", "").end().bytes();
         b[148] = '9';
         return b;
       }(),
       StatusCode::corrupt_archive, L"tar: non-octal digit in a numeric field"},
      {"size not octal", withField(124, {'1', '9', 0}), StatusCode::corrupt_archive,
       L"tar: non-octal digit in a numeric field"},
      {"mtime not octal", withField(136, {'x'}), StatusCode::corrupt_archive,
       L"tar: non-octal digit in a numeric field"},
      {"negative size", withField(124, negativeSize), StatusCode::corrupt_archive, L"tar: negative base-256 field"},
      {"size past the end", withField(124, hugeSize), StatusCode::corrupt_archive,
       L"tar entry declares more data than the archive holds"},
      {"size past 2^64 with padding",
       withField(124, Bytes{0x80, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
       StatusCode::corrupt_archive, L"tar entry declares more data than the archive holds"},
      {"truncated data",
       [] {
         Bytes b = TarStream().file("f", std::string(2000, 'x')).bytes();
         b.resize(1024);
         return b;
       }(),
       StatusCode::corrupt_archive, L"tar entry declares more data than the archive holds"},
      {"pax size past the end", TarStream().meta('x', paxRecord("size", "99999999")).file("f", "").end().bytes(),
       StatusCode::corrupt_archive, L"tar entry declares more data than the archive holds"},
      {"metadata above 1 MiB", TarStream().meta('L', std::string(0x100001, 'n')).file("f", "").end().bytes(),
       StatusCode::resource_limit, L"tar metadata record is implausibly large"},
      {"dot-dot", TarStream().file("../x", "1").end().bytes(), StatusCode::path_unsafe,
       L"tar entry has an unsafe path: ../x (Archive entry path contains a relative segment: ../x)"},
      {"long name escaping", TarStream().meta('L', "a/../../x").file("x", "1").end().bytes(), StatusCode::path_unsafe,
       L"tar entry has an unsafe path: a/../../x (Archive entry path contains a relative segment: a/../../x)"},
      {"pax drive letter", TarStream().meta('x', paxRecord("path", "C:x")).file("x", "1").end().bytes(),
       StatusCode::path_unsafe, L"tar entry has an unsafe path: C:x (Archive entry path carries a drive letter: C:x)"},
      {"device name", TarStream().file("dir/con.txt", "1").end().bytes(), StatusCode::path_unsafe,
       L"tar entry has an unsafe path: dir/con.txt (Archive entry path uses a reserved device name: dir/con.txt)"},
  };
  for (const Case& c : cases) {
    Result<TarScan> scanned = scan(c.stream);
    ASSERT_TRUE(scanned.failed()) << c.label;
    EXPECT_EQ(scanned.failure().code, c.code) << c.label;
    EXPECT_EQ(scanned.failure().message, c.message) << c.label << ": " << printable(scanned.failure().message);
  }
}

TEST(TarArchiveTest, ReadsOutsideTheStreamFail) {
  TarArchive archive;
  archive.bytes = Bytes(1024, 7);
  uint8_t buffer[16];
  EXPECT_TRUE(archive.read(1008, buffer, 16).ok());
  for (const uint64_t offset : {uint64_t(1009), UINT64_MAX - 4}) {
    const Status status = archive.read(offset, buffer, 16);
    ASSERT_TRUE(status.failed());
    EXPECT_EQ(status.code(), StatusCode::corrupt_archive);
    EXPECT_EQ(status.message(), L"tar: read past the end of the archive");
  }
}

}  // namespace
}  // namespace tolzeb
