#include <d2d1.h>
#include <gtest/gtest.h>

#include <memory>

#include "offscreen_target_win32.h"
#include "ui/foundation/com_apartment_win32.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/renderer.h"

namespace tolzeb::ui {
namespace {

using testing::Bgra;
using testing::darkness;
using testing::OffscreenTarget;

constexpr Color kBlack{0, 0, 0, 1};
constexpr Color kWhite{1, 1, 1, 1};

using testing::ComApartment;

class RendererOffscreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(target.valid());
    ASSERT_TRUE(renderer.createFactories());
    ASSERT_TRUE(renderer.attachToBitmap(target.bitmap(), 96));
  }
  // One frame on white.
  template <typename Draw>
  bool paint(Draw draw) {
    if (!renderer.beginDraw()) return false;
    renderer.clear(kWhite);
    draw();
    return renderer.endDraw();
  }
  int darkPixels() {
    int count = 0;
    for (Bgra pixel : target.pixels()) count += darkness(pixel) > 127;
    return count;
  }

  ComApartment com;
  OffscreenTarget target{64, 48};
  Renderer renderer;
};

TEST(Renderer, WithoutATargetEverythingIsHarmless) {
  Renderer renderer;
  renderer.resize(10, 10);
  renderer.setDpi(144);
  EXPECT_EQ(renderer.size().width, 0);
  EXPECT_FALSE(renderer.beginDraw());
  EXPECT_FALSE(renderer.endDraw());
  renderer.fillRect({0, 0, 5, 5}, kBlack);
  EXPECT_FALSE(renderer.drawPixels({0, 0, 1, 1}, 1, "abcd", 1, 1, 4));
  EXPECT_FALSE(renderer.drawProgramIcon({0, 0, 16, 16}));
  EXPECT_EQ(renderer.measureText(L"abc", TextStyle::Body, 100).width, 0);
}

LRESULT CALLBACK plainWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcW(window, message, w, l);
}

TEST(Renderer, AnEmptyClientAreaGetsAOnePixelTarget) {
  ComApartment com;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = plainWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TolZebRendererTest";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  {
    Renderer renderer;
    ASSERT_TRUE(renderer.createFactories());
    ASSERT_TRUE(renderer.attach(window, 96));
    EXPECT_EQ(renderer.size().width, 1);
    EXPECT_EQ(renderer.size().height, 1);
    renderer.resize(50, 20);
    EXPECT_EQ(renderer.size().width, 50);
    EXPECT_EQ(renderer.size().height, 20);
    renderer.resize(0, 0);
    EXPECT_EQ(renderer.size().width, 1);
    EXPECT_EQ(renderer.size().height, 1);
    renderer.resize(60, 30);
    renderer.setDpi(192);
    EXPECT_EQ(renderer.size().width, 30);
    EXPECT_EQ(renderer.size().height, 15);
    EXPECT_TRUE(renderer.beginDraw());
    renderer.clear(kWhite);
    EXPECT_TRUE(renderer.endDraw());
  }
  DestroyWindow(window);
}

TEST_F(RendererOffscreen, FillsLandOnTheirPixels) {
  ASSERT_TRUE(paint([&] {
    renderer.fillRect({4, 4, 12, 12}, palette::brandRed);
    renderer.fillEllipse({40, 24}, 6, kBlack);
    renderer.drawLine({0, 40.5f}, {64, 40.5f}, kBlack, 1);
  }));
  const Bgra red = target.at(8, 8);
  EXPECT_EQ(red.r, 200);
  EXPECT_EQ(red.g, 0);
  EXPECT_EQ(red.b, 24);
  EXPECT_EQ(target.at(12, 8).r, 255);  // the right edge is not filled
  EXPECT_EQ(darkness(target.at(40, 24)), 255);
  EXPECT_EQ(darkness(target.at(40, 31)), 0);
  EXPECT_GT(darkness(target.at(20, 40)), 200);
  EXPECT_EQ(darkness(target.at(20, 38)), 0);
}

TEST_F(RendererOffscreen, ARoundedOutlineStaysInsideItsRectangle) {
  // Stroke 2 on a rectangle 10 wide: the stroke runs on the 8-wide rectangle centred in it.
  ASSERT_TRUE(paint([&] { renderer.drawRoundedRect({10, 10, 20, 30}, 0, kBlack, 2); }));
  const unsigned y = 20;
  EXPECT_EQ(darkness(target.at(9, y)), 0);
  EXPECT_GT(darkness(target.at(10, y)), 200);
  EXPECT_GT(darkness(target.at(11, y)), 200);
  EXPECT_EQ(darkness(target.at(12, y)), 0);
  EXPECT_EQ(darkness(target.at(17, y)), 0);
  EXPECT_GT(darkness(target.at(18, y)), 200);
  EXPECT_GT(darkness(target.at(19, y)), 200);
  EXPECT_EQ(darkness(target.at(20, y)), 0);
  EXPECT_EQ(darkness(target.at(15, 9)), 0);
  EXPECT_GT(darkness(target.at(15, 10)), 200);
  EXPECT_GT(darkness(target.at(15, 29)), 200);
  EXPECT_EQ(darkness(target.at(15, 30)), 0);
}

TEST_F(RendererOffscreen, TextOutsideTheStylesDrawsAndMeasuresNothing) {
  const auto noStyle = static_cast<TextStyle>(10);
  ASSERT_TRUE(paint([&] {
    renderer.drawText(L"Hello", noStyle, {0, 0, 64, 48}, kBlack, TextAlign::Leading);
    renderer.drawText(L"", TextStyle::Body, {0, 0, 64, 48}, kBlack, TextAlign::Leading);
  }));
  EXPECT_EQ(darkPixels(), 0);
  for (auto [text, style] : {std::pair{L"Hello", noStyle}, std::pair{L"", TextStyle::Body}}) {
    const Size size = renderer.measureText(text, style, 1000);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 0);
  }
}

