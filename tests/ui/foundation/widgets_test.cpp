#include "ui/foundation/widgets.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ui/foundation/icon_set.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/recording_canvas.h"

namespace tolzeb::ui {
namespace {

using Kind = DrawCall::Kind;

constexpr uint16_t kCommand = 42;
constexpr Rect kButtonRect{100, 50, 260, 90};
// The recording canvas measures Body and BodyStrong text 7.5 DIPs per unit, 18.75 high.
constexpr float kBodyAdvance = 7.5f;

class Widgets : public ::testing::Test {
 protected:
  std::vector<DrawCall> callsOf(Kind kind) const {
    std::vector<DrawCall> found;
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == kind) found.push_back(call);
    }
    return found;
  }
  const DrawCall* firstOf(Kind kind) const {
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == kind) return &call;
    }
    return nullptr;
  }
  bool drewFocusRing(Rect around, float radius) const {
    for (const DrawCall& call : callsOf(Kind::DrawRoundedRect)) {
      if (call.rect == around.grown(2) && call.radius == radius && call.strokeWidth == 2 &&
          call.color == palette::textPrimary)
        return true;
    }
    return false;
  }
  void button(ButtonStyle style, bool enabled, int32_t argument = -1, Icon icon = Icon::None) {
    drawButton(canvas, icons, interaction, regions, kButtonRect, L"Label", kCommand, style, icon,
               enabled, argument);
  }

  RecordingCanvas canvas;
  IconSet icons;
  Interaction interaction;
  HitRegions regions;
};

TEST(HitRegions, FirstContainingRegionWinsAndEdgesAreHalfOpen) {
  HitRegions regions;
  addHitRegion(regions, {0, 0, 100, 100}, 1, -1, true);
  addHitRegion(regions, {50, 50, 150, 150}, 2, 7, false);
  struct {
    float x, y;
    int command;
  } cases[] = {{0, 0, 1},     {99.9f, 99.9f, 1}, {75, 75, 1}, {100, 75, 2},
               {149, 149, 2}, {150, 100, 0},     {-1, 5, 0},  {75, 100, 2}};
  for (const auto& c : cases) {
    const HitRegion* hit = hitTest(regions, c.x, c.y);
    EXPECT_EQ(hit ? hit->command : 0, c.command) << c.x << ", " << c.y;
  }
  EXPECT_EQ(hitTest(regions, 120, 120)->argument, 7);
  EXPECT_FALSE(hitTest(regions, 120, 120)->focusable);
}

TEST_F(Widgets, ButtonRegionsByStyleAndState) {
  for (ButtonStyle style : {ButtonStyle::Primary, ButtonStyle::Secondary, ButtonStyle::Quiet}) {
    for (bool enabled : {true, false}) {
      regions.clear();
      button(style, enabled, 5);
      if (!enabled) {
        EXPECT_TRUE(regions.empty());
        continue;
      }
      ASSERT_EQ(regions.size(), 1u);
      EXPECT_EQ(regions[0].rect(), kButtonRect);
      EXPECT_EQ(regions[0].command, kCommand);
      EXPECT_EQ(regions[0].argument, 5);
      EXPECT_TRUE(regions[0].focusable);
    }
  }
}

