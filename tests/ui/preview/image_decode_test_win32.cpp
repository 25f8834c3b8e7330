#include "ui/preview/image_decode.h"

#include <windows.h>

#include <vector>

#include "english_catalogue.h"
#include "ui/foundation/png_writer.h"

namespace tolzeb::ui {
namespace {

void put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A 24-bit bottom-up bitmap file of one colour.
std::vector<uint8_t> solidBmp(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b) {
  uint32_t rowBytes = (width * 3 + 3) & ~3u;
  std::vector<uint8_t> out = {'B', 'M'};
  put32(out, 54 + rowBytes * height);
  put32(out, 0);
  put32(out, 54);
  put32(out, 40);
  put32(out, width);
  put32(out, height);
  out.push_back(1), out.push_back(0), out.push_back(24), out.push_back(0);
  for (int i = 0; i < 6; ++i) put32(out, 0);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) out.push_back(b), out.push_back(g), out.push_back(r);
    for (uint32_t pad = width * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

class ImageDecodeTest : public EnglishCatalogueTest {
 protected:
  WorkerApartment apartment;
};

TEST_F(ImageDecodeTest, DecodesAPngIntoPremultipliedBgra) {
  std::vector<uint8_t> png = tolzeb::testing::encodeGreyPng(std::vector<uint8_t>(6, 0x80), 3, 2);
  PreviewImage image;
  std::wstring message;
  ASSERT_TRUE(decodeImage(png.data(), png.size(), image, message)) << message;
  EXPECT_EQ(image.width, 3u);
  EXPECT_EQ(image.height, 2u);
  EXPECT_EQ(image.stride, 12u);
  EXPECT_FALSE(image.scaled);
  ASSERT_EQ(image.pixels.size(), 24u);
  EXPECT_EQ(image.pixels[0], 0x80);
  EXPECT_EQ(image.pixels[3], 0xFF);
}

TEST_F(ImageDecodeTest, DecodesABitmapInItsColours) {
  std::vector<uint8_t> bmp = solidBmp(5, 3, 0, 128, 255);
  PreviewImage image;
  std::wstring message;
  ASSERT_TRUE(decodeImage(bmp.data(), bmp.size(), image, message)) << message;
  ASSERT_EQ(image.width, 5u);
  ASSERT_EQ(image.height, 3u);
  EXPECT_EQ(image.pixels[0], 255);  // blue
  EXPECT_EQ(image.pixels[1], 128);  // green
  EXPECT_EQ(image.pixels[2], 0);    // red
}

TEST_F(ImageDecodeTest, WidePicturesAreScaledToTheLongestSide) {
  struct Case {
    uint32_t width, height, expectWidth, expectHeight;
    bool scaled;
  };
  for (const Case& c : {Case{5120, 100, 2560, 50, true}, Case{10000, 2, 2560, 1, true},
                        Case{2560, 2560, 2560, 2560, false}}) {
    uint32_t w = 0, h = 0;
    scaledPreviewSize(c.width, c.height, w, h);
    EXPECT_EQ(w, c.expectWidth);
    EXPECT_EQ(h, c.expectHeight);
  }
  std::vector<uint8_t> png = tolzeb::testing::encodeGreyPng(std::vector<uint8_t>(5120 * 100, 0x40), 5120, 100);
  PreviewImage image;
  std::wstring message;
  ASSERT_TRUE(decodeImage(png.data(), png.size(), image, message)) << message;
  EXPECT_EQ(image.width, 2560u);
  EXPECT_EQ(image.height, 50u);
  EXPECT_EQ(image.sourceWidth, 5120u);
  EXPECT_EQ(image.sourceHeight, 100u);
  EXPECT_TRUE(image.scaled);
  EXPECT_EQ(image.pixels.size(), 2560u * 50 * 4);
}

TEST_F(ImageDecodeTest, BytesNoDecoderKnowsFail) {
  const uint8_t junk[] = {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8};
  PreviewImage image;
  std::wstring message;
  EXPECT_FALSE(decodeImage(junk, sizeof(junk), image, message));
  EXPECT_TRUE(image.pixels.empty());
}

}  // namespace
}  // namespace tolzeb::ui
