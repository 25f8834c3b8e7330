#include <gtest/gtest.h>

#include <functional>

#include "formats/zip/zip.h"
#include "support/allocation_watch.h"
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

const std::string kFoxText = "The quick brown fox jumps over the lazy dog. The quick brown fox jumps again.";

class ZipReadTest : public ::testing::Test {
 protected:
  std::wstring write(const Bytes& bytes) {
    const std::wstring name = L"case" + decimal(uint64_t(counter_++)) + L".zip";
    tree_.writeFile(name, bytes);
    return tree_.path(name);
  }

  ScratchTree tree_;
  int counter_ = 0;
};

TEST_F(ZipReadTest, EntryDataFailuresNameTheEntry) {
  FixtureLayout layout;
  const auto single = [&](FixtureEntry entry) { return buildZip({std::move(entry)}, "", &layout); };
  const auto central = [&] { return layout.centralOffsets[0]; };
  const auto local = [&] { return layout.localOffsets[0]; };
  FixtureEntry encrypted = fileEntry("e.txt", kFoxText);
  encrypted.flags |= 0x0001;
  FixtureEntry strong = fileEntry("e.txt", kFoxText);
  strong.flags |= 0x0040;

  struct Case {
    const char* name;
    std::function<Bytes()> make;
    StatusCode code;
    std::wstring message;  // a prefix when it ends in ": "
  };
  const Case cases[] = {
      {"encrypted", [&] { return single(encrypted); }, StatusCode::unsupported_version,
       L"Entry is encrypted, which TOLZEB cannot read: e.txt"},
      {"strong encryption", [&] { return single(strong); }, StatusCode::unsupported_version,
       L"Entry is encrypted, which TOLZEB cannot read: e.txt"},
      {"method 12",
       [&] {
         Bytes z = single(fileEntry("m.txt", kFoxText));
         put16(z, central() + 10, 12);
         return z;
       },
       StatusCode::unsupported_version,
       L"Entry uses compression method 12, which TOLZEB cannot read (only store and deflate): m.txt"},
      {"local header past the end",
       [&] {
         Bytes z = single(fileEntry("l.txt", kFoxText));
         put32(z, central() + 42, uint32_t(z.size() - 10));
         return z;
       },
       StatusCode::corrupt_archive, L"ZIP local header lies outside the file: l.txt"},
      {"local signature",
       [&] {
         Bytes z = single(fileEntry("l.txt", kFoxText));
         put32(z, local(), 0x04034b51);
         return z;
       },
       StatusCode::corrupt_archive, L"ZIP local header is missing or damaged: l.txt"},
      {"local method differs",
       [&] {
         Bytes z = single(fileEntry("l.txt", kFoxText, true));
         put16(z, local() + 8, 0);
         return z;
       },
       StatusCode::corrupt_archive, L"ZIP local header disagrees with the directory about the compression method: l.txt"},
      {"payload past the end",
       [&] {
         Bytes z = single(fileEntry("p.txt", kFoxText));
         put32(z, central() + 20, 0x7FFFFFFF);
         put32(z, central() + 24, 0x7FFFFFFF);
         return z;
       },
       StatusCode::corrupt_archive, L"ZIP entry payload lies outside the file: p.txt"},
      // Entries are decoded as streams, so a large declared size is no reason to refuse one; this
      // one holds far less than it declares.
      {"declaring more than it holds",
       [&] {
         Bytes z = single(fileEntry("big.txt", kFoxText, true));
         put32(z, central() + 24, 0x20000001);
         return z;
       },
       StatusCode::corrupt_archive, L"Decompressed to 77 bytes, but the entry declares 536870913"},
      {"stored sizes differ",
       [&] {
         Bytes z = single(fileEntry("s.txt", kFoxText));
         put32(z, central() + 24, uint32_t(kFoxText.size() - 1));
         return z;
       },
       StatusCode::corrupt_archive, L"Stored entry declares mismatched sizes: s.txt"},
      {"stored CRC",
       [&] {
         Bytes z = single(fileEntry("c.txt", kFoxText));
         z[local() + 30 + 5] ^= 1;
         return z;
       },
       StatusCode::corrupt_archive, L"Entry failed its CRC-32 check: c.txt"},
      {"deflated CRC",
       [&] {
         Bytes z = single(fileEntry("c.txt", kFoxText, true));
         put32(z, central() + 16, 0x12345678);
         return z;
       },
       StatusCode::corrupt_archive, L"Entry failed its CRC-32 check: c.txt"},
      {"deflated entry declared empty",
       [&] {
         Bytes z = single(fileEntry("z.txt", kFoxText, true));
         put32(z, central() + 24, 0);
         return z;
       },
       StatusCode::corrupt_archive, L"ZIP entry unpacks to more than its declared size: z.txt"},
      {"deflated entry declaring fewer bytes than it holds",
       [&] {
         Bytes z = single(fileEntry("z.txt", kFoxText, true));
         put32(z, central() + 24, 10);
         return z;
       },
       StatusCode::corrupt_archive, L"ZIP entry unpacks to more than its declared size: z.txt"},
      {"damaged DEFLATE stream",
       [&] {
         Bytes z = single(fileEntry("d.txt", kFoxText, true));
         z[local() + 30 + 5] = 0xFF;
         z[local() + 30 + 6] = 0xFF;
         return z;
       },
       StatusCode::corrupt_archive, L"DEFLATE: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring path = write(c.make());
    auto listed = listZip(path);
    ASSERT_TRUE(listed.hasValue()) << printable(listed.failure().message);  // only data is refused
    auto result = testZip(path, {});
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.failure().code, c.code);
    if (c.message.size() >= 2 && c.message.compare(c.message.size() - 2, 2, L": ") == 0) {
      EXPECT_EQ(result.failure().message.rfind(c.message, 0), 0u) << printable(result.failure().message);
    } else {
      EXPECT_EQ(result.failure().message, c.message);
    }
  }
}

