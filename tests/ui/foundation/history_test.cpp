#include "ui/foundation/history.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "data_folder.h"

namespace tolzeb::ui {
namespace {

using testing::DataFolder;
using testing::readBytes;
using testing::widePath;
using testing::writeBytes;

HistoryEntry entry(uint64_t timestamp, const std::wstring& path, uint64_t archiveSize = 10, uint64_t inputSize = 20,
                   double seconds = 1.5) {
  HistoryEntry made;
  made.path = path;
  made.archiveSize = archiveSize;
  made.inputSize = inputSize;
  made.timestamp = timestamp;
  made.seconds = seconds;
  return made;
}

std::vector<HistoryEntry> parsed(const std::string& bytes, bool expected = true) {
  std::vector<HistoryEntry> entries;
  EXPECT_EQ(parseHistoryFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), entries), expected) << bytes;
  return entries;
}

std::string line(uint64_t timestamp, const std::string& path) {
  return std::to_string(timestamp) + "\t1\t2\t3\t" + path + "\n";
}

TEST(HistoryFile, EveryFieldSurvivesASaveAndALoad) {
  DataFolder folder;
  History history;
  ASSERT_TRUE(history.add(entry(100, L"C:\\old.zeb", 0, 0, 0)));
  ASSERT_TRUE(history.add(entry(300,
                                L"C:\\Daten\\Gr\x00FC\x00DF"
                                L"e \xD83D\xDE00.zeb",
                                UINT64_MAX, 123456789, 1.5)));
  EXPECT_EQ(History::filePath(), widePath(folder.file("history.txt")));
  EXPECT_EQ(readBytes(folder.file("history.txt")),
            "TOLZEB-HISTORY-1\n"
            "300\t18446744073709551615\t123456789\t1500\tC:"
            "\\Daten\\Gr\xC3\xBC\xC3\x9F"
            "e \xF0\x9F\x98\x80.zeb\n"
            "100\t0\t0\t0\tC:\\old.zeb\n");

  History read;
  read.load();
  ASSERT_EQ(read.entries().size(), 2u);
  const HistoryEntry& newest = read.entries()[0];
  EXPECT_EQ(newest.path, history.entries()[0].path);
  EXPECT_EQ(newest.archiveSize, UINT64_MAX);
  EXPECT_EQ(newest.inputSize, 123456789u);
  EXPECT_EQ(newest.timestamp, 300u);
  EXPECT_EQ(newest.seconds, 1.5);
  EXPECT_FALSE(newest.missing);
  EXPECT_EQ(read.entries()[1].path, L"C:\\old.zeb");
  EXPECT_FALSE(read.fileRefused());
}

TEST(HistoryFile, MalformedLinesAreSkippedAndOddNumbersReadAsWcstoullWould) {
  const std::vector<HistoryEntry> entries = parsed(
      "\r\n\nTOLZEB-HISTORY-1\r\n"
      "\n"
      "5\tnot a number\t7\t2500\tC:\\size.zeb\r\r\n"
      "4\t1\t2\t3\n"    // four fields
      "3\t1\t2\t3\t\n"  // empty path
      "2\t 12abc\t+7\t-1000\tC:\\odd.zeb\textra\tfields\n"
      "18446744073709551616\t0\t0\t0\tC:\\huge.zeb\n"
      "TOLZEB-HISTORY-1\n");  // four fields short of an entry
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].path, L"C:\\huge.zeb");
  EXPECT_EQ(entries[0].timestamp, UINT64_MAX);
  EXPECT_EQ(entries[1].path, L"C:\\size.zeb");
  EXPECT_EQ(entries[1].archiveSize, 0u);
  EXPECT_EQ(entries[1].inputSize, 7u);
  EXPECT_EQ(entries[1].seconds, 2.5);
  EXPECT_EQ(entries[2].path, L"C:\\odd.zeb");
  EXPECT_EQ(entries[2].archiveSize, 12u);
  EXPECT_EQ(entries[2].inputSize, 7u);
  EXPECT_EQ(entries[2].seconds, double(0 - uint64_t(1000)) / 1000);
}

TEST(HistoryFile, AFileWithoutTheHeaderFirstLoadsEmpty) {
  const std::string refused[] = {
      "\xEF\xBB\xBFTOLZEB-HISTORY-1\n" + line(1, "C:\\a.zeb"),
      line(1, "C:\\a.zeb") + "TOLZEB-HISTORY-1\n",
      "TOLZEB-HISTORY-2\n" + line(1, "C:\\a.zeb"),
      "TOLZEB-HISTORY-1\n" + line(1, "C:\\caf\xE9.zeb"),  // not UTF-8
      "",
      "\n\r\n",
  };
  for (const std::string& bytes : refused) {
    EXPECT_TRUE(parsed(bytes, false).empty()) << bytes;
  }
  EXPECT_TRUE(parsed("TOLZEB-HISTORY-1").empty());
}

