#include <gtest/gtest.h>

#include <functional>

#include "formats/zip/zip.h"
#include "formats/zip/zip_platform.h"
#include "zip_fixture.h"

namespace tolzeb {
namespace {

using testing::buildZip;
using testing::FixtureEntry;
using testing::FixtureLayout;
using testing::fileEntry;
using testing::printable;
using testing::put16;
using testing::put32;
using testing::ScratchTree;

FixtureEntry directoryEntry(std::string name, uint32_t attributes = 0) {
  FixtureEntry entry;
  entry.name = std::move(name);
  entry.externalAttributes = attributes;
  return entry;
}

FixtureEntry entryWithExtra(std::string name, Bytes extra) {
  FixtureEntry entry = fileEntry(std::move(name), "data");
  entry.centralExtra = std::move(extra);
  return entry;
}

Bytes zip64Block(std::initializer_list<uint64_t> values) {
  Bytes block;
  appendU16le(block, kZip64ExtraId);
  appendU16le(block, uint16_t(8 * values.size()));
  for (uint64_t value : values) appendU64le(block, value);
  return block;
}

// Inserts a ZIP64 end record and its locator between the central directory and the end record,
// and escapes the end record's fields so that the ZIP64 values rule.
Bytes withZip64EndRecord(Bytes zip, const FixtureLayout& layout, uint64_t entryCount, uint64_t recordOffsetOverride = 0) {
  const uint64_t recordOffset = layout.endRecordOffset;
  const uint64_t directorySize = layout.endRecordOffset - layout.directoryOffset;
  Bytes records;
  appendU32le(records, kZip64EndRecordSignature);
  appendU64le(records, 44);
  appendU16le(records, 45);
  appendU16le(records, 45);
  appendU32le(records, 0);
  appendU32le(records, 0);
  appendU64le(records, entryCount);
  appendU64le(records, entryCount);
  appendU64le(records, directorySize);
  appendU64le(records, layout.directoryOffset);
  appendU32le(records, kZip64LocatorSignature);
  appendU32le(records, 0);
  appendU64le(records, recordOffsetOverride ? recordOffsetOverride : recordOffset);
  appendU32le(records, 1);
  zip.insert(zip.begin() + std::ptrdiff_t(layout.endRecordOffset), records.begin(), records.end());
  const uint64_t end = layout.endRecordOffset + records.size();
  put16(zip, end + 8, 0xFFFF);
  put16(zip, end + 10, 0xFFFF);
  put32(zip, end + 12, 0xFFFFFFFF);
  put32(zip, end + 16, 0xFFFFFFFF);
  return zip;
}

class ZipOpenTest : public ::testing::Test {
 protected:
  std::wstring write(const Bytes& bytes) {
    const std::wstring name = L"case" + decimal(uint64_t(counter_++)) + L".zip";
    tree_.writeFile(name, bytes);
    return tree_.path(name);
  }
  Result<ZipArchive> open(const Bytes& bytes, uint64_t limit = 0) { return openZip(write(bytes), limit); }

