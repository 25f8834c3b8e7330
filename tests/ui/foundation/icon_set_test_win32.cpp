#include <d2d1.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "offscreen_target_win32.h"
#include "ui/foundation/com_apartment_win32.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/renderer.h"

namespace tolzeb::ui {
namespace {

using testing::darkness;
using testing::OffscreenTarget;

constexpr Color kBlack{0, 0, 0, 1};
constexpr Color kWhite{1, 1, 1, 1};
constexpr unsigned kCanvas = 48;

// Dark pixels (over half covered) of each icon drawn black on white, centred in a 48 x 48
// canvas at 96 DPI, per quadrant: top left, top right, bottom left, bottom right. Taken from a
// render whose sheet (ui_contact_sheet) was looked at and found right.
struct Silhouette {
  Icon icon;
  float size;
  std::array<int, 4> quadrants;
};
#include "data/icon_silhouettes.inc"

using testing::ComApartment;

class IconSetDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(target.valid());
    ASSERT_TRUE(renderer.createFactories());
    ASSERT_TRUE(renderer.attachToBitmap(target.bitmap(), 96));
    ASSERT_TRUE(icons.build(renderer.factory()));
  }
  std::array<int, 4> quadrantsOf(Icon icon, float size) {
    EXPECT_TRUE(renderer.beginDraw());
    renderer.clear(kWhite);
    renderer.drawIcon(icons, icon, {0, 0, kCanvas, kCanvas}, kBlack, size);
    EXPECT_TRUE(renderer.endDraw());
    std::array<int, 4> counts{};
    const auto pixels = target.pixels();
    for (unsigned y = 0; y < kCanvas; ++y) {
      for (unsigned x = 0; x < kCanvas; ++x) {
        if (darkness(pixels[y * kCanvas + x]) > 127) {
          ++counts[(y >= kCanvas / 2) * 2 + (x >= kCanvas / 2)];
        }
      }
    }
    return counts;
  }

  ComApartment com;
  OffscreenTarget target{kCanvas, kCanvas};
  Renderer renderer;
  IconSet icons;
};

TEST(IconSet, BuildNeedsAFactory) {
  IconSet icons;
  EXPECT_FALSE(icons.build(nullptr));
  EXPECT_EQ(icons.geometry(Icon::Home), nullptr);
}

TEST_F(IconSetDrawing, EveryIconIsBuilt) {
  for (int i = 0; i < kIconCount; ++i) {
    EXPECT_NE(icons.geometry(static_cast<Icon>(i)), nullptr) << i;
  }
  EXPECT_EQ(icons.geometry(Icon::None), nullptr);
  // Building again replaces the slots.
  ID2D1PathGeometry* before = icons.geometry(Icon::Heart);
  ASSERT_TRUE(icons.build(renderer.factory()));
  EXPECT_NE(icons.geometry(Icon::Heart), before);
}

TEST_F(IconSetDrawing, SilhouettesMatchTheInspectedRender) {
  // TOLZEB_PRINT_SILHOUETTES=1 prints the table for data/icon_silhouettes.inc.
  const bool print = std::getenv("TOLZEB_PRINT_SILHOUETTES") != nullptr;
  ASSERT_EQ(std::size(kSilhouettes), static_cast<size_t>(2 * kIconCount));
  for (const Silhouette& expected : kSilhouettes) {
    const auto counts = quadrantsOf(expected.icon, expected.size);
    if (print) {
      std::printf("    {Icon(%d), %g, {%d, %d, %d, %d}},\n", static_cast<int>(expected.icon),
                  expected.size, counts[0], counts[1], counts[2], counts[3]);
      continue;
    }
    for (int q = 0; q < 4; ++q) {
      // Anti-aliasing differs a little between implementations; the shape may not.
      const int tolerance = std::max(3, expected.quadrants[q] / 8);
      EXPECT_NEAR(counts[q], expected.quadrants[q], tolerance)
          << "icon " << static_cast<int>(expected.icon) << " size " << expected.size << " quadrant "
          << q;
    }
  }
}

TEST_F(IconSetDrawing, ArchiveLayersOverlapAsGaps) {
  ASSERT_TRUE(renderer.beginDraw());
  renderer.clear(kWhite);
  renderer.drawIcon(icons, Icon::Archive, {0, 0, kCanvas, kCanvas}, kBlack, 48);
  ASSERT_TRUE(renderer.endDraw());
  // At scale 2: the top layer alone at y 13, the overlap of the top two at y 17..20.
  EXPECT_EQ(darkness(target.at(24, 13)), 255);
  EXPECT_EQ(darkness(target.at(24, 18)), 0);
  EXPECT_EQ(darkness(target.at(24, 19)), 0);
  EXPECT_EQ(darkness(target.at(24, 24)), 255);
}

TEST_F(IconSetDrawing, NoIconDrawsNothingAndTheTransformIsRestored) {
  ASSERT_TRUE(renderer.beginDraw());
  renderer.clear(kWhite);
  renderer.drawIcon(icons, Icon::None, {0, 0, kCanvas, kCanvas}, kBlack, 48);
  renderer.drawIcon(icons, static_cast<Icon>(255), {0, 0, kCanvas, kCanvas}, kBlack, 48);
  renderer.drawIcon(icons, Icon::Close, {0, 0, 12, 12}, kBlack, 6);
  renderer.fillRect({40, 40, 44, 44}, kBlack);
  ASSERT_TRUE(renderer.endDraw());
  int dark = 0;
  for (auto pixel : target.pixels()) dark += darkness(pixel) > 0;
  EXPECT_GE(dark, 16);
  EXPECT_LE(dark, 16 + 36);  // the small cross stays inside its 6 x 6 box
  EXPECT_EQ(darkness(target.at(41, 41)), 255);
  EXPECT_EQ(darkness(target.at(44, 44)), 0);
}

TEST_F(IconSetDrawing, IconsSurviveDeviceLoss) {
  ASSERT_TRUE(renderer.beginDraw());
  renderer.finishFrame(D2DERR_RECREATE_TARGET);
  ASSERT_TRUE(renderer.attachToBitmap(target.bitmap(), 96));
  const auto counts = quadrantsOf(Icon::Document, 48);
  EXPECT_GT(counts[0] + counts[1] + counts[2] + counts[3], 400);
}

}  // namespace
}  // namespace tolzeb::ui