TEST_F(Widgets, ButtonLooksByStyleAndState) {
  struct Case {
    const char* name;
    ButtonStyle style;
    bool hovered, pressed, enabled;
    Color fill, label;
    bool overlay, outline;
  } cases[] = {
      {"primary", ButtonStyle::Primary, false, false, true, palette::brandRed, palette::white,
       false, false},
      {"primary hovered", ButtonStyle::Primary, true, false, true, palette::captionHover,
       palette::white, false, false},
      {"primary pressed", ButtonStyle::Primary, true, true, true, palette::brandPressed,
       palette::white, false, false},
      {"primary pressed, pointer gone", ButtonStyle::Primary, false, true, true,
       palette::brandPressed, palette::white, false, false},
      {"primary disabled", ButtonStyle::Primary, true, true, false, palette::disabledFill,
       palette::textDisabled, false, false},
      {"secondary", ButtonStyle::Secondary, false, true, true, palette::white, palette::textPrimary,
       false, true},
      {"secondary hovered", ButtonStyle::Secondary, true, false, true, palette::white,
       palette::textPrimary, true, true},
      {"secondary disabled", ButtonStyle::Secondary, true, false, false, palette::white,
       palette::textDisabled, false, true},
      {"quiet", ButtonStyle::Quiet, false, true, true, palette::transparent, palette::textPrimary,
       false, false},
      {"quiet hovered", ButtonStyle::Quiet, true, false, true, palette::hoverOverlay,
       palette::textPrimary, false, false},
      {"quiet disabled", ButtonStyle::Quiet, true, false, false, palette::white,
       palette::textDisabled, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    canvas.clearCalls();
    interaction = {};
    if (c.hovered) interaction.hoverId = kCommand;
    if (c.pressed) interaction.pressedId = kCommand;
    button(c.style, c.enabled);
    const auto fills = callsOf(Kind::FillRoundedRect);
    ASSERT_EQ(fills.size(), c.overlay ? 2u : 1u);
    EXPECT_EQ(fills[0].rect, kButtonRect);
    EXPECT_EQ(fills[0].radius, 8);
    EXPECT_EQ(fills[0].color, c.fill);
    if (c.overlay) {
      EXPECT_EQ(fills[1].color, palette::hoverOverlay);
    }
    const auto outlines = callsOf(Kind::DrawRoundedRect);
    ASSERT_EQ(outlines.size(), c.outline ? 1u : 0u);
    if (c.outline) {
      EXPECT_EQ(outlines[0].color, c.enabled ? palette::divider : palette::dividerDisabled);
      EXPECT_EQ(outlines[0].strokeWidth, 1);
    }
    ASSERT_NE(firstOf(Kind::Text), nullptr);
    EXPECT_EQ(firstOf(Kind::Text)->color, c.label);
    EXPECT_EQ(firstOf(Kind::Text)->style, TextStyle::BodyStrong);
  }
}

TEST_F(Widgets, ButtonHoverFollowsItsArgument) {
  struct {
    int32_t argument, hoverIndex;
    bool hovered;
  } cases[] = {{-1, -1, true}, {-1, 9, true}, {3, 3, true}, {3, 2, false}, {3, -1, false}};
  for (const auto& c : cases) {
    canvas.clearCalls();
    interaction.hoverId = kCommand;
    interaction.hoverIndex = c.hoverIndex;
    button(ButtonStyle::Primary, true, c.argument);
    EXPECT_EQ(firstOf(Kind::FillRoundedRect)->color,
              c.hovered ? palette::captionHover : palette::brandRed)
        << c.argument << " / " << c.hoverIndex;
  }
}

TEST_F(Widgets, ButtonLabelAndIconPlacement) {
  button(ButtonStyle::Secondary, true);
  const DrawCall centred = *firstOf(Kind::Text);
  EXPECT_EQ(centred.align, TextAlign::Centre);
  EXPECT_EQ(centred.rect.left, kButtonRect.left + 14);
  EXPECT_EQ(centred.rect.right, kButtonRect.right - 12);
  // Vertically centred: 18.75 high in a 40-DIP box, plus 2 below.
  EXPECT_FLOAT_EQ(centred.rect.top, 50 + (40 - 18.75f) / 2);
  EXPECT_FLOAT_EQ(centred.rect.bottom, centred.rect.top + 18.75f + 2);
  EXPECT_EQ(firstOf(Kind::Icon), nullptr);

  canvas.clearCalls();
  button(ButtonStyle::Primary, false, -1, Icon::Extract);
  const DrawCall* icon = firstOf(Kind::Icon);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->icon, Icon::Extract);
  EXPECT_EQ(icon->rect, (Rect{112, 50, 134, 90}));
  EXPECT_EQ(icon->size, 18);
  EXPECT_EQ(icon->color, palette::textDisabled);
  EXPECT_EQ(firstOf(Kind::Text)->align, TextAlign::Leading);
  EXPECT_EQ(firstOf(Kind::Text)->rect.left, kButtonRect.left + 38);
}