TEST_F(RendererOffscreen, TextIsDrawnAndMeasuredWithItsTrailingSpaces) {
  ASSERT_TRUE(paint([&] {
    renderer.drawText(L"Hello", TextStyle::PageTitle, {0, 0, 64, 48}, kBlack, TextAlign::Leading);
  }));
  EXPECT_GT(darkPixels(), 20);
  const Size plain = renderer.measureText(L"ab", TextStyle::Body, 100000);
  const Size spaced = renderer.measureText(L"ab   ", TextStyle::Body, 100000);
  EXPECT_GT(plain.width, 0);
  EXPECT_GT(plain.height, 0);
  EXPECT_GT(spaced.width, plain.width + 5);
  EXPECT_EQ(spaced.height, plain.height);
  // Larger styles measure larger; a narrow maximum wraps onto more lines.
  EXPECT_GT(renderer.measureText(L"ab", TextStyle::PageTitle, 100000).width, plain.width);
  EXPECT_GT(renderer.measureText(L"one two three", TextStyle::Body, 30).height,
            plain.height * 1.5f);
}

TEST_F(RendererOffscreen, PixelBitmapsAreReusedByKey) {
  const uint32_t red[4] = {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000};
  const uint32_t blue[4] = {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF};
  const Rect box{8, 8, 24, 24};
  bool drawn = false;
  ASSERT_TRUE(paint([&] { drawn = renderer.drawPixels(box, 0, red, 2, 2, 8); }));
  EXPECT_FALSE(drawn);
  EXPECT_EQ(target.at(16, 16).r, 255);
  EXPECT_EQ(target.at(16, 16).g, 255);
  ASSERT_TRUE(paint([&] {
    EXPECT_FALSE(renderer.drawPixels(box, 1, nullptr, 2, 2, 8));
    EXPECT_FALSE(renderer.drawPixels(box, 1, red, 0, 2, 8));
    EXPECT_TRUE(renderer.drawPixels(box, 1, red, 2, 2, 8));
  }));
  EXPECT_EQ(target.at(16, 16).r, 255);
  EXPECT_EQ(target.at(16, 16).b, 0);
  ASSERT_TRUE(paint([&] { EXPECT_TRUE(renderer.drawPixels(box, 1, blue, 2, 2, 8)); }));
  EXPECT_EQ(target.at(16, 16).r, 255) << "the same key shows the first pixels";
  ASSERT_TRUE(paint([&] { EXPECT_TRUE(renderer.drawPixels(box, 2, blue, 2, 2, 8)); }));
  EXPECT_EQ(target.at(16, 16).r, 0);
  EXPECT_EQ(target.at(16, 16).b, 255);
}

TEST_F(RendererOffscreen, TheProgramIconIsFittedAsACentredSquare) {
  // The test program's icon: a green square inside a transparent border of 1/8 of its side.
  bool drawn = false;
  ASSERT_TRUE(paint([&] { drawn = renderer.drawProgramIcon({8, 8, 56, 40}); }));
  ASSERT_TRUE(drawn);
  const Bgra centre = target.at(32, 24);
  EXPECT_EQ(centre.r, 0);
  EXPECT_EQ(centre.g, 160);
  EXPECT_EQ(centre.b, 80);
  EXPECT_EQ(darkness(target.at(18, 24)), 0);  // left of the 32-DIP square at 16..48
  EXPECT_EQ(target.at(22, 24).g, 160);
  EXPECT_EQ(target.at(42, 24).g, 160);
  EXPECT_EQ(darkness(target.at(46, 24)), 0);
}

TEST_F(RendererOffscreen, DeviceLossDropsDeviceResourcesAndTheNextAttachRebuildsThem) {
  const unsigned loadsBefore = renderer.programIconLoads();
  for (int frame = 0; frame < 2; ++frame) {
    ASSERT_TRUE(paint([&] { EXPECT_TRUE(renderer.drawProgramIcon({0, 0, 32, 32})); }));
  }
  EXPECT_EQ(renderer.programIconLoads(), loadsBefore + 1) << "made once per device";

  ASSERT_TRUE(renderer.beginDraw());
  EXPECT_FALSE(renderer.finishFrame(D2DERR_RECREATE_TARGET));
  EXPECT_EQ(renderer.size().width, 0);
  EXPECT_FALSE(renderer.beginDraw());
  EXPECT_FALSE(renderer.drawProgramIcon({0, 0, 32, 32}));
  EXPECT_EQ(renderer.programIconLoads(), loadsBefore + 1) << "no target, no attempt";

  // The next paint re-attaches and everything is made again, the icon once.
  ASSERT_TRUE(renderer.attachToBitmap(target.bitmap(), 96));
  for (int frame = 0; frame < 2; ++frame) {
    ASSERT_TRUE(paint([&] {
      EXPECT_TRUE(renderer.drawProgramIcon({0, 0, 32, 32}));
      renderer.fillRect({40, 0, 64, 10}, kBlack);
    }));
  }
  EXPECT_EQ(renderer.programIconLoads(), loadsBefore + 2);
  EXPECT_EQ(target.at(16, 16).g, 160);
  EXPECT_EQ(darkness(target.at(50, 5)), 255);

  // Other failures keep the device resources.
  ASSERT_TRUE(renderer.beginDraw());
  EXPECT_FALSE(renderer.finishFrame(E_FAIL));
  EXPECT_GT(renderer.size().width, 0);
}

}  // namespace
}  // namespace tolzeb::ui