TEST(HistoryFile, TheNewest200AreKeptNewestFirst) {
  std::string text = "TOLZEB-HISTORY-1\n";
  for (uint64_t i = 1; i <= 250; ++i) text += line(i * 7 % 251, "C:\\a" + std::to_string(i) + ".zeb");
  const std::vector<HistoryEntry> entries = parsed(text);
  ASSERT_EQ(entries.size(), 200u);
  EXPECT_EQ(entries.front().timestamp, 250u);
  EXPECT_EQ(entries.back().timestamp, 51u);
  for (size_t i = 1; i < entries.size(); ++i) EXPECT_GT(entries[i - 1].timestamp, entries[i].timestamp);
}

TEST(HistoryFile, AddingPutsTheEntryFirstAndDropsTheOldestPast200) {
  DataFolder folder;
  History history;
  for (uint64_t i = 0; i < 200; ++i) history.entries().push_back(entry(1000 - i, L"C:\\" + std::to_wstring(i)));
  // Whatever its timestamp, the new entry goes first.
  ASSERT_TRUE(history.add(entry(5, L"C:\\new.zeb")));
  ASSERT_EQ(history.entries().size(), 200u);
  EXPECT_EQ(history.entries().front().path, L"C:\\new.zeb");
  EXPECT_EQ(history.entries().back().path, L"C:\\198");

  History read;
  read.load();
  ASSERT_EQ(read.entries().size(), 200u);
  // The file is sorted again when it is read.
  EXPECT_EQ(read.entries().front().path, L"C:\\0");
  EXPECT_EQ(read.entries().back().path, L"C:\\new.zeb");
}

TEST(HistoryFile, DurationsOutsideTheRangeAreClamped) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double seconds;
    uint64_t milliseconds;
  } cases[] = {
      {1.5, 1500},
      {0.0009, 0},
      {-3, 0},
      {std::nan(""), 0},
      {-inf, 0},
      {inf, UINT64_MAX},
      {1.8446744073709552e16, UINT64_MAX},  // exactly 2^64 ms
      {1e300, UINT64_MAX},
      {1e16, 10000000000000000000ull},
  };
  for (const auto& test : cases) EXPECT_EQ(durationMilliseconds(test.seconds), test.milliseconds) << test.seconds;
}

TEST(HistoryFile, NumbersReadAsWcstoullInBase10) {
  const struct {
    const wchar_t* text;
    uint64_t value;
  } cases[] = {
      {L"0", 0},
      {L"42", 42},
      {L"", 0},
      {L"abc", 0},
      {L"  17x", 17},
      {L"+5", 5},
      {L"-1", UINT64_MAX},
      {L"0x10", 0},
      {L"18446744073709551615", UINT64_MAX},
      {L"99999999999999999999999", UINT64_MAX},
      {L"-99999999999999999999999", UINT64_MAX},
      {L"\x0661", 0},  // Arabic-Indic one is no ASCII digit
  };
  for (const auto& test : cases) EXPECT_EQ(parseHistoryNumber(test.text), test.value);
}

TEST(HistoryFile, SavingGoesThroughATemporaryFileAndAFailureKeepsThePreviousOne) {
  DataFolder folder;
  writeBytes(folder.file("history.txt.tmp"), "left over");
  History history;
  ASSERT_TRUE(history.add(entry(1, L"C:\\a.zeb")));
  EXPECT_FALSE(std::filesystem::exists(folder.file("history.txt.tmp")));
  const std::string before = readBytes(folder.file("history.txt"));

  // A path with an unpaired surrogate cannot be written: the whole save fails.
  EXPECT_FALSE(history.add(entry(2, L"C:\\\xD800.zeb")));
  EXPECT_EQ(readBytes(folder.file("history.txt")), before);
  EXPECT_EQ(history.entries().size(), 2u);  // the list in memory is kept

  history.entries().erase(history.entries().begin());
  std::filesystem::create_directories(folder.file("history.txt.tmp") / "blocker");
  EXPECT_FALSE(history.add(entry(3, L"C:\\b.zeb")));
  EXPECT_EQ(readBytes(folder.file("history.txt")), before);
}