TEST_F(Widgets, ButtonFocusRingOnlyWhenShownEnabledAndFocused) {
  struct {
    bool showFocus;
    uint16_t focusId;
    bool enabled, ring;
  } cases[] = {{true, kCommand, true, true},
               {false, kCommand, true, false},
               {true, 7, true, false},
               {true, kCommand, false, false}};
  for (const auto& c : cases) {
    canvas.clearCalls();
    interaction.showFocus = c.showFocus;
    interaction.focusId = c.focusId;
    button(ButtonStyle::Quiet, c.enabled);
    EXPECT_EQ(drewFocusRing(kButtonRect, 10), c.ring);
  }
}

TEST_F(Widgets, CheckBoxStates) {
  const Rect rect{10, 10, 210, 40};  // centre y 25: box 10..30 x 15..35
  const Rect box{10, 15, 30, 35};
  struct Case {
    const char* name;
    bool checked, enabled, hovered;
    Color boxFill;
    bool overlay, tick;
    Color label;
    size_t regionCount;
  } cases[] = {
      {"checked", true, true, false, palette::brandRed, false, true, palette::textPrimary, 1},
      {"checked disabled", true, false, true, palette::divider, false, true, palette::textSecondary,
       0},
      {"unchecked", false, true, false, palette::white, false, false, palette::textPrimary, 1},
      {"unchecked hovered", false, true, true, palette::white, true, false, palette::textPrimary,
       1},
      {"unchecked disabled hovered", false, false, true, palette::white, false, false,
       palette::textSecondary, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    canvas.clearCalls();
    regions.clear();
    interaction = {};
    if (c.hovered) interaction.hoverId = kCommand;
    drawCheckBox(canvas, interaction, regions, rect, L"Keep", kCommand, c.checked, c.enabled);
    const auto fills = callsOf(Kind::FillRoundedRect);
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills[0].rect, box);
    EXPECT_EQ(fills[0].radius, 5);
    EXPECT_EQ(fills[0].color, c.boxFill);
    EXPECT_EQ(fills.size(), c.overlay ? 2u : 1u);
    EXPECT_EQ(callsOf(Kind::DrawRoundedRect).size(), c.checked ? 0u : 1u);
    const auto lines = callsOf(Kind::Line);
    ASSERT_EQ(lines.size(), c.tick ? 2u : 0u);
    if (c.tick) {
      EXPECT_EQ(lines[0].from, (Point{15, 25}));
      EXPECT_EQ(lines[0].to, (Point{18.5f, 28.8f}));
      EXPECT_EQ(lines[1].to, (Point{25, 20.8f}));
    }
    const DrawCall* label = firstOf(Kind::Text);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->color, c.label);
    EXPECT_EQ(label->rect.left, 40);
    ASSERT_EQ(regions.size(), c.regionCount);
    if (c.regionCount) {
      EXPECT_EQ(regions[0].rect(), rect);
      EXPECT_EQ(regions[0].argument, -1);
      EXPECT_TRUE(regions[0].focusable);
    }
  }
  canvas.clearCalls();
  interaction = {0, -1, 0, kCommand, true};
  drawCheckBox(canvas, interaction, regions, rect, L"Keep", kCommand, false, true);
  EXPECT_TRUE(drewFocusRing(box, 7));
}

TEST_F(Widgets, FitTextElidesInTheMiddle) {
  // Body: 7.5 DIPs per unit.
  EXPECT_EQ(fitText(canvas, L"", TextStyle::Body, 0), L"");
  EXPECT_EQ(fitText(canvas, L"short", TextStyle::Body, 5 * kBodyAdvance), L"short");
  EXPECT_EQ(fitText(canvas, L"ninechars", TextStyle::Body, 30), L"...ninechars");

  std::wstring path = L"C:\\";
  for (int i = 0; path.size() < 200; ++i) path += L"folder" + std::to_wstring(i) + L"\\";
  path.resize(200);
  const std::wstring fitted = fitText(canvas, path, TextStyle::Body, 40 * kBodyAdvance);
  ASSERT_EQ(fitted.size(), 40u);  // the longest combination that fits
  const size_t dots = fitted.find(L"...");
  ASSERT_NE(dots, std::wstring::npos);
  EXPECT_EQ(fitted.substr(0, dots), path.substr(0, dots));
  const std::wstring tail = fitted.substr(dots + 3);
  EXPECT_EQ(path.substr(200 - tail.size()), tail);
  EXPECT_LE(std::max(dots, tail.size()) - std::min(dots, tail.size()), 1u);

  // Too narrow for any head and tail of more than four units: the last 24 units.
  EXPECT_EQ(fitText(canvas, path, TextStyle::Body, 10 * kBodyAdvance), L"..." + path.substr(176));
}