// An entry that inflates past its declared size is refused as soon as one byte too many appears,
// not after decoding up to the operation's limit: the limit here is far below what the entry holds.
TEST_F(ZipReadTest, InflatingStopsOneBytePastTheDeclaredSize) {
  FixtureLayout layout;
  for (const uint32_t declared : {0u, 10u, 65536u}) {
    SCOPED_TRACE(declared);
    Bytes z = buildZip({fileEntry("zeros.bin", std::string(4 << 20, '\0'), true)}, "", &layout);
    put32(z, layout.centralOffsets[0] + 24, declared);
    Result<ZipArchive> zip = openZip(write(z), 0);
    ASSERT_TRUE(zip.hasValue()) << printable(zip.failure().message);
    Result<Bytes> data = readZipPayload(*zip, zip->entries[0], 1 << 20, false);
    ASSERT_TRUE(data.failed());
    EXPECT_EQ(data.failure().code, StatusCode::corrupt_archive);
    EXPECT_EQ(data.failure().message, L"ZIP entry unpacks to more than its declared size: zeros.bin");
  }
}

// Entries are decoded and written a piece at a time: testing and extracting a large entry, stored
// or deflated, holds a small part of it in memory.
TEST_F(ZipReadTest, LargeEntriesAreReadInBoundedPieces) {
  constexpr size_t kLarge = size_t(48) << 20;
  std::string content(kLarge, 'z');
  for (size_t i = 0; i < kLarge; i += 4099) content[i] = char(i / 4099);
  const std::wstring path =
      write(buildZip({fileEntry("stored.bin", content), fileEntry("deflated.bin", content, true)}));
  {
    testing::AllocationWatch watch;
    Result<ArchiveStats> tested = testZip(path, {});
    ASSERT_TRUE(tested.hasValue()) << printable(tested.failure().message);
    EXPECT_EQ(tested->inputBytes, 2 * kLarge);
    Result<ArchiveStats> extracted = extractZip(path, tree_.path(L"out"), {}, ExtractOptions{}, {});
    ASSERT_TRUE(extracted.hasValue()) << printable(extracted.failure().message);
    EXPECT_LT(watch.largest(), size_t(8) << 20);
  }
  EXPECT_TRUE(tree_.readText(L"out/stored.bin") == content);
  EXPECT_TRUE(tree_.readText(L"out/deflated.bin") == content);
}

