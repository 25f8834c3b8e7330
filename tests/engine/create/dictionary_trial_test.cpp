#include "engine/create/dictionary_trial.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using testing::ScratchTree;

std::vector<uint8_t> patternBytes(size_t length, uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<uint8_t> bytes(length);
  for (auto& b : bytes) b = uint8_t(generator());
  return bytes;
}

// Records that share their vocabulary across files, as a folder of similar documents does.
std::string recordText(size_t length, uint32_t seed) {
  static const char* const names[] = {"invoice", "customer", "shipment", "warehouse", "payment", "refund"};
  std::mt19937 generator(seed);
  std::string text;
  while (text.size() < length) {
    text += "<record kind=\"";
    text += names[generator() % 6];
    text += "\" id=\"" + std::to_string(generator() % 1000000) + "\" amount=\"" +
            std::to_string(generator() % 10000) + ".00\" currency=\"EUR\" state=\"confirmed\"/>\n";
  }
  text.resize(length);
  return text;
}

SourceEntry fileEntry(const ScratchTree& tree, const std::wstring& relative, uint64_t size) {
  SourceEntry entry;
  entry.sourcePath = tree.path(relative);
  entry.archivePath = relative;
  entry.size = size;
  return entry;
}

SourceEntry directoryEntry(const std::wstring& name) {
  SourceEntry entry;
  entry.archivePath = name;
  entry.isDirectory = true;
  return entry;
}