// Every measurement is a text layout, costly in a paint: a long path takes a few, not one per unit.
TEST_F(Widgets, FitTextMeasuresALongPathAFewTimes) {
  class CountingCanvas : public RecordingCanvas {
   public:
    Size measureText(std::wstring_view text, TextStyle style, float maxWidth) override {
      ++measured;
      return RecordingCanvas::measureText(text, style, maxWidth);
    }
    int measured = 0;
  } counting;
  const std::wstring path = L"C:\\" + std::wstring(2000, L'x');
  const std::wstring fitted = fitText(counting, path, TextStyle::Body, 300 * kBodyAdvance);
  EXPECT_EQ(fitted.size(), 300u);
  EXPECT_LE(counting.measured, 14);
}

TEST_F(Widgets, ListRowSegmentsKeepAGap) {
  const Rect left{0, 0, 100, 36};
  const Rect right{100, 0, 200, 36};
  drawListRow(canvas, interaction, regions, left, L"Zip", 9, true, true, false, 0);
  drawListRow(canvas, interaction, regions, right, L"Tar", 9, false, false, true, 1);
  ASSERT_EQ(regions.size(), 2u);
  EXPECT_EQ(regions[0].rect(), (Rect{0, 0, 96, 36}));
  EXPECT_EQ(regions[1].rect(), (Rect{104, 0, 200, 36}));
  EXPECT_EQ(regions[1].left - regions[0].right, 8);
  EXPECT_EQ(regions[1].argument, 1);
  const auto fills = callsOf(Kind::FillRoundedRect);
  EXPECT_EQ(fills[0].color, palette::brandRed);
  EXPECT_EQ(fills[1].color, palette::white);
  const auto texts = callsOf(Kind::Text);
  EXPECT_EQ(texts[0].color, palette::white);
  EXPECT_EQ(texts[1].color, palette::textPrimary);
  EXPECT_EQ(texts[1].align, TextAlign::Centre);

  canvas.clearCalls();
  interaction = {9, 1, 0, 9, true};
  drawListRow(canvas, interaction, regions, right, L"Tar", 9, false, false, true, 1);
  EXPECT_EQ(callsOf(Kind::FillRoundedRect).back().color, palette::hoverOverlay);
  EXPECT_TRUE(drewFocusRing({104, 0, 200, 36}, 10));
  canvas.clearCalls();
  drawListRow(canvas, interaction, regions, left, L"Zip", 9, false, true, false, 0);
  EXPECT_EQ(callsOf(Kind::FillRoundedRect).size(), 1u);
  EXPECT_FALSE(drewFocusRing({0, 0, 96, 36}, 10));
}

