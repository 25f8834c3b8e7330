#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "english_catalogue.h"
#include "ui/foundation/localisation.h"
#include "ui/preview/image_decode.h"
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

void putCode(std::vector<uint8_t>& out, const char (&code)[5]) { out.insert(out.end(), code, code + 4); }

// Appends a chunk (or a LIST with its form type) and returns where its size field sits, to be
// filled in by `closeChunk` once its body is written.
size_t openChunk(std::vector<uint8_t>& out, const char (&code)[5], const char* form = nullptr) {
  putCode(out, code);
  const size_t sizeAt = out.size();
  put32(out, 0);
  if (form) out.insert(out.end(), form, form + 4);
  return sizeAt;
}
void closeChunk(std::vector<uint8_t>& out, size_t sizeAt) {
  const uint32_t size = uint32_t(out.size() - sizeAt - 4);
  for (int i = 0; i < 4; ++i) out[sizeAt + i] = uint8_t(size >> (8 * i));
  if (out.size() % 2) out.push_back(0);
}

struct Bgr {
  uint8_t blue, green, red;
};

// One second of uncompressed 24-bit video at 10 frames a second, `width` x `height` pixels, its
// top half `top` and its bottom half `bottom`: an AVI with one stream and an index.
std::vector<uint8_t> makeAvi(uint32_t width, uint32_t height, Bgr top, Bgr bottom) {
  const uint32_t frames = 10;
  const uint32_t rowBytes = (width * 3 + 3) & ~3u;
  const uint32_t frameBytes = rowBytes * height;
  std::vector<uint8_t> frame(frameBytes, 0);
  for (uint32_t row = 0; row < height; ++row) {
    // Rows are stored bottom row first.
    const Bgr colour = row < height / 2 ? bottom : top;
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* pixel = frame.data() + row * rowBytes + x * 3;
      pixel[0] = colour.blue;
      pixel[1] = colour.green;
      pixel[2] = colour.red;
    }
  }
  std::vector<uint8_t> out;
  const size_t riff = openChunk(out, "RIFF", "AVI ");
  const size_t hdrl = openChunk(out, "LIST", "hdrl");
  const size_t avih = openChunk(out, "avih");
  for (uint32_t value : {100000u, frameBytes * 10, 0u, 0x10u /* has an index */, frames, 0u, 1u, frameBytes, width,
                         height, 0u, 0u, 0u, 0u})
    put32(out, value);
  closeChunk(out, avih);
  const size_t strl = openChunk(out, "LIST", "strl");
  const size_t strh = openChunk(out, "strh");
  putCode(out, "vids");
  putCode(out, "DIB ");
  for (uint32_t value : {0u, 0u, 0u, 1u /* scale */, 10u /* rate */, 0u, frames, frameBytes, 0xFFFFFFFFu, 0u})
    put32(out, value);
  for (uint16_t value : {uint16_t(0), uint16_t(0), uint16_t(width), uint16_t(height)}) put16(out, value);
  closeChunk(out, strh);
  const size_t strf = openChunk(out, "strf");
  put32(out, 40);
  put32(out, width);
  put32(out, height);  // positive: bottom-up rows
  put16(out, 1);
  put16(out, 24);
  for (uint32_t value : {0u, frameBytes, 0u, 0u, 0u, 0u}) put32(out, value);
  closeChunk(out, strf);
  closeChunk(out, strl);
  closeChunk(out, hdrl);
  const size_t movi = openChunk(out, "LIST", "movi");
  const size_t moviStart = movi + 4;  // index offsets count from the "movi" form type
  std::vector<uint32_t> offsets;
  for (uint32_t i = 0; i < frames; ++i) {
    offsets.push_back(uint32_t(out.size() - moviStart));
    const size_t chunk = openChunk(out, "00db");
    out.insert(out.end(), frame.begin(), frame.end());
    closeChunk(out, chunk);
  }
  closeChunk(out, movi);
  const size_t idx1 = openChunk(out, "idx1");
  for (uint32_t offset : offsets) {
    putCode(out, "00db");
    put32(out, 0x10);  // key frame
    put32(out, offset);
    put32(out, frameBytes);
  }
  closeChunk(out, idx1);
  closeChunk(out, riff);
  return out;
}

bool runningUnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
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

