#include "ui/preview/media_facts.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "english_catalogue.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

using namespace std::string_view_literals;

uint32_t code(const char* text) {
  return static_cast<uint8_t>(text[0]) | static_cast<uint8_t>(text[1]) << 8 | static_cast<uint8_t>(text[2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

TEST(MediaFactsTest, CodecNames) {
  struct Case {
    MediaGuid subtype;
    bool video;
    const wchar_t* name;
  };
  MediaGuid mpeg2{0xE06D8026, 0xDB46, 0x11CF, {0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA}};
  MediaGuid offBase = fourCcGuid(code("VP90"));
  offBase.data4[7] = 0x72;
  const Case cases[] = {
      {fourCcGuid(code("H264")), true, L"H.264"},
      {mpeg2, true, L"MPEG-2"},
      {fourCcGuid(0x1610), false, L"AAC"},
      {fourCcGuid(0x0001), false, L"PCM"},
      {fourCcGuid(0x0003), false, L"PCM float"},
      {fourCcGuid(0x0162), false, L"WMA 9"},
      {fourCcGuid(0x6C61), false, L"ALAC"},
      {fourCcGuid(code("VP90")), true, L"VP9"},
      {fourCcGuid(code("hvc1")), true, L"HEVC"},
      {fourCcGuid(code("MP3 ")), false, L"MP3"},
      {fourCcGuid(code("mp4a")), false, L"AAC"},
      {fourCcGuid(code("vp90")), true, L"vp90"},   // the table is case-sensitive
      {fourCcGuid(code("XYZ ")), true, L"XYZ"},    // an unknown code loses its trailing spaces
      {fourCcGuid(0x1610), true, L""},             // a wave tag is not printable as a video code
      {fourCcGuid(code("AB\x01" "C")), true, L""},  // nor is a control character
      {offBase, true, L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(codecName(c.subtype, c.video), c.name) << std::hex << c.subtype.data1;
  }
}

TEST(MediaFactsTest, ContentTypeBySignature) {
  struct Case {
    std::string_view bytes;
    const wchar_t* media;
    const wchar_t* audio;
  };
  const Case cases[] = {
      {"RIFF\0\0\0\0WAVE"sv, L"audio/wav", L"audio/wav"},
      {"RIFF\0\0\0\0WAV"sv, nullptr, nullptr},  // too short for the form
      {"RIFF\0\0\0\0AVI "sv, L"video/avi", nullptr},
      {"ID3"sv, L"audio/mpeg", L"audio/mpeg"},
      {"\xFF\xFB"sv, L"audio/mpeg", L"audio/mpeg"},
      {"\xFF\xC0"sv, nullptr, nullptr},  // not a frame sync
      {"fLaC"sv, L"audio/flac", L"audio/flac"},
      {"OggS"sv, L"audio/ogg", L"audio/ogg"},
      {"\x1A\x45\xDF\xA3"sv, L"video/x-matroska", nullptr},
      {"\x30\x26\xB2\x75"sv, L"video/x-ms-asf", L"audio/x-ms-wma"},
      {"\0\0\0\x20" "ftypqt  "sv, L"video/quicktime", L"audio/mp4"},
      {"\0\0\0\x20" "ftypM4A "sv, L"audio/mp4", L"audio/mp4"},
      {"\0\0\0\x20" "ftypisom"sv, L"video/mp4", L"audio/mp4"},
      {"\0\0\0\x20" "ftypiso"sv, nullptr, nullptr},
      {"RIFF\0\0\0\0WEBP"sv, nullptr, nullptr},
      {"RIFFftypisom"sv, L"video/mp4", L"audio/mp4"},  // another RIFF form goes on to the later tests
      {""sv, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(c.bytes.data());
    const wchar_t* media = mediaMimeType(bytes, c.bytes.size());
    const wchar_t* audio = audioContentType(bytes, c.bytes.size());
    EXPECT_EQ(std::wstring(media ? media : L"-"), std::wstring(c.media ? c.media : L"-")) << std::string(c.bytes);
    EXPECT_EQ(std::wstring(audio ? audio : L"-"), std::wstring(c.audio ? c.audio : L"-")) << std::string(c.bytes);
  }
}

TEST(MediaFactsTest, FrameIsSoughtAtATenthOfTheLengthAtMostOneSecond) {
  EXPECT_EQ(frameSeekPosition(true, 5), 5000000);
  EXPECT_EQ(frameSeekPosition(true, 60), 10000000);
  EXPECT_EQ(frameSeekPosition(false, 0), 10000000);
  EXPECT_EQ(frameSeekPosition(true, 0), 0);
}

TEST(MediaFactsTest, FrameRowsAreCopiedTopRowFirst) {
  // Two rows of one pixel each, with padding after each row.
  const std::vector<uint8_t> memory = {1, 1, 1, 1, 9, 9, 2, 2, 2, 2, 9, 9};
  struct Case {
    const char* what;
    size_t length;
    int32_t stride;
    uint32_t width;
    bool copied;
    std::vector<uint8_t> pixels;
  };
  const Case cases[] = {
      {"top-down", 12, 6, 1, true, {1, 1, 1, 1, 2, 2, 2, 2}},
      {"bottom-up", 12, -6, 1, true, {2, 2, 2, 2, 1, 1, 1, 1}},
      {"last row needs no padding", 10, 6, 1, true, {1, 1, 1, 1, 2, 2, 2, 2}},
      {"buffer one byte short", 9, 6, 1, false, {}},
      {"stride narrower than a row", 12, 6, 2, false, {}},
      {"bottom-up stride narrower than a row", 12, -4, 2, false, {}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> pixels;
    EXPECT_EQ(copyFrameRows(memory.data(), c.length, c.stride, c.width, 2, pixels), c.copied) << c.what;
    if (c.copied) {
      EXPECT_EQ(pixels, c.pixels) << c.what;
    }
  }
}

TEST(MediaFactsTest, FrameSizeLimitAndStride) {
  EXPECT_TRUE(frameSizeAcceptable(1, 1));
  EXPECT_TRUE(frameSizeAcceptable(8192, 8192));  // exactly 256 MiB of pixels
  EXPECT_FALSE(frameSizeAcceptable(8192, 8193));
  EXPECT_FALSE(frameSizeAcceptable(0, 480));
  EXPECT_FALSE(frameSizeAcceptable(640, 0));
  EXPECT_FALSE(frameSizeAcceptable(0xFFFFFFFF, 0xFFFFFFFF));  // no 32-bit wrap lets it through

  EXPECT_EQ(frameStride(0, 640), 2560);
  EXPECT_EQ(frameStride(2688, 640), 2688);
  EXPECT_EQ(frameStride(-2560, 640), -2560);
}

TEST(MediaFactsTest, FramesAreFittedToTheLongestSide) {
  struct Case {
    const char* what;
    uint32_t width, height, longest;
    bool scales;
    uint32_t outWidth, outHeight;
  };
  const Case cases[] = {
      {"4K landscape", 3840, 2160, 2560, true, 2560, 1440},
      {"tall portrait", 1000, 5120, 2560, true, 500, 2560},
      {"exactly the limit", 2560, 100, 2560, false, 2560, 100},
      {"small", 320, 240, 2560, false, 320, 240},
      {"a thin strip keeps one pixel", 100000, 10, 2560, true, 2560, 1},
      {"no limit", 5000, 5000, 0, false, 5000, 5000},
  };
  for (const Case& c : cases) {
    uint32_t width = 0, height = 0;
    EXPECT_EQ(fitToLongestSide(c.width, c.height, c.longest, width, height), c.scales) << c.what;
    EXPECT_EQ(width, c.outWidth) << c.what;
    EXPECT_EQ(height, c.outHeight) << c.what;
  }
}

TEST(MediaFactsTest, DecodedFramesBecomeOpaque) {
  std::vector<uint8_t> pixels = {1, 2, 3, 0, 4, 5, 6, 7};
  makeOpaque(pixels);
  EXPECT_EQ(pixels, (std::vector<uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
}

class MediaPreviewTest : public EnglishCatalogueTest {};

TEST_F(MediaPreviewTest, OutcomeStatesAndMessages) {
  MediaInfo video;
  video.hasVideo = video.hasAudio = true;
  video.durationKnown = true;
  video.durationSeconds = 5;
  video.videoWidth = 640;
  video.videoHeight = 360;
  video.frameRate = 25;
  video.sampleRate = 48000;
  video.channels = 2;
  video.videoCodec = L"H.264";
  video.audioCodec = L"AAC";
  MediaInfo sound;
  sound.hasAudio = true;
  sound.sampleRate = 44100;
  sound.channels = 1;
  struct Case {
    const char* what;
    bool truncated;
    bool available;
    bool reads;
    MediaInfo info;
    bool frame;
    PreviewState state;
    std::wstring message;
    bool noVideoFrame;
  };
  const Case cases[] = {
      {"partial read", true, true, true, video, true, PreviewState::tooLarge,
       i18n::translate("filetype.media_truncated"), false},
      {"no components", false, false, true, video, true, PreviewState::unsupported,
       i18n::translate("filetype.no_media_component"), false},
      {"unreadable", false, true, false, video, false, PreviewState::unsupported, L"no tracks", false},
      {"video with a frame", false, true, true, video, true, PreviewState::ready, L"", false},
      {"video without a frame", false, true, true, video, false, PreviewState::ready, L"", true},
      {"sound only", false, true, true, sound, false, PreviewState::ready, L"", false},
  };
  for (const Case& c : cases) {
    MediaReader reader;
    int reads = 0;
    reader.available = [&c] { return c.available; };
    reader.read = [&](const std::vector<uint8_t>&, uint32_t longest, MediaInfo& info, PreviewImage& image,
                      std::wstring& message, const CancelCheck&) {
      ++reads;
      EXPECT_EQ(longest, kMediaFrameLongestSide);
      info = c.info;
      if (c.frame) {
        image.width = image.height = 1;
        image.stride = 4;
        image.pixels.assign(4, 0xFF);
      }
      if (!c.reads) message = L"no tracks";
      return c.reads;
    };
    PreviewResult result;
    result.truncated = c.truncated;
    previewMedia({1, 2, 3}, result, [] { return false; }, reader);
    EXPECT_EQ(result.state, c.state) << c.what;
    EXPECT_EQ(result.message, c.message) << c.what;
    EXPECT_EQ(result.noVideoFrame, c.noVideoFrame) << c.what;
    EXPECT_EQ(reads, c.truncated || !c.available ? 0 : 1) << c.what;
    if (c.state == PreviewState::ready) {
      EXPECT_EQ(result.hasAudio, c.info.hasAudio) << c.what;
      EXPECT_EQ(result.sampleRate, c.info.sampleRate) << c.what;
      EXPECT_EQ(result.channels, c.info.channels) << c.what;
      EXPECT_EQ(result.videoWidth, c.info.videoWidth) << c.what;
      EXPECT_EQ(result.frameRate, c.info.frameRate) << c.what;
      EXPECT_EQ(result.durationSeconds, c.info.durationSeconds) << c.what;
      EXPECT_EQ(result.videoCodec, c.info.videoCodec) << c.what;
      EXPECT_EQ(result.audioCodec, c.info.audioCodec) << c.what;
    }
  }
}

TEST_F(MediaPreviewTest, EmptyReaderMeansNoComponents) {
  PreviewResult result;
  previewMedia({1}, result, [] { return false; }, MediaReader{});
  EXPECT_EQ(result.state, PreviewState::unsupported);
  EXPECT_EQ(result.message, i18n::translate("filetype.no_media_component"));
}

}  // namespace
}  // namespace tolzeb::ui
