#include "engine/container/dictionary_section.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/container/container_format.h"
#include "engine/core/crc32c.h"
#include "test_archive.h"

namespace tolzeb {
namespace {

using testing::narrow;
using testing::sampleBytes;

DictionaryRecord recordOf(Bytes bytes, uint16_t id = 1) {
  DictionaryRecord record;
  record.id = id;
  record.bytes = std::move(bytes);
  return record;
}

Bytes noiseBytes(size_t length) {
  Bytes out(length);
  uint64_t state = 88172645463325252ull;
  for (uint8_t& b : out) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    b = uint8_t(state);
  }
  return out;
}

TEST(DictionarySectionTest, BuildsTheShortestFormAndParsesItBack) {
  struct Case {
    const char* name;
    Bytes bytes;
    bool expectRaw;
  };
  const Case cases[] = {
      {"text", sampleBytes(100000, 9), false},
      {"noise", noiseBytes(5000), true},
      {"one byte", Bytes{42}, true},
      {"4 MiB", sampleBytes(4194304, 5), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Result<Bytes> section = buildDictionarySection({recordOf(c.bytes, 7)});
    ASSERT_TRUE(section.hasValue()) << narrow(section.failure().message);
    const uint8_t codec = (*section)[16 + 2];
    EXPECT_EQ(codec == kCodecStored, c.expectRaw);
    Result<std::vector<DictionaryRecord>> parsed = parseDictionarySection(section->data(), section->size(), 4194304);
    ASSERT_TRUE(parsed.hasValue()) << narrow(parsed.failure().message);
    ASSERT_EQ(parsed->size(), 1u);
    EXPECT_EQ((*parsed)[0].id, 7);
    EXPECT_EQ((*parsed)[0].codec, codec);
    EXPECT_EQ((*parsed)[0].crc32c, crc32c(0, c.bytes.data(), c.bytes.size()));
    EXPECT_EQ((*parsed)[0].bytes, c.bytes);
  }
}

TEST(DictionarySectionTest, BuilderRefusesWhatTheFormatCannotHold) {
  EXPECT_TRUE(buildDictionarySection({})->empty());
  struct Case {
    const char* name;
    std::vector<DictionaryRecord> input;
    std::wstring message;
  };
  const Case cases[] = {
      {"two", {recordOf({1}, 1), recordOf({2}, 2)}, L"Too many dictionaries for this format"},
      {"id 0", {recordOf({1}, 0)}, L"A dictionary id must not be zero"},
      {"empty", {recordOf({}, 1)}, L"A dictionary must be between 1 byte and the 4 MiB ceiling"},
      {"above 4 MiB", {recordOf(Bytes(4194305, 1), 1)}, L"A dictionary must be between 1 byte and the 4 MiB ceiling"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Result<Bytes> built = buildDictionarySection(c.input);
    ASSERT_TRUE(built.failed());
    EXPECT_EQ(built.failure().code, StatusCode::invalid_argument);
    EXPECT_EQ(built.failure().message, c.message);
  }
}

TEST(DictionarySectionTest, MalformedSectionsGiveTheirCodeAndMessage) {
  const Bytes raw = *buildDictionarySection({recordOf(noiseBytes(1000), 3)});
  const Bytes coded = *buildDictionarySection({recordOf(sampleBytes(50000, 2), 3)});
  ASSERT_EQ(raw[18], kCodecStored);
  ASSERT_NE(coded[18], kCodecStored);
  const StatusCode corrupt = StatusCode::corrupt_archive;
  struct Case {
    const char* name;
    const Bytes* base;
    std::function<void(Bytes&)> edit;
    uint64_t ceiling;
    StatusCode code;
    std::wstring message;
  };
  const Case cases[] = {
      {"15 bytes", &raw, [](Bytes& b) { b.resize(15); }, 0, corrupt, L"Dictionary section is too short"},
      {"magic", &raw, [](Bytes& b) { b[0] = 'X'; }, 0, corrupt, L"Dictionary section has the wrong magic"},
      {"head reserved", &raw, [](Bytes& b) { b[15] = 1; }, 0, corrupt,
       L"Dictionary section header uses a reserved byte"},
      {"count 0", &raw, [](Bytes& b) { b[8] = 0; }, 0, corrupt, L"Dictionary section declares an unsupported count"},
      {"count 2", &raw, [](Bytes& b) { b[8] = 2; }, 0, corrupt, L"Dictionary section declares an unsupported count"},
      {"record cut", &raw, [](Bytes& b) { b.resize(16 + 47); }, 0, corrupt, L"Dictionary record header is truncated"},
      {"id 0", &raw, [](Bytes& b) { writeU16le(b.data() + 16, 0); }, 0, corrupt,
       L"A dictionary id of zero is not valid"},
      {"record reserved", &raw, [](Bytes& b) { b[16 + 3] = 1; }, 0, corrupt, L"Dictionary record uses a reserved byte"},
      {"codec 3", &raw, [](Bytes& b) { b[16 + 2] = 3; }, 0, StatusCode::unsupported_version,
       L"Dictionary uses a codec this build does not know"},
      {"decoded 0", &raw, [](Bytes& b) { writeU32le(b.data() + 20, 0); }, 0, corrupt,
       L"Dictionary declares an impossible decoded size"},
      {"decoded above 4 MiB", &raw, [](Bytes& b) { writeU32le(b.data() + 20, 4194305); }, 0, corrupt,
       L"Dictionary declares an impossible decoded size"},
      {"stored 0", &raw, [](Bytes& b) { writeU32le(b.data() + 24, 0); }, 0, corrupt, L"Dictionary bytes are truncated"},
      {"stored beyond", &raw, [](Bytes& b) { b.pop_back(); }, 0, corrupt, L"Dictionary bytes are truncated"},
      {"over the ceiling", &raw, [](Bytes&) {}, 999, StatusCode::resource_limit,
       L"Dictionary section asks for more memory than allowed"},
      {"at the ceiling", &raw, [](Bytes&) {}, 1000, corrupt, L""},
      {"raw size differs", &raw, [](Bytes& b) { writeU32le(b.data() + 20, 999); }, 0, corrupt,
       L"A raw dictionary must store exactly its decoded size"},
      {"raw byte", &raw, [](Bytes& b) { b[100] ^= 1; }, 0, corrupt, L"Dictionary failed its checksum"},
      {"digest", &coded, [](Bytes& b) { b[16 + 20] ^= 1; }, 0, corrupt, L"Dictionary failed its digest"},
      {"trailing", &coded, [](Bytes& b) { b.push_back(0); }, 0, corrupt, L"Dictionary section has trailing bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = *c.base;
    c.edit(bytes);
    Result<std::vector<DictionaryRecord>> parsed = parseDictionarySection(bytes.data(), bytes.size(), c.ceiling);
    if (c.message.empty()) {
      EXPECT_TRUE(parsed.hasValue());
      continue;
    }
    ASSERT_TRUE(parsed.failed());
    EXPECT_EQ(parsed.failure().code, c.code);
    EXPECT_EQ(parsed.failure().message, c.message);
  }
}

}  // namespace
}  // namespace tolzeb