TEST(DictionarySamplesTest, SamplesFollowTheFileSizes) {
  constexpr uint32_t kChunk = 4096;
  ScratchTree tree;
  tree.writeFile(L"twice-chunk", patternBytes(2 * kChunk, 1));
  tree.writeFile(L"twice-chunk-plus-one", patternBytes(2 * kChunk + 1, 2));
  tree.writeFile(L"forty-chunks", patternBytes(40 * kChunk, 3));
  tree.writeFile(L"tiny", patternBytes(31, 4));
  tree.writeFile(L"smallest", patternBytes(32, 5));

  struct Case {
    const char* name;
    std::vector<SourceEntry> entries;
    std::vector<DictionarySampleSpan> expected;  // offsets into the file, lengths
  };
  const Case cases[] = {
      {"exactly twice the chunk size: one sample", {fileEntry(tree, L"twice-chunk", 2 * kChunk)}, {{0, 8192}}},
      {"one byte more: two samples", {fileEntry(tree, L"twice-chunk-plus-one", 2 * kChunk + 1)},
       {{0, 8193}, {4096, 4097}}},
      {"at most eight samples of 32 KiB", {fileEntry(tree, L"forty-chunks", 40 * kChunk)},
       {{0, 32768}, {20480, 32768}, {40960, 32768}, {61440, 32768}, {81920, 32768}, {102400, 32768},
        {122880, 32768}, {143360, 20480}}},
      {"under 32 bytes: no sample", {fileEntry(tree, L"tiny", 31)}, {}},
      {"32 bytes: one sample", {fileEntry(tree, L"smallest", 32)}, {{0, 32}}},
      {"folders, empty and unreadable files are skipped",
       {directoryEntry(L"d"), fileEntry(tree, L"absent", 5000), fileEntry(tree, L"tiny", 0),
        fileEntry(tree, L"smallest", 32)},
       {{0, 32}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto samples = collectDictionarySamples(c.entries, kChunk);
    ASSERT_TRUE(samples.hasValue());
    ASSERT_EQ(samples->spans.size(), c.expected.size());
    const SourceEntry& file = c.entries.back();
    const std::vector<uint8_t> content = tree.read(file.archivePath);
    uint64_t offset = 0;
    for (size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(samples->spans[i].offset, offset);
      EXPECT_EQ(samples->spans[i].length, c.expected[i].length);
      const auto begin = content.begin() + c.expected[i].offset;
      EXPECT_TRUE(std::equal(begin, begin + c.expected[i].length, samples->bytes.begin() + offset)) << i;
      offset += c.expected[i].length;
    }
    EXPECT_EQ(samples->bytes.size(), offset);
  }
}

TEST(DictionarySamplesTest, AllSamplesTogetherStopAtSixteenMebibytes) {
  ScratchTree tree;
  std::vector<SourceEntry> entries;
  for (int i = 0; i < 66; ++i) {
    const std::wstring name = L"f" + std::to_wstring(100 + i);
    tree.writeFile(name, patternBytes(260000, i));
    entries.push_back(fileEntry(tree, name, 260000));
  }
  auto samples = collectDictionarySamples(entries, 1 << 20);
  ASSERT_TRUE(samples.hasValue());
  EXPECT_EQ(samples->bytes.size(), kDictionarySampleBudget);
  ASSERT_EQ(samples->spans.size(), 65u);
  EXPECT_EQ(samples->spans.back().length, kDictionarySampleBudget - 64 * 260000);
}

TEST(TrialChunksTest, EvenlySpacedStartsFilledFromConsecutiveFiles) {
  constexpr uint32_t kChunk = 8192;
  ScratchTree tree;
  std::vector<SourceEntry> forty;
  for (int i = 0; i < 40; ++i) {
    const std::wstring name = L"f" + std::to_wstring(100 + i);
    tree.writeFile(name, patternBytes(5000, i));
    forty.push_back(fileEntry(tree, name, 5000));
  }
  auto leading = [&](std::initializer_list<int> files) {
    std::vector<uint8_t> expected;
    for (int i : files) {
      const auto content = tree.read(forty[i].archivePath);
      const size_t take = std::min<size_t>(content.size(), kChunk - expected.size());
      expected.insert(expected.end(), content.begin(), content.begin() + take);
    }
    return expected;
  };

  const std::vector<SourceEntry> five(forty.begin(), forty.begin() + 5);
  EXPECT_EQ(readTrialChunks(five, kChunk), (std::vector<std::vector<uint8_t>>{
                                               leading({0, 1}), leading({1, 2}), leading({2, 3}), leading({3, 4})}));
  EXPECT_EQ(readTrialChunks(forty, kChunk), (std::vector<std::vector<uint8_t>>{leading({0, 1}), leading({10, 11}),
                                                                               leading({20, 21}), leading({30, 31})}));

  // Folders, empty files and unreadable files take no place in the spacing or the filling.
  std::vector<SourceEntry> mixed = {directoryEntry(L"d"), fileEntry(tree, L"gone", 3000), forty[0],
                                    fileEntry(tree, L"f139", 0), forty[1]};
  EXPECT_EQ(readTrialChunks(mixed, kChunk),
            (std::vector<std::vector<uint8_t>>{leading({0, 1}), leading({0, 1}), leading({1})}));

  // Buffers under 4 KiB are dropped.
  std::vector<SourceEntry> small;
  for (int i = 0; i < 5; ++i) small.push_back(fileEntry(tree, forty[i].archivePath, 800));
  EXPECT_TRUE(readTrialChunks(small, kChunk).empty());
}

TEST(DictionaryProfileTest, OnlyShortValuesStartingWithOneAskForTheLine) {
  const std::pair<const char*, bool> cases[] = {
      {nullptr, false}, {"", false},        {"1", true},         {"10", true},         {"1234567", true},
      {"12345678", false}, {"0", false},    {"yes", false},      {" 1", false},
  };
  for (const auto& [value, expected] : cases)
    EXPECT_EQ(profilingRequested(value), expected) << (value ? value : "(unset)");
  EXPECT_EQ(dictionaryProfileLine(65536, 1048576, 400000, 350000),
            L"[tolzeb] dictionary 65536 bytes; trial over 1048576 bytes: 400000 without, 350000 with\n");
}

void setProfileVariable(const char* value) {
#ifdef _WIN32
  _putenv_s("TOLZEB_PROFILE", value ? value : "");
#else
  if (value) {
    setenv("TOLZEB_PROFILE", value, 1);
  } else {
    unsetenv("TOLZEB_PROFILE");
  }
#endif
}

struct TrialFigures {
  uint64_t dictionaryBytes = 0, trialBytes = 0, withoutTotal = 0, withTotal = 0;
};

TrialFigures parseProfileLine(const std::string& line) {
  TrialFigures f;
  unsigned long long d = 0, t = 0, wo = 0, w = 0;
  EXPECT_EQ(std::sscanf(line.c_str(), "[tolzeb] dictionary %llu bytes; trial over %llu bytes: %llu without, %llu with",
                        &d, &t, &wo, &w),
            4)
      << line;
  f = {d, t, wo, w};
  return f;
}

class DictionaryTrialTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kChunk = 65536;

  void SetUp() override {
    for (int i = 0; i < 48; ++i) {
      const std::wstring name = L"r" + std::to_wstring(100 + i) + L".xml";
      tree_.writeText(name, recordText(6000, i));
      records_.push_back(fileEntry(tree_, name, 6000));
    }
  }
  void TearDown() override { setProfileVariable(nullptr); }

  // The trial with the profile line captured.
  std::pair<std::vector<uint8_t>, std::string> profiledTrial(uint64_t totalBytes, const char* profile = "1") {
    setProfileVariable(profile);
    ::testing::internal::CaptureStderr();
    auto result = trialDictionary(records_, kChunk, totalBytes, 1);
    std::string line = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(result.hasValue());
    return {result.hasValue() ? result.value() : std::vector<uint8_t>(), line};
  }

  ScratchTree tree_;
  std::vector<SourceEntry> records_;
};

TEST_F(DictionaryTrialTest, KeepsAPayingDictionaryDeterministicallyAndSaysSoWhenAsked) {
  const uint64_t total = 1000000000;
  auto [dictionary, line] = profiledTrial(total);
  ASSERT_FALSE(dictionary.empty());
  EXPECT_LE(dictionary.size(), kDictionaryTarget);
  const TrialFigures figures = parseProfileLine(line);
  EXPECT_EQ(figures.dictionaryBytes, dictionary.size());
  EXPECT_EQ(figures.trialBytes, 4u * kChunk);
  EXPECT_LT(figures.withTotal, figures.withoutTotal);

  // Same inputs, same dictionary; without the variable, or with a value too long, no line.
  for (const char* profile : {static_cast<const char*>(nullptr), "12345678", "0"}) {
    auto [again, quiet] = profiledTrial(total, profile);
    EXPECT_EQ(again, dictionary);
    EXPECT_EQ(quiet, "");
  }
}

TEST_F(DictionaryTrialTest, ProjectedSavingMustExceedTwiceTheDictionary) {
  // A huge total makes the dictionary the same whatever the exact total; the figures tell where
  // the projected saving crosses twice the dictionary's size.
  const TrialFigures figures = parseProfileLine(profiledTrial(1000000000).second);
  const double perInputByte = double(figures.withoutTotal - figures.withTotal) / double(figures.trialBytes);
  uint64_t threshold = uint64_t(double(2 * figures.dictionaryBytes) / perInputByte);
  while (uint64_t(double(figures.withoutTotal - figures.withTotal) * double(threshold) / double(figures.trialBytes)) <=
         2 * figures.dictionaryBytes) {
    ++threshold;
  }
  ASSERT_GE(threshold, 8 * figures.dictionaryBytes);  // the trainer's own ratio test stays out of the way
  EXPECT_FALSE(profiledTrial(threshold).first.empty());
  auto [rejected, line] = profiledTrial(threshold - 1);
  EXPECT_TRUE(rejected.empty());
  EXPECT_EQ(line, "");
}

TEST(DictionaryTrialNoDictionaryTest, TooLittleOrUnsuitableMaterial) {
  ScratchTree tree;
  tree.writeText(L"one.xml", recordText(6000, 1));
  std::vector<SourceEntry> randomFiles;
  std::vector<SourceEntry> smallFiles;
  for (int i = 0; i < 20; ++i) {
    const std::wstring name = L"n" + std::to_wstring(100 + i);
    tree.writeFile(name, patternBytes(6000, i));
    randomFiles.push_back(fileEntry(tree, name, 6000));
    const std::wstring smallName = L"s" + std::to_wstring(100 + i);
    tree.writeText(smallName, recordText(500, i));
    smallFiles.push_back(fileEntry(tree, smallName, 500));
  }
  struct Case {
    const char* name;
    std::vector<SourceEntry> entries;
  };
  const Case cases[] = {
      {"a single small file", {fileEntry(tree, L"one.xml", 6000)}},
      {"nothing shared between files", randomFiles},
      {"every trial buffer under 4 KiB", {smallFiles.begin(), smallFiles.begin() + 8}},
      {"no files at all", {directoryEntry(L"d")}},
  };
  for (const Case& c : cases) {
    auto result = trialDictionary(c.entries, 65536, 1000000000, 1);
    ASSERT_TRUE(result.hasValue()) << c.name;
    EXPECT_TRUE(result->empty()) << c.name;
  }
}

}  // namespace
}  // namespace tolzeb
