#include "ui/preview/image_decode.h"

#include <windows.h>
#include <wincodec.h>

#include <vector>

#include "english_catalogue.h"
#include "ui/foundation/com_owner_win32.h"
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

// A 1 × 1 GIF whose one pixel is index 0 of a two-colour table (red, blue): the LZW data is the
// clear code, 0 and the end code.
const std::vector<uint8_t> kRedPixelGif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0, 0, 0,
                                           0xFF, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};

// A JPEG of one colour, made by the imaging component's own encoder; empty when it has none.
std::vector<uint8_t> solidJpeg(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> out;
  ComOwner<IWICImagingFactory> factory;
  ComOwner<IStream> stream;
  ComOwner<IWICBitmapEncoder> encoder;
  ComOwner<IWICBitmapFrameEncode> frame;
  std::vector<uint8_t> pixels;
  for (uint32_t i = 0; i < width * height; ++i) pixels.push_back(b), pixels.push_back(g), pixels.push_back(r);
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  bool made = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                         factory.outVoid())) &&
              SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, stream.out())) &&
              SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.out())) &&
              SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(frame.out(), nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
              SUCCEEDED(frame->SetSize(width, height)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
              IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
              SUCCEEDED(frame->WritePixels(height, width * 3, UINT(pixels.size()), pixels.data())) &&
              SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  if (made) {
    HGLOBAL memory = nullptr;
    if (SUCCEEDED(GetHGlobalFromStream(stream.get(), &memory))) {
      STATSTG stat{};
      stream->Stat(&stat, STATFLAG_NONAME);
      const auto* bytes = static_cast<const uint8_t*>(GlobalLock(memory));
      if (bytes) out.assign(bytes, bytes + stat.cbSize.QuadPart);
      GlobalUnlock(memory);
    }
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

TEST_F(ImageDecodeTest, DecodesAGifAndAJpegInTheirColours) {
  PreviewImage gif;
  std::wstring message;
  ASSERT_TRUE(decodeImage(kRedPixelGif.data(), kRedPixelGif.size(), gif, message)) << message;
  ASSERT_EQ(gif.width, 1u);
  ASSERT_EQ(gif.height, 1u);
  EXPECT_EQ(gif.pixels[0], 0);     // blue
  EXPECT_EQ(gif.pixels[2], 0xFF);  // red
  EXPECT_EQ(gif.pixels[3], 0xFF);  // opaque

  const std::vector<uint8_t> jpeg = solidJpeg(16, 8, 0, 128, 255);
  ASSERT_GT(jpeg.size(), 2u);
  ASSERT_EQ(jpeg[0], 0xFF);
  ASSERT_EQ(jpeg[1], 0xD8);
  PreviewImage image;
  ASSERT_TRUE(decodeImage(jpeg.data(), jpeg.size(), image, message)) << message;
  ASSERT_EQ(image.width, 16u);
  ASSERT_EQ(image.height, 8u);
  // Lossy, but a block of one colour comes back within a few steps.
  EXPECT_NEAR(image.pixels[0], 255, 6);  // blue
  EXPECT_NEAR(image.pixels[1], 128, 6);  // green
  EXPECT_NEAR(image.pixels[2], 0, 6);    // red
  EXPECT_EQ(image.pixels[3], 0xFF);
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
