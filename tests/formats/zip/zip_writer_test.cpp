#include "formats/zip/zip_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "formats/zip/zip.h"
#include "zip_fixture.h"

namespace tolzeb {
namespace {

using testing::printable;
using testing::ScratchTree;

const std::string kRepeatingText = [] {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "line " + std::to_string(i % 7) + " of a text that repeats itself\n";
  return text;
}();

std::string randomText(size_t size) {
  std::mt19937 generator(7);
  std::string text(size, '\0');
  for (char& c : text) c = char(generator());
  return text;
}

Bytes readAll(const std::wstring& path) {
  auto file = openForRead(path);
  Bytes bytes(size_t(file->fileSize().value()));
  (void)file->readAt(0, bytes.data(), bytes.size());
  return bytes;
}

// The central header of the named entry in a written archive.
const uint8_t* centralRecord(const Bytes& zip, const std::string& name) {
  for (size_t i = 0; i + 46 <= zip.size(); ++i) {
    if (readU32le(&zip[i]) != kZipCentralHeaderSignature) continue;
    const size_t nameLength = readU16le(&zip[i + 28]);
    if (std::string(zip.begin() + std::ptrdiff_t(i + 46), zip.begin() + std::ptrdiff_t(i + 46 + nameLength)) == name) {
      return &zip[i];
    }
  }
  return nullptr;
}

class ZipWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.writeText(L"src/text.txt", kRepeatingText);
    tree_.writeText(L"src/noise.bin", randomText(5000));
    tree_.writeText(L"src/empty", "");
    tree_.writeText(L"src/sub/caf\u00E9 \u65E5\u672C.txt", "non-ASCII name");
    tree_.makeDirectory(L"src/hollow");
    tree_.writeText(L"single.txt", "one file");
  }
  std::vector<std::wstring> sources() const { return {tree_.path(L"src"), tree_.path(L"single.txt")}; }

  ScratchTree tree_;
};

TEST_F(ZipWriterTest, RoundTripsThroughTheReader) {
  for (int level : {0, 1, 6, 9}) {
    SCOPED_TRACE(level);
    const std::wstring output = tree_.path(L"out" + decimal(uint64_t(level)) + L".zip");
    std::vector<Progress> reports;
    auto stats = createZip(sources(), output, level, [&](const Progress& p) {
      reports.push_back(p);
      return true;
    });
    ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
    EXPECT_EQ(stats->entries, 8u);
    EXPECT_EQ(stats->files, 5u);
    EXPECT_EQ(stats->directories, 3u);
    EXPECT_EQ(stats->inputBytes, kRepeatingText.size() + 5000 + 14 + 8);
    EXPECT_EQ(stats->archiveBytes, readAll(output).size());
    ASSERT_EQ(reports.size(), 9u);
    EXPECT_EQ(reports[0].phase, Progress::Phase::Encoding);
    EXPECT_EQ(reports[7].bytesDone, reports[7].bytesTotal);
    EXPECT_EQ(reports.back().phase, Progress::Phase::Done);
    EXPECT_FALSE(pathExists(output + L".partial"));

    auto listing = listZip(output);
    ASSERT_TRUE(listing.hasValue()) << printable(listing.failure().message);
    std::vector<std::wstring> paths;
    for (const auto& entry : listing->entries) paths.push_back(entry.path);
    EXPECT_EQ(paths, (std::vector<std::wstring>{L"single.txt", L"src", L"src/empty", L"src/hollow", L"src/noise.bin",
                                                L"src/sub", L"src/sub/caf\u00E9 \u65E5\u672C.txt", L"src/text.txt"}));
    auto tested = testZip(output, {});
    ASSERT_TRUE(tested.hasValue()) << printable(tested.failure().message);
    EXPECT_EQ(tested->inputBytes, stats->inputBytes);

    const std::wstring back = L"back" + decimal(uint64_t(level));
    auto extracted = extractZip(output, tree_.path(back), {}, ExtractOptions{}, {});
    ASSERT_TRUE(extracted.hasValue()) << printable(extracted.failure().message);
    EXPECT_EQ(tree_.readText(back + L"/src/text.txt"), kRepeatingText);
    EXPECT_EQ(tree_.read(back + L"/src/noise.bin"), tree_.read(L"src/noise.bin"));
    EXPECT_EQ(tree_.readText(back + L"/src/sub/caf\u00E9 \u65E5\u672C.txt"), "non-ASCII name");
    EXPECT_TRUE(isDirectory(tree_.path(back + L"/src/hollow")));
    auto original = statPath(tree_.path(L"src/text.txt"));
    auto restored = statPath(tree_.path(back + L"/src/text.txt"));
    // DOS times hold even seconds.
    EXPECT_LE(original->modified - restored->modified, 20000000u);
  }
}