// A preview reads the first bytes of an entry: memory follows its ceiling, not the entry's size,
// stored or deflated (random bytes, so the deflated form is as large as the stored one).
TEST_F(ZipReadTest, APrefixReadHoldsOnlyTheCeiling) {
  constexpr size_t kLarge = size_t(24) << 20;
  std::string content(kLarge, '\0');
  uint32_t seed = 1;
  for (char& c : content) c = char((seed = seed * 1103515245u + 12345u) >> 24);
  const std::wstring path =
      write(buildZip({fileEntry("stored.bin", content), fileEntry("deflated.bin", content, true)}));
  for (const wchar_t* name : {L"stored.bin", L"deflated.bin"}) {
    SCOPED_TRACE(printable(name));
    testing::AllocationWatch watch;
    Result<EntryBytes> entry = readZipEntry(path, name, 64 << 10, true);
    ASSERT_TRUE(entry.hasValue()) << printable(entry.failure().message);
    EXPECT_TRUE(entry->truncated);
    EXPECT_EQ(entry->fullSize, kLarge);
    EXPECT_TRUE(std::string(entry->bytes.begin(), entry->bytes.end()) == content.substr(0, 64 << 10));
    EXPECT_LT(watch.largest(), size_t(4) << 20);
  }
}

TEST_F(ZipReadTest, TestDecodesEveryFileAndReportsProgress) {
  FixtureEntry folder;
  folder.name = "dir/";
  const std::wstring path = write(buildZip(
      {folder, fileEntry("dir/a.txt", kFoxText, true), fileEntry("b.txt", "stored"), fileEntry("empty", ""),
       fileEntry("empty-deflated", "", true)}));
  std::vector<Progress> reports;
  auto stats = testZip(path, [&](const Progress& p) {
    reports.push_back(p);
    return true;
  });
  ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
  EXPECT_EQ(stats->entries, 5u);
  EXPECT_EQ(stats->files, 4u);
  EXPECT_EQ(stats->directories, 1u);
  EXPECT_EQ(stats->inputBytes, kFoxText.size() + 6);
  ASSERT_EQ(reports.size(), 4u);  // one per file, no Done call
  EXPECT_EQ(reports.back().phase, Progress::Phase::Verifying);
  EXPECT_EQ(reports.back().itemsDone, 4u);
  EXPECT_EQ(reports.back().itemsTotal, 5u);
  EXPECT_EQ(reports.back().bytesDone, reports.back().bytesTotal);

  auto canceled = testZip(path, [](const Progress&) { return false; });
  ASSERT_TRUE(canceled.failed());
  EXPECT_EQ(canceled.failure().code, StatusCode::canceled);
  EXPECT_EQ(canceled.failure().message, L"Check canceled");
}