  ScratchTree tree_;
  int counter_ = 0;
};

TEST_F(ZipOpenTest, RefusesEachMalformationWithItsOwnWords) {
  FixtureLayout layout;
  const Bytes base = buildZip({fileEntry("a.txt", "hello"), directoryEntry("dir/"), fileEntry("b.bin", "bbbbbbbb", true)},
                              "", &layout);
  const FixtureLayout baseLayout = layout;  // `layout` is reused by the cases that build their own
  const uint64_t end = layout.endRecordOffset;
  const uint64_t record0 = layout.centralOffsets[0];
  const uint64_t record1 = layout.centralOffsets[1];
  const uint64_t firstLocal = layout.localOffsets[0];
  const uint64_t secondLocal = layout.localOffsets[1];
  const uint64_t record2 = layout.centralOffsets[2];
  const auto overflowExtra = zip64Block({0x8000000000000000ull});

  struct Case {
    const char* name;
    std::function<Bytes()> make;
    StatusCode code;
    std::wstring message;
    uint64_t limit = 0;
  };
  const Case cases[] = {
      {"21 bytes", [] { return Bytes(21, 0); }, StatusCode::corrupt_archive, L"File is too small to be a .zip archive"},
      {"no end record", [] { return Bytes(64, 0); }, StatusCode::corrupt_archive,
       L"No ZIP end-of-central-directory record; the file is not a .zip or is truncated"},
      {"comment length past the end",
       [&] { Bytes z = base; put16(z, end + 20, 1); return z; }, StatusCode::corrupt_archive,
       L"No ZIP end-of-central-directory record; the file is not a .zip or is truncated"},
      {"a byte after the end record",
       [&] { Bytes z = base; z.push_back(0); return z; }, StatusCode::corrupt_archive,
       L"No ZIP end-of-central-directory record; the file is not a .zip or is truncated"},
      {"ZIP64 locator points past the file",
       [&] { return withZip64EndRecord(base, baseLayout, 3, 1u << 30); }, StatusCode::corrupt_archive,
       L"ZIP64 record lies outside the file"},
      {"ZIP64 locator points at a local header",
       [&] { return withZip64EndRecord(base, baseLayout, 3, secondLocal); }, StatusCode::corrupt_archive,
       L"ZIP64 record is missing or damaged"},
      {"second disk", [&] { Bytes z = base; put16(z, end + 4, 1); return z; }, StatusCode::unsupported_version,
       L"This archive is split across several disks, which TOLZEB cannot read"},
      {"directory on another disk", [&] { Bytes z = base; put16(z, end + 6, 2); return z; },
       StatusCode::unsupported_version, L"This archive is split across several disks, which TOLZEB cannot read"},
      {"more entries than the caller's limit", [&] { return base; }, StatusCode::resource_limit,
       L"Archive declares 3 entries, more than this build will read", 2},
      {"ZIP64 count above the fixed limit", [&] { return withZip64EndRecord(base, baseLayout, 2000001); },
       StatusCode::resource_limit, L"Archive declares 2000001 entries, more than this build will read"},
      {"ZIP64 count of two million over a tiny directory", [&] { return withZip64EndRecord(base, baseLayout, 2000000); },
       StatusCode::corrupt_archive, L"ZIP central directory ends in the middle of a record"},
      {"directory above 256 MiB", [&] { Bytes z = base; put32(z, end + 12, 0x10000001); return z; },
       StatusCode::resource_limit, L"ZIP central directory is implausibly large"},
      {"directory past the end", [&] { Bytes z = base; put32(z, end + 16, uint32_t(end)); return z; },
       StatusCode::corrupt_archive, L"ZIP central directory lies outside the file"},
      {"more entries than records", [&] { Bytes z = base; put16(z, end + 10, 4); return z; },
       StatusCode::corrupt_archive, L"ZIP central directory ends in the middle of a record"},
      {"0xFFFF entries without a locator walk that many records",
       [&] { Bytes z = base; put16(z, end + 10, 0xFFFF); return z; }, StatusCode::corrupt_archive,
       L"ZIP central directory ends in the middle of a record"},
      {"record signature", [&] { Bytes z = base; put32(z, record1, 0x02014b51); return z; },
       StatusCode::corrupt_archive, L"ZIP central directory record 1 has the wrong signature"},
      {"name past the directory", [&] { Bytes z = base; put16(z, record2 + 28, 200); return z; },
       StatusCode::corrupt_archive, L"ZIP record 2 declares more data than the directory holds"},
      {"escaped size without ZIP64 extra", [&] { Bytes z = base; put32(z, record1 + 20, 0xFFFFFFFF); return z; },
       StatusCode::corrupt_archive, L"ZIP entry needs a ZIP64 extra field but does not have one"},
      {"escaped offset with only another extra block",
       [&] {
         Bytes z = buildZip({entryWithExtra("x", {0x55, 0x54, 0x01, 0x00, 0x00})}, "", &layout);
         put32(z, layout.centralOffsets[0] + 42, 0xFFFFFFFF);
         return z;
       },
       StatusCode::corrupt_archive, L"ZIP entry needs a ZIP64 extra field but does not have one"},
      {"ZIP64 block lacks a needed value",
       [&] {
         Bytes z = buildZip({entryWithExtra("x", zip64Block({4}))}, "", &layout);
         put32(z, layout.centralOffsets[0] + 20, 0xFFFFFFFF);
         put32(z, layout.centralOffsets[0] + 24, 0xFFFFFFFF);
         return z;
       },
       StatusCode::corrupt_archive, L"ZIP64 extra field is too short"},
      {"extra block longer than the field",
       [] { return buildZip({entryWithExtra("x", {0x99, 0x99, 0x10, 0x00, 0x00, 0x00})}); },
       StatusCode::corrupt_archive, L"ZIP extra field runs past the record"},
      {"name of 32769 bytes", [] { return buildZip({fileEntry(std::string(32769, 'n'), "")}); },
       StatusCode::corrupt_archive, L"ZIP entry name is implausibly long"},
      {"flagged UTF-8 that is not", [] { return buildZip({fileEntry("caf\xE9", "")}); }, StatusCode::corrupt_archive,
       L"ZIP entry name claims UTF-8 but is not valid UTF-8"},
      {"name of a single slash", [] { return buildZip({fileEntry("/", "")}); }, StatusCode::path_unsafe,
       L"ZIP record 0 has an empty name"},
      {"same path with and without a slash", [] { return buildZip({directoryEntry("d/"), fileEntry("d", "")}); },
       StatusCode::corrupt_archive, L"ZIP lists the same path twice: d"},
      {"sizes whose sum overflows",
       [&] {
         Bytes z = buildZip({entryWithExtra("x", overflowExtra), entryWithExtra("y", overflowExtra)}, "", &layout);
         for (uint64_t record : layout.centralOffsets) put32(z, record + 24, 0xFFFFFFFF);
         return z;
       },
       StatusCode::resource_limit, L"ZIP total uncompressed size overflows 64 bits"},
      {"two records share one local entry",
       [&] { Bytes z = base; put32(z, record2 + 42, uint32_t(firstLocal)); return z; },
       StatusCode::corrupt_archive, L"ZIP entries overlap: b.bin"},
      {"data reaching into the next entry",
       [&] { Bytes z = base; put32(z, record0 + 20, 11); put32(z, record0 + 24, 11);
             return z; },
       StatusCode::corrupt_archive, L"ZIP entries overlap: dir"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = open(c.make(), c.limit);
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.failure().code, c.code);
    EXPECT_EQ(result.failure().message, c.message);
  }
}

TEST_F(ZipOpenTest, UnsafeNamesAreRefusedWithTheReason) {
  FixtureEntry nul = fileEntry(std::string("a\0b", 3), "");
  nul.flags = 0;  // code page 437 keeps the NUL for the path rules to refuse
  const std::vector<std::pair<FixtureEntry, std::wstring>> cases = {
      {fileEntry("../evil", ""), L"../evil"},
      {fileEntry("a/../../evil", ""), L"a/../../evil"},
      {fileEntry("C:/Windows/evil", ""), L"C:/Windows/evil"},
      {nul, std::wstring(L"a\0b", 3)},
  };
  for (const auto& [entry, shown] : cases) {
    SCOPED_TRACE(printable(shown));
    auto result = open(buildZip({entry}));
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.failure().code, StatusCode::path_unsafe);
    const std::wstring prefix = L"ZIP entry has an unsafe path: " + shown + L" (";
    EXPECT_EQ(result.failure().message.rfind(prefix, 0), 0u) << printable(result.failure().message);
    EXPECT_EQ(result.failure().message.back(), L')');
  }
}

TEST_F(ZipOpenTest, NamesBecomeNormalisedPaths) {
  FixtureEntry legacy = fileEntry("r\x82sum\x82.txt", "");  // code page 437: "résumé.txt"
  legacy.flags = 0;
  auto result = open(buildZip({directoryEntry("with-slash/"), directoryEntry("with-attribute", 0x10),
                               fileEntry("a\\b.txt", "x"), fileEntry("./", ""), fileEntry("./c.txt", "cc"),
                               fileEntry("caf\xC3\xA9.txt", "utf"), legacy, fileEntry("/abs/olute", ""), fileEntry(std::string(32768, 'n'), "")}));
  ASSERT_TRUE(result.hasValue()) << printable(result.failure().message);
  struct Expected {
    std::wstring path;
    bool isDirectory;
  };
  const std::vector<Expected> expected = {
      {L"with-slash", true},       {L"with-attribute", true},         {L"a/b.txt", false},
      {L"c.txt", false},           {L"caf\u00E9.txt", false},         {L"r\u00E9sum\u00E9.txt", false}, {L"abs/olute", false},
      {std::wstring(32768, L'n'), false},
  };
  ASSERT_EQ(result->entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(result->entries[i].path, expected[i].path) << i;
    EXPECT_EQ(result->entries[i].isDirectory, expected[i].isDirectory) << i;
  }
  EXPECT_EQ(result->totalUncompressed, 1u + 2u + 3u);
}

TEST_F(ZipOpenTest, EndRecordSearchAndZip64Records) {
  FixtureLayout layout;
  const std::vector<FixtureEntry> entries = {fileEntry("a.txt", "hello"), fileEntry("b.txt", "world!", true)};
  struct Case {
    const char* name;
    Bytes zip;
  };
  const Bytes plain = buildZip(entries, "", &layout);
  const Case cases[] = {
      {"plain", plain},
      {"comment holding the end signature", buildZip(entries, std::string("xPK\x05\x06", 5) + std::string(40, 'c'))},
      {"ZIP64 end record and locator", withZip64EndRecord(plain, layout, 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = open(c.zip);
    ASSERT_TRUE(result.hasValue()) << printable(result.failure().message);
    ASSERT_EQ(result->entries.size(), 2u);
    EXPECT_EQ(result->entries[1].path, L"b.txt");
    EXPECT_EQ(result->entries[1].method, kZipMethodDeflate);
    EXPECT_EQ(result->fileLength, c.zip.size());
    EXPECT_EQ(result->totalUncompressed, 11u);
  }

  // A ZIP64 extra supplies exactly the escaped values, in their fixed order.
  Bytes wide = buildZip({entryWithExtra("x", zip64Block({0x123456789ull, 0x0ull + 4}))}, "", &layout);
  put32(wide, layout.centralOffsets[0] + 24, 0xFFFFFFFF);
  put32(wide, layout.centralOffsets[0] + 42, 0xFFFFFFFF);
  auto opened = open(wide);
  ASSERT_TRUE(opened.hasValue()) << printable(opened.failure().message);
  EXPECT_EQ(opened->entries[0].uncompressedSize, 0x123456789ull);
  EXPECT_EQ(opened->entries[0].localHeaderOffset, 4u);
  EXPECT_EQ(opened->entries[0].compressedSize, 4u);
}

TEST_F(ZipOpenTest, EmptyArchiveProbesListsAndTests) {
  const Bytes empty = buildZip({});
  ASSERT_EQ(empty.size(), 22u);
  const std::wstring path = write(empty);
  auto listing = listZip(path);
  ASSERT_TRUE(listing.hasValue());
  EXPECT_TRUE(listing->entries.empty());
  EXPECT_EQ(listing->archiveBytes, 22u);
  auto stats = testZip(path, {});
  ASSERT_TRUE(stats.hasValue());
  EXPECT_EQ(stats->entries, 0u);

  struct Case {
    const char* name;
    Bytes bytes;
    bool expected;
  };
  const Case cases[] = {
      {"empty archive", empty, true},
      {"local header first", buildZip({fileEntry("a", "1")}), true},
      {"three bytes", Bytes{'P', 'K', 3}, false},
      {"other data", Bytes{'7', 'z', 0xBC, 0xAF, 0x27, 0x1C}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto probed = probeZip(write(c.bytes));
    ASSERT_TRUE(probed.hasValue());
    EXPECT_EQ(probed.value(), c.expected);
  }
  auto missing = probeZip(tree_.path(L"absent.zip"));
  ASSERT_TRUE(missing.failed());
  EXPECT_EQ(missing.failure().code, StatusCode::not_found);
}

TEST_F(ZipOpenTest, ListingShowsSizesAndTimes) {
  FixtureEntry badDate = fileEntry("bad-date.txt", "abc");
  badDate.dosDate = 0x5A00;  // day 0
  auto listing = listZip(write(buildZip({fileEntry("good.txt", "12345", true), badDate, directoryEntry("d/")})));
  ASSERT_TRUE(listing.hasValue());
  ASSERT_EQ(listing->entries.size(), 3u);
  EXPECT_EQ(listing->totalBytes, 8u);
  EXPECT_EQ(listing->entries[0].size, 5u);
  EXPECT_NE(listing->entries[0].modified, 0u);
  EXPECT_EQ(listing->entries[1].modified, 0u);
  EXPECT_TRUE(listing->entries[2].isDirectory);
  EXPECT_EQ(listing->entries[2].size, 0u);
  // The local-time conversion is its own inverse, whatever the machine's time zone.
  const auto back = utcToLocalDosTime(listing->entries[0].modified);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->date, 0x5A21);
  EXPECT_EQ(back->time, 0x6000);
}

TEST(ZipTimeTest, ImpossibleDosFieldsGiveNoTime) {
  struct Case {
    const char* name;
    uint16_t date;
    uint16_t time;
    bool valid;
  };
  const Case cases[] = {
      {"2025-01-01 12:00", 0x5A21, 0x6000, true},   {"2024-02-29", 0x5859, 0, true},
      {"2025-02-29", 0x5A5D, 0, false},             {"month 0", 0x5A01, 0, false},
      {"month 13", 0x5BA1, 0, false},               {"day 0", 0x5A20, 0, false},
      {"hour 24", 0x5A21, 24 << 11, false},         {"minute 60", 0x5A21, 60 << 5, false},
      {"second 60", 0x5A21, 30, false},             {"1980-01-01 00:00", 0x0021, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(dosTimeToFileTime(c.date, c.time) != 0, c.valid);
  }
}

TEST(ZipNameTest, CodePage437MapsEveryByte) {
  Bytes all(256);
  for (int i = 0; i < 256; ++i) all[size_t(i)] = uint8_t(i);
  auto decoded = decodeZipName(all.data(), all.size(), false);
  ASSERT_TRUE(decoded.hasValue());
  ASSERT_EQ(decoded->size(), 256u);
  for (int i = 0; i < 0x80; ++i) EXPECT_EQ((*decoded)[size_t(i)], wchar_t(i)) << i;
  // Spot checks across the upper half: letters, symbols, box drawing, Greek, the last byte.
  const std::vector<std::pair<int, wchar_t>> upper = {
      {0x80, 0x00C7}, {0x81, 0x00FC}, {0x9B, 0x00A2}, {0x9E, 0x20A7}, {0x9F, 0x0192}, {0xA9, 0x2310},
      {0xB0, 0x2591}, {0xC5, 0x253C}, {0xDB, 0x2588}, {0xE0, 0x03B1}, {0xE1, 0x00DF}, {0xE6, 0x00B5},
      {0xEC, 0x221E}, {0xF9, 0x2219}, {0xFA, 0x00B7}, {0xFE, 0x25A0}, {0xFF, 0x00A0},
  };
  for (const auto& [byte, unit] : upper) EXPECT_EQ((*decoded)[size_t(byte)], unit) << byte;
}

}  // namespace
}  // namespace tolzeb