TEST_F(Widgets, SliderKnobTrackAndRegion) {
  const Rect rect{0, 0, 222, 30};  // track 11..211, centre y 15
  struct Case {
    double value;
    float knobX;
    bool filled;
  } cases[] = {{0.5, 111, true}, {-3, 11, false}, {7, 211, true}, {0.004, 11.8f, false}};
  for (const Case& c : cases) {
    canvas.clearCalls();
    regions.clear();
    drawSlider(canvas, interaction, regions, rect, c.value, kCommand, L"Level", true);
    const auto fills = callsOf(Kind::FillRoundedRect);
    EXPECT_EQ(fills[0].rect, (Rect{11, 12, 211, 18}));
    EXPECT_EQ(fills[0].color, palette::track);
    size_t knob = 1;
    if (c.filled) {
      EXPECT_EQ(fills[1].color, palette::brandRed);
      EXPECT_FLOAT_EQ(fills[1].rect.right, c.knobX);
      knob = 2;
    }
    ASSERT_EQ(fills.size(), knob + 2);
    EXPECT_FLOAT_EQ(fills[knob].rect.left, c.knobX - 11);
    EXPECT_EQ(fills[knob].radius, 11);
    EXPECT_FLOAT_EQ(fills[knob + 1].rect.width(), 10);  // the dot
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].rect(), rect);
  }

  canvas.clearCalls();
  interaction.hoverId = kCommand;
  drawSlider(canvas, interaction, regions, rect, 0.5, kCommand, L"Level", true);
  EXPECT_EQ(firstOf(Kind::DrawRoundedRect)->color, palette::brandRed);
  EXPECT_FLOAT_EQ(firstOf(Kind::DrawRoundedRect)->strokeWidth, 2.2f);

  canvas.clearCalls();
  regions.clear();
  interaction = {kCommand, -1, kCommand, kCommand, true};
  drawSlider(canvas, interaction, regions, rect, 0.5, kCommand, L"Level", false);
  EXPECT_TRUE(regions.empty());
  EXPECT_EQ(callsOf(Kind::FillRoundedRect).size(), 3u);  // track, filled part, knob: no dot
  EXPECT_EQ(callsOf(Kind::FillRoundedRect)[1].color, palette::trackFillDisabled);
  EXPECT_EQ(firstOf(Kind::DrawRoundedRect)->color, palette::knobDisabled);
  EXPECT_TRUE(drewFocusRing(rect, 13));  // still shown on a disabled slider with focus
}

TEST(SliderValueAt, FollowsTheKnob) {
  const HitRegion region{0, 0, 222, 30, kCommand, -1, true};
  struct {
    float x;
    double value;
  } cases[] = {{-50, 0}, {11, 0}, {111, 0.5}, {161, 0.75}, {211, 1}, {400, 1}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(sliderValueAt(region, c.x), c.value) << c.x;
  EXPECT_EQ(sliderValueAt({0, 0, 21, 30, kCommand, -1, true}, 10), 0);
  EXPECT_EQ(sliderValueAt({0, 0, 22, 30, kCommand, -1, true}, 20), 0);
}

TEST_F(Widgets, TextFieldMaskCaretAndSelection) {
  const Rect rect{20, 100, 320, 140};  // text area from 34
  TextField field;
  field.insert(L"abc", 1024);
  field.masked = true;
  field.caret = field.anchor = 2;
  interaction.focusId = kCommand;
  drawTextField(canvas, interaction, regions, rect, field, kCommand, L"Password");
  const DrawCall* text = firstOf(Kind::Text);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text, L"\x2022\x2022\x2022");
  const DrawCall* caret = firstOf(Kind::Line);
  ASSERT_NE(caret, nullptr);
  EXPECT_FLOAT_EQ(caret->from.x, 34 + 2 * kBodyAdvance);
  EXPECT_EQ(caret->from.y, 108);
  EXPECT_EQ(caret->to.y, 132);
  EXPECT_EQ(caret->color, palette::brandRed);
  EXPECT_EQ(firstOf(Kind::DrawRoundedRect)->color, palette::brandRed);
  EXPECT_FLOAT_EQ(firstOf(Kind::DrawRoundedRect)->strokeWidth, 1.8f);
  EXPECT_EQ(firstOf(Kind::PushClip)->rect, (Rect{22, 100, 318, 140}));
  EXPECT_NE(firstOf(Kind::PopClip), nullptr);
  ASSERT_EQ(regions.size(), 1u);
  EXPECT_EQ(regions[0].rect(), rect);

  canvas.clearCalls();
  field.masked = false;
  field.anchor = 0;
  drawTextField(canvas, interaction, regions, rect, field, kCommand, L"Password");
  const auto fills = callsOf(Kind::FillRoundedRect);
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[1].color, palette::brandTint);
  EXPECT_EQ(fills[1].rect, (Rect{34, 107, 34 + 2 * kBodyAdvance, 133}));
  EXPECT_EQ(firstOf(Kind::Text)->text, L"abc");

  // Without focus: no selection, no caret, hover tint.
  canvas.clearCalls();
  interaction = {kCommand, -1, 0, 0, false};
  drawTextField(canvas, interaction, regions, rect, field, kCommand, L"Password");
  EXPECT_EQ(callsOf(Kind::FillRoundedRect).back().color, palette::hoverOverlay);
  EXPECT_EQ(firstOf(Kind::Line), nullptr);
  EXPECT_EQ(firstOf(Kind::DrawRoundedRect)->color, palette::divider);
}