TEST_F(ZipReadTest, ReadOneEntryWholeOrItsPrefix) {
  FixtureEntry folder;
  folder.name = "dir/";
  FixtureLayout layout;
  Bytes zip = buildZip({fileEntry("s.txt", kFoxText), fileEntry("d.txt", kFoxText, true), folder}, "", &layout);
  const std::wstring path = write(zip);
  // The same archive with damaged CRCs: a prefix is not checked, a whole entry is.
  put32(zip, layout.centralOffsets[0] + 16, 0);
  put32(zip, layout.centralOffsets[1] + 16, 0);
  const std::wstring badCrc = write(zip);
  const uint64_t size = kFoxText.size();

  struct Case {
    const char* name;
    std::wstring archive;
    std::wstring entry;
    uint64_t ceiling;
    bool allowPrefix;
    StatusCode code;  // general = success
    std::wstring message;
    std::string bytes;
    bool truncated;
  };
  const Case cases[] = {
      {"stored whole", path, L"s.txt", size, false, StatusCode::general, L"", kFoxText, false},
      {"deflated whole", path, L"d.txt", 1 << 20, false, StatusCode::general, L"", kFoxText, false},
      {"stored prefix", badCrc, L"s.txt", 9, true, StatusCode::general, L"", kFoxText.substr(0, 9), true},
      {"deflated prefix", badCrc, L"d.txt", 20, true, StatusCode::general, L"", kFoxText.substr(0, 20), true},
      {"zero ceiling prefix", path, L"d.txt", 0, true, StatusCode::general, L"", "", true},
      {"whole entry is checked", badCrc, L"d.txt", size, true, StatusCode::corrupt_archive,
       L"Entry failed its CRC-32 check: d.txt", "", false},
      {"too large without prefix", path, L"s.txt", size - 1, false, StatusCode::resource_limit,
       L"That entry is larger than this operation allows", "", false},
      {"no such entry", path, L"S.TXT", size, false, StatusCode::not_found, L"No such entry in this archive: S.TXT", "",
       false},
      {"directory", path, L"dir", size, false, StatusCode::invalid_argument,
       L"That entry is a directory, not a file: dir", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = readZipEntry(c.archive, c.entry, c.ceiling, c.allowPrefix);
    if (c.code != StatusCode::general) {
      ASSERT_TRUE(result.failed());
      EXPECT_EQ(result.failure().code, c.code);
      EXPECT_EQ(result.failure().message, c.message);
      continue;
    }
    ASSERT_TRUE(result.hasValue()) << printable(result.failure().message);
    EXPECT_EQ(testing::text(result->bytes), c.bytes);
    EXPECT_EQ(result->fullSize, size);
    EXPECT_EQ(result->truncated, c.truncated);
  }
}

TEST_F(ZipReadTest, ExtractsFoldersFilesAndTimesBelowTheDestination) {
  FixtureEntry folder;
  folder.name = "empty-dir/";
  FixtureEntry badDate = fileEntry("bad-date.txt", "x");
  badDate.dosDate = 0;
  const std::wstring path = write(buildZip({fileEntry("deep/er/a.txt", kFoxText, true), folder,
                                            fileEntry("/rooted.txt", "rooted"), fileEntry("empty", ""), badDate}));
  const std::wstring out = tree_.path(L"out");
  std::vector<Progress> reports;
  auto stats = extractZip(path, out, {}, ExtractOptions{}, [&](const Progress& p) {
    reports.push_back(p);
    return true;
  });
  ASSERT_TRUE(stats.hasValue()) << printable(stats.failure().message);
  EXPECT_EQ(stats->entries, 5u);
  EXPECT_EQ(stats->files, 4u);
  EXPECT_EQ(stats->directories, 1u);
  EXPECT_EQ(stats->inputBytes, kFoxText.size() + 7);
  EXPECT_EQ(tree_.readText(L"out/deep/er/a.txt"), kFoxText);
  EXPECT_EQ(tree_.readText(L"out/rooted.txt"), "rooted");
  EXPECT_TRUE(tree_.exists(L"out/empty"));
  EXPECT_TRUE(isDirectory(tree_.path(L"out/empty-dir")));
  ASSERT_EQ(reports.size(), 5u);
  EXPECT_EQ(reports.back().phase, Progress::Phase::Done);
  EXPECT_EQ(reports.front().phase, Progress::Phase::Writing);

  auto stamped = statPath(tree_.path(L"out/deep/er/a.txt"));
  ASSERT_TRUE(stamped.hasValue());
  EXPECT_EQ(stamped->modified, dosTimeToFileTime(0x5A21, 0x6000));
  auto unstamped = statPath(tree_.path(L"out/bad-date.txt"));
  ASSERT_TRUE(unstamped.hasValue());
  EXPECT_GT(unstamped->modified, dosTimeToFileTime(0x5A21, 0x6000));  // written just now, time left alone
}

TEST_F(ZipReadTest, EscapingEntriesWriteNothing) {
  for (const std::string name : {"../x", "a/../../x"}) {
    SCOPED_TRACE(name);
    const std::wstring path = write(buildZip({fileEntry("fine.txt", "ok"), fileEntry(name, "evil")}));
    auto result = extractZip(path, tree_.path(L"jail/out"), {}, ExtractOptions{}, {});
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.failure().code, StatusCode::path_unsafe);
    EXPECT_FALSE(tree_.exists(L"jail/x"));
    EXPECT_FALSE(tree_.exists(L"x"));
    EXPECT_FALSE(tree_.exists(L"jail/out/fine.txt"));  // refused before any data is written
  }
}