TEST_F(PlatformMediaTest, VideoEntryFactsAndFrame) {
  const MediaReader reader = platformMediaReader();
  if (!reader.available()) GTEST_SKIP() << "no media components on this system";
  const Bgr red{0, 0, 255};
  const Bgr blue{255, 0, 0};
  WorkerApartment apartment;
  PreviewResult result;
  previewMedia(makeAvi(64, 48, red, blue), result, [] { return false; }, reader);
  ASSERT_EQ(result.state, PreviewState::ready) << std::string(result.message.begin(), result.message.end());
  EXPECT_TRUE(result.hasVideo);
  EXPECT_FALSE(result.hasAudio);
  EXPECT_EQ(result.videoWidth, 64u);
  EXPECT_EQ(result.videoHeight, 48u);
  EXPECT_NEAR(result.frameRate, 10.0, 0.01);
  EXPECT_TRUE(result.durationKnown);
  EXPECT_NEAR(result.durationSeconds, 1.0, 0.01);
  if (runningUnderWine()) {
    // Wine 8's source reader offers this stream as RGB24, NV12, YV12, YUY2, IYUV and I420 only
    // and refuses RGB32 (MF_E_TOPO_CODEC_NOT_FOUND): it inserts no converter. The entry is then
    // shown with its facts and without a frame.
    EXPECT_TRUE(result.noVideoFrame);
    EXPECT_EQ(result.image.width, 0u);
    EXPECT_TRUE(result.image.pixels.empty());
    return;
  }
  ASSERT_FALSE(result.noVideoFrame);
  const PreviewImage& image = result.image;
  ASSERT_EQ(image.width, 64u);
  ASSERT_EQ(image.height, 48u);
  EXPECT_EQ(image.stride, 64u * 4);
  EXPECT_FALSE(image.scaled);
  ASSERT_EQ(image.pixels.size(), size_t(64) * 4 * 48);
  // Top row first, in BGRA, opaque.
  const auto pixelAt = [&](uint32_t x, uint32_t y) { return image.pixels.data() + y * image.stride + x * 4; };
  const uint8_t* topPixel = pixelAt(32, 4);
  const uint8_t* bottomPixel = pixelAt(32, 44);
  EXPECT_NEAR(topPixel[2], 255, 8);
  EXPECT_NEAR(topPixel[0], 0, 8);
  EXPECT_NEAR(bottomPixel[0], 255, 8);
  EXPECT_NEAR(bottomPixel[2], 0, 8);
  EXPECT_EQ(topPixel[3], 255);
  EXPECT_EQ(bottomPixel[3], 255);
}

TEST_F(PlatformMediaTest, LargeFramesAreScaledToTheLongestSide) {
  WorkerApartment apartment;  // the preview worker's apartment, where the scaler runs
  PreviewImage image;
  image.width = image.sourceWidth = 4000;
  image.height = image.sourceHeight = 100;
  image.stride = 4000 * 4;
  image.pixels.resize(size_t(image.stride) * image.height);
  for (size_t i = 0; i < image.pixels.size(); i += 4) {
    image.pixels[i] = 200;
    image.pixels[i + 1] = 100;
    image.pixels[i + 2] = 50;
    image.pixels[i + 3] = 255;
  }
  ASSERT_TRUE(frameToBitmap(image, kMediaFrameLongestSide));
  EXPECT_EQ(image.width, 2560u);
  EXPECT_EQ(image.height, 64u);
  EXPECT_EQ(image.stride, 2560u * 4);
  EXPECT_EQ(image.sourceWidth, 4000u);
  EXPECT_TRUE(image.scaled);
  ASSERT_EQ(image.pixels.size(), size_t(2560) * 4 * 64);
  const uint8_t* middle = image.pixels.data() + 32 * image.stride + 1280 * 4;
  EXPECT_NEAR(middle[0], 200, 2);
  EXPECT_NEAR(middle[1], 100, 2);
  EXPECT_NEAR(middle[2], 50, 2);

  PreviewImage small;
  small.width = small.height = 2;
  small.stride = 8;
  small.pixels.assign(16, 7);
  EXPECT_TRUE(frameToBitmap(small, kMediaFrameLongestSide));
  EXPECT_FALSE(small.scaled);
  EXPECT_EQ(small.width, 2u);
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