TEST_F(ZipWriterTest, RecordsAsWritten) {
  const std::wstring output = tree_.path(L"records.zip");
  ASSERT_TRUE(createZip(sources(), output, 6, {}).hasValue());
  const Bytes zip = readAll(output);
  struct Case {
    std::string name;
    uint16_t method;
    bool folder;
  };
  const Case cases[] = {
      {"src/text.txt", kZipMethodDeflate, false},
      {"src/noise.bin", kZipMethodStored, false},  // DEFLATE does not shrink it
      {"src/empty", kZipMethodStored, false},
      {"src/hollow/", kZipMethodStored, true},
      {"src/", kZipMethodStored, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const uint8_t* record = centralRecord(zip, c.name);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(readU16le(record + 4), kZipVersionDefault);
    EXPECT_EQ(readU16le(record + 8), kZipFlagUtf8Name);
    EXPECT_EQ(readU16le(record + 10), c.method);
    EXPECT_EQ(readU32le(record + 38) & kZipDirectoryAttribute, c.folder ? kZipDirectoryAttribute : 0u);
    EXPECT_EQ(readU32le(record + 38) & 0x400u, 0u);
    if (c.folder || c.name == "src/empty") {
      EXPECT_EQ(readU32le(record + 16), 0u);  // CRC-32
      EXPECT_EQ(readU32le(record + 20), 0u);
      EXPECT_EQ(readU32le(record + 24), 0u);
    }
  }
  EXPECT_EQ(readU32le(&zip[zip.size() - 22]), kZipEndRecordSignature);
  EXPECT_EQ(readU32le(&zip[zip.size() - 42]) == kZip64LocatorSignature, false);
}

TEST_F(ZipWriterTest, TimesADosDateCannotHoldBecome1980) {
  const uint64_t in1975 = (uint64_t(1975 - 1601) * 36524 / 100 + 200) * 86400ull * 10000000ull;
  ASSERT_TRUE(setFileTimes(tree_.path(L"single.txt"), in1975).ok());
  const std::wstring output = tree_.path(L"old.zip");
  ASSERT_TRUE(createZip({tree_.path(L"single.txt")}, output, 6, {}).hasValue());
  auto zip = openZip(output, 0);
  ASSERT_TRUE(zip.hasValue());
  EXPECT_EQ(zip->entries[0].dosDate, kZipDefaultDosDate);
  EXPECT_EQ(zip->entries[0].dosTime, kZipDefaultDosTime);
}

TEST_F(ZipWriterTest, Zip64RecordsWhereValuesReachTheThresholds) {
  struct Case {
    const char* name;
    ZipWriterThresholds thresholds;
    bool zip64End;
    bool largeEntries;
  };
  const Case cases[] = {
      {"defaults", {}, false, false},
      {"sizes and offsets from 100 up", {100, 0xFFFF}, true, true},
      {"a size exactly at the threshold counts", {uint64_t(kRepeatingText.size()), 0xFFFF}, false, true},
      {"8 entries, threshold 9", {0xFFFFFFFF, 9}, false, false},
      {"8 entries, threshold 8", {0xFFFFFFFF, 8}, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring output = tree_.path(L"z64.zip");
    auto stats = createZipWithThresholds(sources(), output, 6, {}, c.thresholds);
    ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
    const Bytes zip = readAll(output);
    const bool hasLocator = readU32le(&zip[zip.size() - 42]) == kZip64LocatorSignature;
    EXPECT_EQ(hasLocator, c.zip64End);
    EXPECT_EQ(readU16le(&zip[zip.size() - 12]) == 0xFFFF, c.thresholds.largestEntryCount <= 8);
    const uint8_t* text = centralRecord(zip, "src/text.txt");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(readU16le(text + 4), c.largeEntries ? kZipVersionZip64 : kZipVersionDefault);
    EXPECT_EQ(readU32le(text + 24) == 0xFFFFFFFF, c.largeEntries);
    if (!c.largeEntries) {
      EXPECT_EQ(readU16le(&zip[readU32le(text + 42) + 28]), 0u);  // no local extra field
    }

    auto tested = testZip(output, {});
    ASSERT_TRUE(tested.hasValue()) << printable(tested.failure().message);
    EXPECT_EQ(tested->entries, 8u);
    auto entry = readZipEntry(output, L"src/text.txt", 1 << 20, false);
    ASSERT_TRUE(entry.hasValue()) << printable(entry.failure().message);
    EXPECT_EQ(testing::text(entry->bytes), kRepeatingText);
  }
}

TEST_F(ZipWriterTest, FailuresLeaveTheOutputAsItWas) {
  const std::wstring output = tree_.path(L"kept.zip");
  tree_.writeText(L"kept.zip", "old archive");
  tree_.writeText(L"kept.zip.partial", "leftover");
  struct Case {
    const char* name;
    std::vector<std::wstring> sources;
    std::wstring output;
    bool cancel;
    StatusCode code;
    std::wstring message;
  };
  const Case cases[] = {
      {"no sources", {}, output, false, StatusCode::invalid_argument, L"No source files or folders were given"},
      {"no output", sources(), L"", false, StatusCode::invalid_argument, L"No output path was given"},
      {"duplicate names", {tree_.path(L"single.txt"), tree_.path(L"src/../single.txt")}, output, false,
       StatusCode::invalid_argument, L"Two sources map to the same archive path: single.txt"},
      {"canceled after the first entry", sources(), output, true, StatusCode::canceled, L"Archive creation canceled"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = createZip(c.sources, c.output, 6, [&](const Progress&) { return !c.cancel; });
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.failure().code, c.code);
    EXPECT_EQ(result.failure().message, c.message);
    EXPECT_EQ(tree_.readText(L"kept.zip"), "old archive");
  }
  EXPECT_FALSE(tree_.exists(L"kept.zip.partial"));  // the canceled write removed the leftover too

  ASSERT_TRUE(createZip(sources(), output, 6, {}).hasValue());
  EXPECT_TRUE(listZip(output).hasValue());
}

TEST_F(ZipWriterTest, SelectedLinkStoresItsTargetWithPortableAttributes) {
  if (kPathSeparator != L'/') GTEST_SKIP() << "links are made with the POSIX file system here";
  std::filesystem::create_symlink(printable(tree_.path(L"single.txt")), printable(tree_.path(L"link.txt")));
  const std::wstring output = tree_.path(L"link.zip");
  ASSERT_TRUE(createZip({tree_.path(L"link.txt")}, output, 6, {}).hasValue());
  auto entry = readZipEntry(output, L"link.txt", 1 << 20, false);
  ASSERT_TRUE(entry.hasValue()) << printable(entry.failure().message);
  EXPECT_EQ(testing::text(entry->bytes), "one file");
  const Bytes zip = readAll(output);
  const uint8_t* record = centralRecord(zip, "link.txt");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(readU32le(record + 38) & ~0x2037u, 0u);  // no link or other machine-local bits
}

}  // namespace
}  // namespace tolzeb
