// The painters on the Direct2D renderer: what they fill is exactly what their hit regions cover.
#include <gtest/gtest.h>

#include <cmath>

#include "offscreen_target_win32.h"
#include "ui/foundation/com_apartment_win32.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/renderer.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using testing::Bgra;
using testing::OffscreenTarget;

constexpr Color kBackground = rgb(243, 244, 246);

bool isBackground(Bgra pixel) { return pixel.r == 243 && pixel.g == 244 && pixel.b == 246; }

using testing::ComApartment;

TEST(WidgetsRendered, FilledWidgetsCoverExactlyTheirRegions) {
  ComApartment com;
  OffscreenTarget target(420, 200);
  ASSERT_TRUE(target.valid());
  Renderer renderer;
  IconSet icons;
  ASSERT_TRUE(renderer.createFactories());
  ASSERT_TRUE(renderer.attachToBitmap(target.bitmap(), 96));
  ASSERT_TRUE(icons.build(renderer.factory()));

  Interaction interaction;
  interaction.focusId = 5;  // the text field: a red outline
  HitRegions regions;
  ASSERT_TRUE(renderer.beginDraw());
  renderer.clear(kBackground);
  drawButton(renderer, icons, interaction, regions, {10, 10, 130, 50}, L"Add", 1,
             ButtonStyle::Primary, Icon::Add, true);
  drawButton(renderer, icons, interaction, regions, {150, 10, 270, 50}, L"Open", 2,
             ButtonStyle::Secondary, Icon::None, true);
  drawButton(renderer, icons, interaction, regions, {290, 10, 410, 50}, L"Off", 3,
             ButtonStyle::Primary, Icon::None, false);
  for (int i = 0; i < 3; ++i) {
    const float left = 10 + 100.0f * i;
    drawListRow(renderer, interaction, regions, {left, 70, left + 100, 106}, L"Row", 4, i == 1,
                i == 0, i == 2, i);
  }
  drawTextField(renderer, interaction, regions, {10, 130, 400, 170}, TextField(), 5, L"");
  ASSERT_TRUE(renderer.endDraw());

  ASSERT_EQ(regions.size(), 6u) << "the disabled button records none";
  for (const HitRegion& region : regions) {
    SCOPED_TRACE(::testing::Message()
                 << "command " << region.command << " argument " << region.argument);
    const unsigned left = static_cast<unsigned>(region.left);
    const unsigned right = static_cast<unsigned>(region.right);
    const unsigned top = static_cast<unsigned>(region.top);
    const unsigned bottom = static_cast<unsigned>(region.bottom);
    const unsigned midX = (left + right) / 2;
    const unsigned midY = (top + bottom) / 2;
    EXPECT_FALSE(isBackground(target.at(left, midY)));
    EXPECT_TRUE(isBackground(target.at(left - 1, midY)));
    EXPECT_FALSE(isBackground(target.at(right - 1, midY)));
    EXPECT_TRUE(isBackground(target.at(right, midY)));
    EXPECT_FALSE(isBackground(target.at(midX, top)));
    EXPECT_TRUE(isBackground(target.at(midX, top - 1)));
    EXPECT_FALSE(isBackground(target.at(midX, bottom - 1)));
    EXPECT_TRUE(isBackground(target.at(midX, bottom)));
  }
  // The disabled primary button is drawn in its disabled fill all the same.
  const Bgra disabled = target.at(300, 30);
  EXPECT_EQ(disabled.r, 227);
  EXPECT_EQ(disabled.g, 229);
  EXPECT_EQ(disabled.b, 233);
  // The primary button's icon is drawn in white inside the icon box 22..44: the plus's bar.
  const Bgra plus = target.at(33, 30);
  EXPECT_GT(plus.g, 200);
  EXPECT_EQ(target.at(16, 30).g, 0);
}

}  // namespace
}  // namespace tolzeb::ui