TEST(HistoryFile, ARefusedFileIsLeftAloneUntilTheUserClearsTheHistory) {
  const std::string refused[] = {
      "\xEF\xBB\xBFTOLZEB-HISTORY-1\n" + line(1, "C:\\a.zeb"),
      "TOLZEB-HISTORY-1\n" + line(1, "C:\\caf\xE9.zeb"),
      "TOLZEB-HISTORY-1\n" + std::string(kMaxHistoryFileBytes, '\n'),
  };
  for (const std::string& bytes : refused) {
    DataFolder folder;
    writeBytes(folder.file("history.txt"), bytes);
    History history;
    history.load();
    EXPECT_TRUE(history.entries().empty());
    EXPECT_TRUE(history.fileRefused());
    EXPECT_FALSE(history.add(entry(9, L"C:\\new.zeb")));
    EXPECT_EQ(history.entries().size(), 1u);
    EXPECT_EQ(readBytes(folder.file("history.txt")), bytes);

    EXPECT_TRUE(history.clear());
    EXPECT_FALSE(history.fileRefused());
    EXPECT_EQ(readBytes(folder.file("history.txt")), "TOLZEB-HISTORY-1\n");
    EXPECT_TRUE(history.add(entry(9, L"C:\\new.zeb")));
  }
}

TEST(HistoryFile, AnEmptyOrMissingFileIsNoRefusal) {
  DataFolder folder;
  History history;
  history.load();
  EXPECT_FALSE(history.fileRefused());
  writeBytes(folder.file("history.txt"), "");
  history.load();
  EXPECT_FALSE(history.fileRefused());
  EXPECT_TRUE(history.add(entry(1, L"C:\\a.zeb")));
}

TEST(HistoryFile, TheWriterNeverProducesAFileTheReaderRefuses) {
  // 200 paths near the longest Windows allows, in three-byte UTF-8, come to about 19 MiB.
  std::vector<HistoryEntry> entries;
  for (uint64_t i = 0; i < 200; ++i)
    entries.push_back(entry(1000 - i, std::wstring(32000, L'\x4E2D') + std::to_wstring(i)));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(historyFileBytes(entries, bytes));
  EXPECT_LE(bytes.size(), kMaxHistoryFileBytes);
  std::vector<HistoryEntry> read;
  ASSERT_TRUE(parseHistoryFile(bytes.data(), bytes.size(), read));
  ASSERT_EQ(read.size(), 43u);  // 4 MiB holds 43 lines of 96,000-odd bytes
  EXPECT_EQ(read.front().path, entries.front().path);
  EXPECT_EQ(read.back().path, entries[42].path);
}

TEST(HistoryFile, WithoutADataFolderNothingIsReadOrWritten) {
  DataFolder folder;
  setLocalAppDataForTesting(std::wstring());
  History history;
  history.load();
  EXPECT_FALSE(history.add(entry(1, L"C:\\a.zeb")));
  EXPECT_EQ(history.entries().size(), 1u);
}

TEST(HistoryPresence, FoldersEmptyAndMissingPathsAreMissingNetworkPathsNever) {
  DataFolder folder;
  const auto file = folder.root() / "made.zeb";
  writeBytes(file, "x");
  History history;
  history.entries() = {entry(1, widePath(file)),
                       entry(2, widePath(folder.root())),
                       entry(3, widePath(folder.root() / "gone.zeb")),
                       entry(4, L""),
                       entry(5, L"\\\\server\\share\\gone.zeb"),
                       entry(6, L"//server/share/gone.zeb"),
                       entry(7, L"\\/server\\gone.zeb")};
  for (HistoryEntry& item : history.entries()) item.missing = !item.missing;
  history.checkPresence();
  const bool expected[] = {false, true, true, true, false, false, false};
  for (size_t i = 0; i < history.entries().size(); ++i) EXPECT_EQ(history.entries()[i].missing, expected[i]) << i;
}

TEST(HistoryStatistics, ThroughputComesFromTheFirstEntryWithADurationAndAnInput) {
  History history;
  double rate = -1;
  uint64_t when = 0;
  EXPECT_FALSE(history.latestThroughput(rate, when));
  history.entries() = {entry(9, L"a", 1, 1 << 20, 0), entry(8, L"b", 1, 0, 2), entry(7, L"c", 1, 3 << 20, 2),
                       entry(6, L"d", 1, 1 << 20, 1)};
  ASSERT_TRUE(history.latestThroughput(rate, when));
  EXPECT_EQ(rate, 1.5);
  EXPECT_EQ(when, 7u);
  history.entries()[2].seconds = std::nan("");
  ASSERT_TRUE(history.latestThroughput(rate, when));
  EXPECT_EQ(when, 6u);
}

TEST(HistoryStatistics, BytesSavedCountsOnlyShrinkageAndSaturates) {
  History history;
  EXPECT_EQ(history.bytesSaved(), 0u);
  history.entries() = {entry(1, L"a", 40, 100), entry(2, L"b", 100, 40), entry(3, L"c", 5, 5)};
  EXPECT_EQ(history.bytesSaved(), 60u);
  history.entries().push_back(entry(4, L"d", 0, UINT64_MAX));
  EXPECT_EQ(history.bytesSaved(), UINT64_MAX);
}

}  // namespace
}  // namespace tolzeb::ui
