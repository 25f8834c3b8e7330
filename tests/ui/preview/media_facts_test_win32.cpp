#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "english_catalogue.h"
#include "ui/foundation/localisation.h"
#include "ui/preview/media_facts.h"

namespace tolzeb::ui {
namespace {

void put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}
void put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(uint8_t(value));
  out.push_back(uint8_t(value >> 8));
}

// One second of a quiet 8 kHz mono 16-bit tone.
std::vector<uint8_t> makeWav() {
  const uint32_t rate = 8000;
  const uint32_t dataBytes = rate * 2;
  std::vector<uint8_t> out;
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put32(out, 36 + dataBytes);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, 1);
  put32(out, rate);
  put32(out, rate * 2);
  put16(out, 2);
  put16(out, 16);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put32(out, dataBytes);
  for (uint32_t i = 0; i < rate; ++i) put16(out, uint16_t((i % 16) < 8 ? 1000 : -1000));
  return out;
}

using PlatformMediaTest = EnglishCatalogueTest;

TEST_F(PlatformMediaTest, WavEntryFacts) {
  const MediaReader reader = platformMediaReader();
  ASSERT_TRUE(reader.available && reader.read);
  if (!reader.available()) GTEST_SKIP() << "no media components on this system";
  MediaInfo info;
  PreviewImage image;
  std::wstring message;
  ASSERT_TRUE(reader.read(makeWav(), kMediaFrameLongestSide, info, image, message, [] { return false; }))
      << std::string(message.begin(), message.end());
  EXPECT_TRUE(info.hasAudio);
  EXPECT_FALSE(info.hasVideo);
  EXPECT_EQ(info.audioCodec, L"PCM");
  EXPECT_EQ(info.sampleRate, 8000u);
  EXPECT_EQ(info.channels, 1u);
  EXPECT_EQ(info.bitsPerSample, 16u);
  EXPECT_TRUE(info.durationKnown);
  EXPECT_NEAR(info.durationSeconds, 1.0, 0.01);
  EXPECT_EQ(image.width, 0u);
}

TEST_F(PlatformMediaTest, BytesNoReaderTakesEndWithAMessage) {
  const MediaReader reader = platformMediaReader();
  if (!reader.available()) GTEST_SKIP() << "no media components on this system";
  struct Case {
    std::vector<uint8_t> bytes;
    const char* key;
  };
  const Case cases[] = {
      {{}, "previewerror.media_nothing_to_read"},
      {std::vector<uint8_t>(64, 0x5A), "filetype.no_decoder"},
  };
  for (const Case& c : cases) {
    MediaInfo info;
    PreviewImage image;
    std::wstring message;
    EXPECT_FALSE(reader.read(c.bytes, kMediaFrameLongestSide, info, image, message, [] { return false; })) << c.key;
    EXPECT_EQ(message, i18n::translate(c.key)) << c.key;
  }
}

}  // namespace
}  // namespace tolzeb::ui