TEST_F(Widgets, LongFieldTextStaysOnOneLine) {
  const Rect rect{0, 0, 100, 40};
  TextField field;
  field.insert(std::wstring(40, L'x'), 1024);  // 300 DIPs in a 72-DIP area
  drawTextField(canvas, interaction, regions, rect, field, kCommand, L"");
  const DrawCall* text = firstOf(Kind::Text);
  ASSERT_NE(text, nullptr);
  EXPECT_GE(text->rect.width(), 300);
  EXPECT_FLOAT_EQ(text->rect.top, (40 - 18.75f) / 2);
}

TEST_F(Widgets, EmptyFocusedFieldShowsPlaceholderAndCaretAtTheLeft) {
  const Rect rect{20, 100, 320, 140};
  TextField field;
  interaction.focusId = kCommand;
  drawTextField(canvas, interaction, regions, rect, field, kCommand, L"Search");
  const DrawCall* text = firstOf(Kind::Text);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text, L"Search");
  EXPECT_EQ(text->color, palette::textSecondary);
  EXPECT_EQ(firstOf(Kind::PushClip), nullptr);
  EXPECT_EQ(firstOf(Kind::Line)->from.x, 34);
}

TEST_F(Widgets, TickBoxAddsNoRegion) {
  const Rect row{0, 0, 300, 30};  // box 0..18 x 6..24
  interaction = {kCommand, 4, 0, 0, false};
  drawTickBox(canvas, interaction, row, kCommand, 4, false);
  auto fills = callsOf(Kind::FillRoundedRect);
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[0].rect, (Rect{0, 6, 18, 24}));
  EXPECT_EQ(fills[0].radius, 4);
  EXPECT_EQ(fills[1].color, palette::hoverOverlay);

  canvas.clearCalls();
  drawTickBox(canvas, interaction, row, kCommand, 5, true);
  fills = callsOf(Kind::FillRoundedRect);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].color, palette::brandRed);
  EXPECT_EQ(callsOf(Kind::Line).size(), 2u);
  EXPECT_TRUE(regions.empty());
}

TEST_F(Widgets, CardAndPathBox) {
  drawCard(canvas, {0, 0, 400, 200}, L"Options");
  EXPECT_EQ(firstOf(Kind::Text)->rect, (Rect{22, 16, 378, 50}));
  EXPECT_EQ(firstOf(Kind::Text)->style, TextStyle::SectionTitle);
  EXPECT_EQ(firstOf(Kind::FillRoundedRect)->radius, 12);

  canvas.clearCalls();
  drawPathBox(canvas, {0, 0, 100, 40}, L"", L"No folder");
  EXPECT_EQ(firstOf(Kind::FillRoundedRect)->color, palette::fieldFill);
  EXPECT_EQ(firstOf(Kind::Text)->text, L"No folder");
  EXPECT_EQ(firstOf(Kind::Text)->color, palette::textSecondary);

  canvas.clearCalls();
  const std::wstring path = L"C:\\Users\\someone\\Documents\\Archives\\holiday.zeb";
  drawPathBox(canvas, {0, 0, 100 + 28, 40}, path, L"No folder");
  const DrawCall* shown = firstOf(Kind::Text);
  EXPECT_EQ(shown->text.size(), 13u);  // 100 DIPs hold 13 units
  EXPECT_NE(shown->text.find(L"..."), std::wstring::npos);
  EXPECT_EQ(shown->rect.left, 14);
}

}  // namespace
}  // namespace tolzeb::ui
