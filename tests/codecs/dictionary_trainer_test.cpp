#include "codecs/dictionary_trainer.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "engine/core/crc32c.h"
#include "support/random_bytes.h"

namespace tolzeb {
namespace {

using testing::randomBytes;

// Samples are spelled as letters, each letter a fixed random block: "AB" is block A followed by
// block B in one sample. A and B are one piece long, C is a short piece.
class BlockAlphabet {
 public:
  BlockAlphabet() {
    blocks_['A'] = randomBytes(1024, 1);
    blocks_['B'] = randomBytes(1024, 2);
    blocks_['C'] = randomBytes(64, 3);
  }

  std::vector<uint8_t> spell(const std::string& letters) const {
    std::vector<uint8_t> out;
    for (char letter : letters) {
      const auto& block = blocks_.at(letter);
      out.insert(out.end(), block.begin(), block.end());
    }
    return out;
  }

 private:
  std::map<char, std::vector<uint8_t>> blocks_;
};

std::vector<std::span<const uint8_t>> viewsOf(const std::vector<std::vector<uint8_t>>& samples) {
  return {samples.begin(), samples.end()};
}

DictionaryTrainingOptions optionsWith(uint32_t target, uint32_t minRatio, uint64_t inputBytes, uint32_t minCount) {
  DictionaryTrainingOptions options;
  options.targetSize = target;
  options.minRatio = minRatio;
  options.inputBytes = inputBytes;
  options.minSampleCount = minCount;
  return options;
}

TEST(DictionaryTrainerTest, ChoosesSharedPiecesByTheRules) {
  struct Case {
    const char* name;
    std::vector<std::string> samples;
    DictionaryTrainingOptions options;
    std::string expected;  // letters of the dictionary, empty for none
  };
  const Case cases[] = {
      {"no samples", {}, optionsWith(4096, 0, 0, 2), ""},
      {"one sample, however repetitive", {"AAAA"}, optionsWith(4096, 0, 0, 2), ""},
      {"two identical samples do not pay for a piece", {"A", "A"}, optionsWith(4096, 0, 0, 2), ""},
      {"three identical samples give the first one's piece", {"A", "A", "A"}, optionsWith(4096, 0, 0, 2), "A"},
      {"repeats inside one sample count once", {"AAAAA", "B"}, optionsWith(4096, 0, 0, 2), ""},
      {"target below 1024", {"A", "A", "A"}, optionsWith(1023, 0, 0, 2), ""},
      {"target of exactly 1024", {"A", "A", "A"}, optionsWith(1024, 0, 0, 2), "A"},
      {"samples shorter than a gram", {"", "", ""}, optionsWith(4096, 0, 0, 2), ""},
      {"pieces come out in sample order, not score order",
       {"A", "B", "A", "B", "A", "B", "B"}, optionsWith(4096, 0, 0, 2), "AB"},
      {"a piece that does not fit is dropped and a smaller one still taken",
       {"A", "A", "A", "A", "A", "B", "B", "B", "B", "C", "C", "C"}, optionsWith(1100, 0, 0, 2), "AC"},
      {"minimum sample count above the gram's count", {"A", "A", "A"}, optionsWith(4096, 0, 0, 4), ""},
      {"minimum sample count reached", {"A", "A", "A", "A"}, optionsWith(4096, 0, 0, 4), "A"},
      {"minimum sample count below 2 counts as 2", {"A", "A"}, optionsWith(4096, 0, 0, 0), ""},
      {"ratio met by the input size", {"A", "A", "A"}, optionsWith(4096, 8, 8192, 2), "A"},
      {"ratio missed by the input size", {"A", "A", "A"}, optionsWith(4096, 8, 8191, 2), ""},
      {"ratio against the samples when no input size is given", {"A", "A", "A"}, optionsWith(4096, 8, 0, 2), ""},
  };
  const BlockAlphabet alphabet;
  for (const Case& c : cases) {
    std::vector<std::vector<uint8_t>> samples;
    for (const auto& letters : c.samples) samples.push_back(alphabet.spell(letters));
    EXPECT_EQ(trainVeltDictionary(viewsOf(samples), c.options), alphabet.spell(c.expected)) << c.name;
  }
}

TEST(DictionaryTrainerTest, RatioBoundaryCountsEveryChosenByte) {
  // One sample written three times: every piece of the first copy is chosen, so the selection
  // is exactly the sample's length, including its short last piece.
  for (const auto& [length, kept] : {std::pair{size_t(125000), true}, std::pair{size_t(125001), false}}) {
    const std::vector<uint8_t> sample = randomBytes(length, 7);
    const std::vector<std::vector<uint8_t>> samples = {sample, sample, sample};
    const auto dictionary = trainVeltDictionary(viewsOf(samples), optionsWith(262144, 8, 1000000, 2));
    EXPECT_EQ(dictionary, kept ? sample : std::vector<uint8_t>()) << length;
  }
}

TEST(DictionaryTrainerTest, StaysWithinTheTarget) {
  // Ten distinct blocks, each in three samples: more worthwhile pieces than the target holds.
  std::vector<std::vector<uint8_t>> samples;
  for (uint32_t block = 0; block < 10; ++block) {
    for (int copy = 0; copy < 3; ++copy) samples.push_back(randomBytes(1024, 100 + block));
  }
  for (uint32_t target : {1024u, 3000u, 4096u, 8191u}) {
    const auto dictionary = trainVeltDictionary(viewsOf(samples), optionsWith(target, 0, 0, 2));
    EXPECT_EQ(dictionary.size(), target / 1024 * 1024) << target;
  }
}

// Text-like samples with shared vocabulary, as the trial collects them from similar files.
std::vector<std::vector<uint8_t>> generatedTextSamples() {
  static const char* const words[] = {"archive", "chunk", "manifest", "entry", "offset", "length",
                                      "checksum", "dictionary", "payload", "header", "footer", "section"};
  std::mt19937 generator(2026);
  std::vector<std::vector<uint8_t>> samples;
  for (int s = 0; s < 24; ++s) {
    std::string text;
    const size_t length = 2000 + generator() % 6000;
    while (text.size() < length) {
      text += "{\"name\": \"";
      text += words[generator() % 12];
      text += "\", \"value\": ";
      text += std::to_string(generator() % 100);
      text += "}\n";
    }
    samples.emplace_back(text.begin(), text.end());
  }
  return samples;
}

TEST(DictionaryTrainerTest, SameSamplesGiveTheSameDictionary) {
  const auto samples = generatedTextSamples();
  const auto options = optionsWith(16384, 0, 0, 2);
  const auto first = trainVeltDictionary(viewsOf(samples), options);
  const auto second = trainVeltDictionary(viewsOf(samples), options);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first, second);
  // Golden value, confirmed by a separate throw-away model of the training rules: a change means
  // archives made with a dictionary are no longer reproduced byte for byte.
  EXPECT_EQ(first.size(), 9216u);
  EXPECT_EQ(crc32c(0, first.data(), first.size()), 0x9D42EB98u);
}

}  // namespace
}  // namespace tolzeb