TEST_F(ZipReadTest, OverwritePolicies) {
  const std::wstring path = write(buildZip({fileEntry("a.txt", "new a"), fileEntry("b.txt", "new b")}));
  struct Case {
    const char* name;
    OverwritePolicy policy;
    StatusCode code;  // general = success
    uint64_t files;
    std::string a;
    uint64_t doneItems;  // in the Done call
  };
  const Case cases[] = {
      {"fail", OverwritePolicy::fail, StatusCode::already_exists, 0, "old a", 0},
      {"skip", OverwritePolicy::skip, StatusCode::general, 0, "old a", 2},
      {"overwrite", OverwritePolicy::overwrite, StatusCode::general, 2, "new a", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring folder = L"dest-" + std::wstring(c.name, c.name + std::strlen(c.name));
    tree_.writeText(folder + L"/a.txt", "old a");
    tree_.writeText(folder + L"/b.txt", "old b");
    ExtractOptions options;
    options.overwrite = c.policy;
    Progress last;
    auto result = extractZip(path, tree_.path(folder), {}, options, [&](const Progress& p) {
      last = p;
      return true;
    });
    EXPECT_EQ(tree_.readText(folder + L"/a.txt"), c.a);
    if (c.code != StatusCode::general) {
      ASSERT_TRUE(result.failed());
      EXPECT_EQ(result.failure().code, c.code);
      EXPECT_EQ(result.failure().message,
                L"A file already exists and the policy is to stop: " + joinPath(tree_.path(folder), L"a.txt"));
      continue;
    }
    ASSERT_TRUE(result.hasValue());
    EXPECT_EQ(result->files, c.files);
    EXPECT_EQ(last.phase, Progress::Phase::Done);
    EXPECT_EQ(last.itemsDone, c.doneItems);
  }
}

TEST_F(ZipReadTest, SelectionLimitsAndCancellation) {
  const std::wstring path = write(buildZip(
      {fileEntry("one.txt", std::string(100, '1')), fileEntry("two.txt", std::string(200, '2'), true),
       fileEntry("three.txt", "3")}));
  struct Case {
    const char* name;
    std::vector<std::wstring> selection;
    uint64_t maxTotalBytes;
    uint64_t maxEntries;
    bool cancel;
    StatusCode code;  // general = success
    std::wstring message;
    std::vector<std::wstring> written;
  };
  const Case cases[] = {
      {"selection", {L"three.txt", L"one.txt"}, 0, 0, false, StatusCode::general, L"", {L"one.txt", L"three.txt"}},
      {"nothing selected exists", {L"ONE.TXT"}, 0, 0, false, StatusCode::not_found,
       L"None of the selected entries are in this archive", {}},
      {"byte budget ends before the second file", {}, 250, 0, false, StatusCode::resource_limit,
       L"Entry is larger than the limit for this operation: two.txt", {L"one.txt"}},
      {"byte budget fits exactly", {}, 301, 0, false, StatusCode::general, L"",
       {L"one.txt", L"two.txt", L"three.txt"}},
      {"entry limit", {}, 0, 2, false, StatusCode::resource_limit,
       L"Archive declares 3 entries, more than this build will read", {}},
      {"canceled after the first file", {}, 0, 0, true, StatusCode::canceled, L"Extraction canceled", {L"one.txt"}},
  };
  int run = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring folder = L"sel" + decimal(uint64_t(run++));
    ExtractOptions options;
    options.maxTotalBytes = c.maxTotalBytes;
    options.maxEntries = c.maxEntries;
    auto result = extractZip(path, tree_.path(folder), c.selection, options, [&](const Progress&) { return !c.cancel; });
    if (c.code == StatusCode::general) {
      ASSERT_TRUE(result.hasValue()) << printable(result.failure().message);
    } else {
      ASSERT_TRUE(result.failed());
      EXPECT_EQ(result.failure().code, c.code);
      EXPECT_EQ(result.failure().message, c.message);
    }
    for (const std::wstring name : {L"one.txt", L"two.txt", L"three.txt"}) {
      const bool expected = std::find(c.written.begin(), c.written.end(), name) != c.written.end();
      EXPECT_EQ(tree_.exists(folder + L"/" + name), expected) << printable(name);
    }
  }

  auto noDestination = extractZip(path, L"", {}, ExtractOptions{}, {});
  ASSERT_TRUE(noDestination.failed());
  EXPECT_EQ(noDestination.failure().code, StatusCode::invalid_argument);
  EXPECT_EQ(noDestination.failure().message, L"No destination directory was given");
}

TEST_F(ZipReadTest, EmptyArchiveExtractsWithOneDoneCall) {
  const std::wstring path = write(buildZip({}));
  int calls = 0;
  auto stats = extractZip(path, tree_.path(L"none"), {}, ExtractOptions{}, [&](const Progress& p) {
    ++calls;
    EXPECT_EQ(p.phase, Progress::Phase::Done);
    return true;
  });
  ASSERT_TRUE(stats.hasValue());
  EXPECT_EQ(stats->files + stats->directories + stats->entries, 0u);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace tolzeb
