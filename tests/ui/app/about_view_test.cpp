#include "ui/app/about_view.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/app/window_host.h"
#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/i18n_test_support.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/languages.h"
#include "ui/foundation/recording_canvas.h"

namespace tolzeb::ui::testing {
namespace {

using Kind = DrawCall::Kind;

TEST(AboutThemeTest, TheEnvironmentWordDecidesBeforeTheSystemSetting) {
  struct Case {
    std::optional<std::wstring> environment;
    std::optional<uint32_t> appsUseLightTheme;
    bool dark;
  };
  const Case cases[] = {
      {L"DARK", 1, true},                   // capitals, under a light system theme
      {L"LiGhT", 0, false},                 // mixed case, under a dark system theme
      {L"dark", std::nullopt, true},        //
      {L"blue", 0, true},                   // another word: the system decides
      {L"blue", 1, false},                  //
      {L"", 0, true},                       // empty counts as none
      {L"darkdarkdarkdark", 1, false},      // 16 characters do not fit the buffer
      {L"dark ", 0, true},                  // not the word: the system decides
      {std::nullopt, std::nullopt, false},  // nothing at all: light
      {std::nullopt, 0, true},              //
      {std::nullopt, 2, false},             // only 0 means dark
  };
  for (const Case& c : cases) {
    EXPECT_EQ(aboutDarkTheme(c.environment, c.appsUseLightTheme), c.dark)
        << (c.environment ? std::string(c.environment->begin(), c.environment->end()) : "(none)") << " / "
        << (c.appsUseLightTheme ? std::to_string(*c.appsUseLightTheme) : "(none)");
  }
}

TEST(AboutThemeTest, PalettesOfBothThemes) {
  const AboutPalette light = aboutPalette(false), dark = aboutPalette(true);
  struct Row {
    const char* role;
    Color AboutPalette::*field;
    Color light;
    Color dark;
  };
  const Row rows[] = {
      {"background", &AboutPalette::background, rgb(0xFF, 0xFF, 0xFF), rgb(0x1B, 0x1C, 0x20)},
      {"footer", &AboutPalette::footer, rgb(0xF4, 0xF5, 0xF7), rgb(0x25, 0x27, 0x2C)},
      {"text", &AboutPalette::text, rgb(0x18, 0x19, 0x1F), rgb(0xF2, 0xF3, 0xF5)},
      {"secondary", &AboutPalette::secondary, rgb(0x66, 0x6C, 0x75), rgb(0xB6, 0xBB, 0xC3)},
      {"rule", &AboutPalette::rule, rgb(0xD8, 0xDC, 0xE3), rgb(0x3A, 0x3D, 0x44)},
      {"accent", &AboutPalette::accent, rgb(0xC8, 0x00, 0x18), rgb(0xFF, 0x5A, 0x68)},
      {"link", &AboutPalette::link, rgb(0xC8, 0x00, 0x18), rgb(0xFF, 0x8A, 0x94)},
      {"hover", &AboutPalette::hoverOverlay, rgb(255, 255, 255, 0.12f), rgb(255, 255, 255, 0.12f)},
      {"pressed", &AboutPalette::pressedOverlay, rgb(0, 0, 0, 0.16f), rgb(0, 0, 0, 0.20f)},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(light.*row.field, row.light) << row.role;
    EXPECT_EQ(dark.*row.field, row.dark) << row.role;
  }
}

class AboutViewTest : public ::testing::Test {
 protected:
  float layout() { return view.paint(canvas, icons, false); }
  void draw() {
    canvas.clearCalls();
    view.paint(canvas, icons, true);
  }
  std::optional<DrawCall> text(const std::wstring& wanted) const {
    for (const DrawCall& call : canvas.calls())
      if (call.kind == Kind::Text && call.text == wanted) return call;
    return std::nullopt;
  }
  std::vector<DrawCall> callsOf(Kind kind) const {
    std::vector<DrawCall> found;
    for (const DrawCall& call : canvas.calls())
      if (call.kind == kind) found.push_back(call);
    return found;
  }

  i18n::testing::ProgramFolder programFolder;
  i18n::testing::StateGuard language{i18n::loadCatalog(L"en-US"), nullptr, &i18n::englishLanguage()};
  RecordingCanvas canvas;
  IconSet icons;
  AboutView view{false};
};

// The recording canvas gives a unit half the style's size in width and lines 1.25 sizes high, so
// every English text but the points fits one line of 424 DIPs.
TEST_F(AboutViewTest, TheLayoutRunsDownTheTextsAndEndsWithTheFooter) {
  const float height = layout();
  EXPECT_TRUE(canvas.calls().empty()) << "a layout pass draws nothing";
  EXPECT_FLOAT_EQ(height, 523.75f);
  EXPECT_FLOAT_EQ(view.contentHeight, 523.75f);
  EXPECT_EQ(view.linkRect, (Rect{28, 407, 28 + 135, 407 + 18.75f}));
  EXPECT_EQ(view.closeRect, (Rect{348, 467.75f, 452, 505.75f}));

  draw();
  EXPECT_FLOAT_EQ(view.contentHeight, height) << "drawing measures the same";
  struct Placed {
    const wchar_t* text;
    TextStyle style;
    Rect rect;
  };
  const Placed placed[] = {
      {L"TolZeb", TextStyle::Metric, {110, 28, 452, 62}},
      {L"Version unavailable", TextStyle::Caption, {110, 64, 452, 84}},
      {L"Fast Compression & Extraction", TextStyle::Headline, {28, 112, 452, 112 + 33.75f + 2}},
      {L"Compress Fast. Extract Faster. Keep It Simple.",
       TextStyle::Subtitle,
       {28, 153.75f, 452, 153.75f + 21.25f + 2}},
      {L"Compression and extraction run across every processor core, with the work bounded by a memory budget "
       L"you control.",
       TextStyle::Body,
       {28, 217, 452, 217 + 37.5f + 2}},
      {L"https://tolzeb.org", TextStyle::BodyStrong, {28, 407, 452, 407 + 18.75f + 2}},
      {L"OK", TextStyle::BodyStrong, {348, 467.75f + (38 - 18.75f) / 2, 452, 467.75f + (38 + 18.75f) / 2 + 2}},
  };
  for (const Placed& p : placed) {
    std::optional<DrawCall> call = text(p.text);
    ASSERT_TRUE(call) << std::string(p.text, p.text + wcslen(p.text));
    EXPECT_EQ(call->style, p.style) << call->rect.top;
    EXPECT_EQ(call->rect, p.rect) << call->rect.top;
  }
  EXPECT_EQ(text(L"OK")->align, TextAlign::Centre);

  const std::vector<DrawCall> lines = callsOf(Kind::Line);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].from, (Point{28, 197}));  // under the slogan
  EXPECT_EQ(lines[0].to, (Point{452, 197}));
  EXPECT_EQ(lines[1].from, (Point{28, 407 + 18.75f - 1}));  // the link's underline, as long as the link
  EXPECT_EQ(lines[1].to, (Point{28 + 135, 407 + 18.75f - 1}));
  EXPECT_EQ(lines[2].from, (Point{0, 449.75f}));  // the footer's top edge, across the window
  EXPECT_EQ(lines[2].to, (Point{480, 449.75f}));
  const std::vector<DrawCall> fills = callsOf(Kind::FillRect);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].rect, (Rect{0, 449.75f, 480, 523.75f}));
}

TEST_F(AboutViewTest, TheVersionLineNamesTheVersionWhenThereIsOne) {
  view.version = L"1.2.3";
  draw();
  EXPECT_TRUE(text(L"Version 1.2.3"));
  EXPECT_FALSE(text(L"Version unavailable"));
}

TEST_F(AboutViewTest, TheProgramIconHasASubstituteInTheAccentColour) {
  draw();
  ASSERT_EQ(callsOf(Kind::ProgramIcon).size(), 1u);
  EXPECT_EQ(callsOf(Kind::ProgramIcon)[0].rect, (Rect{28, 26, 92, 90}));
  EXPECT_TRUE(callsOf(Kind::Icon).empty());

  canvas.setProgramIconAvailable(false);
  draw();
  const std::vector<DrawCall> icon = callsOf(Kind::Icon);
  ASSERT_EQ(icon.size(), 1u);
  EXPECT_EQ(icon[0].icon, Icon::Archive);
  EXPECT_EQ(icon[0].rect, (Rect{28, 26, 92, 90}));
  EXPECT_FLOAT_EQ(icon[0].size, 46.08f);
  EXPECT_EQ(icon[0].color, view.palette.accent);
}

TEST_F(AboutViewTest, ALongerTranslationMakesTheWindowTallerAndKeepsTheButtonInTheFooter) {
  const float englishHeight = layout();
  // Three lines of headline instead of one.
  const std::wstring longer(90, L'W');
  std::string json = R"({"about": {"headline": ")" + std::string(longer.begin(), longer.end()) + R"("}})";
  i18n::testing::StateGuard longText{i18n::testing::catalogFromJson(L"en-US", json), i18n::loadCatalog(L"en-US"),
                                     &i18n::englishLanguage()};
  const float height = layout();
  EXPECT_FLOAT_EQ(height, englishHeight + 2 * 33.75f);
  EXPECT_FLOAT_EQ(view.closeRect.top, height - 74 + 18);
  EXPECT_FLOAT_EQ(view.closeRect.bottom, height - 74 + 56);
}

TEST_F(AboutViewTest, ColoursFollowTheTheme) {
  for (bool dark : {false, true}) {
    view = AboutView(dark);
    draw();
    const AboutPalette p = aboutPalette(dark);
    EXPECT_EQ(text(L"TolZeb")->color, p.text) << dark;
    EXPECT_EQ(text(L"Version unavailable")->color, p.secondary) << dark;
    EXPECT_EQ(text(L"Fast Compression & Extraction")->color, p.text) << dark;
    EXPECT_EQ(text(L"Compress Fast. Extract Faster. Keep It Simple.")->color, p.accent) << dark;
    EXPECT_EQ(text(L"https://tolzeb.org")->color, p.link) << dark;
    EXPECT_EQ(text(L"OK")->color, p.background) << dark;
    EXPECT_EQ(callsOf(Kind::FillRect)[0].color, p.footer) << dark;
    EXPECT_EQ(callsOf(Kind::Line)[0].color, p.rule) << dark;
    const std::vector<DrawCall> button = callsOf(Kind::FillRoundedRect);
    ASSERT_EQ(button.size(), 1u);
    EXPECT_EQ(button[0].color, p.accent);
    EXPECT_EQ(button[0].radius, 8);
  }
}

TEST_F(AboutViewTest, HoverAndPressTintTheLinkAndTheButton) {
  view = AboutView(true);  // the dark theme tells the link's two colours apart
  layout();
  struct Case {
    int hover;
    int pressed;
    Color link;
    std::optional<Color> overlay;
  };
  const AboutPalette p = view.palette;
  const Case cases[] = {
      {kAboutNone, kAboutNone, p.link, std::nullopt},   {kAboutLink, kAboutNone, p.accent, std::nullopt},
      {kAboutNone, kAboutLink, p.accent, std::nullopt}, {kAboutOk, kAboutNone, p.link, p.hoverOverlay},
      {kAboutOk, kAboutOk, p.link, p.pressedOverlay},   {kAboutNone, kAboutOk, p.link, p.pressedOverlay},
  };
  for (const Case& c : cases) {
    view.hover = c.hover;
    view.pressed = c.pressed;
    draw();
    EXPECT_EQ(text(L"https://tolzeb.org")->color, c.link) << c.hover << " " << c.pressed;
    EXPECT_EQ(callsOf(Kind::Line)[1].color, c.link) << "the underline too";
    const std::vector<DrawCall> button = callsOf(Kind::FillRoundedRect);
    ASSERT_EQ(button.size(), c.overlay ? 2u : 1u) << c.hover << " " << c.pressed;
    if (c.overlay) {
      EXPECT_EQ(button[1].color, *c.overlay);
      EXPECT_EQ(button[1].rect, view.closeRect);
    }
  }
}

TEST_F(AboutViewTest, TheHitTestPrefersTheButtonAndCountsItsEdges) {
  layout();
  const Rect ok = view.closeRect, link = view.linkRect;
  struct Case {
    float x, y;
    int hit;
  };
  const Case cases[] = {
      {ok.left, ok.top, kAboutOk},
      {ok.right, ok.bottom, kAboutOk},
      {ok.left - 0.5f, ok.top, kAboutNone},
      {ok.right, ok.bottom + 0.5f, kAboutNone},
      {link.left, link.top, kAboutLink},
      {link.right, link.bottom, kAboutLink},
      {link.right + 1, link.top, kAboutNone},
      {240, 20, kAboutNone},
  };
  for (const Case& c : cases) EXPECT_EQ(view.hitTest(c.x, c.y), c.hit) << c.x << "," << c.y;

  // Where the two would overlap, the button wins.
  view.linkRect = view.closeRect;
  EXPECT_EQ(view.hitTest(ok.left + 1, ok.top + 1), kAboutOk);
}

TEST_F(AboutViewTest, AReleaseActivatesOnlyTheControlThePressBeganOn) {
  layout();
  const Point ok{view.closeRect.left + 10, view.closeRect.top + 10};
  const Point link{view.linkRect.left + 10, view.linkRect.top + 5};
  const Point nowhere{240, 20};
  struct Case {
    Point press;
    Point release;
    AboutAction action;
  };
  const Case cases[] = {
      {ok, ok, AboutAction::Close},  {link, link, AboutAction::OpenLink}, {ok, nowhere, AboutAction::None},
      {ok, link, AboutAction::None}, {link, ok, AboutAction::None},       {nowhere, ok, AboutAction::None},
  };
  for (const Case& c : cases) {
    const bool capture = view.mouseDown(c.press.x, c.press.y);
    EXPECT_EQ(capture, view.hitTest(c.press.x, c.press.y) != kAboutNone);
    EXPECT_EQ(view.mouseUp(c.release.x, c.release.y), c.action) << c.press.x << " -> " << c.release.x;
    EXPECT_EQ(view.pressed, kAboutNone);
  }
}

TEST_F(AboutViewTest, TheHandCursorShowsOnlyOverTheLink) {
  layout();
  EXPECT_TRUE(view.mouseMove(view.linkRect.left + 1, view.linkRect.top + 1));
  EXPECT_TRUE(view.handCursor());
  EXPECT_FALSE(view.mouseMove(view.linkRect.left + 2, view.linkRect.top + 1)) << "no repaint without a change";
  EXPECT_TRUE(view.mouseMove(view.closeRect.left + 1, view.closeRect.top + 1));
  EXPECT_FALSE(view.handCursor());
  EXPECT_TRUE(view.mouseLeave());
  EXPECT_EQ(view.hover, kAboutNone);
  EXPECT_FALSE(view.mouseLeave());
}

TEST_F(AboutViewTest, KeysMoveTheFocusActivateAndClose) {
  layout();
  EXPECT_EQ(view.focus, kAboutOk);
  EXPECT_FALSE(view.focusVisible);
  for (unsigned key : {keys::kTab, keys::kLeft, keys::kUp, keys::kRight, keys::kDown}) {
    const int before = view.focus;
    const AboutView::KeyResult result = view.keyDown(key);
    EXPECT_TRUE(result.handled && result.repaint) << key;
    EXPECT_EQ(result.action, AboutAction::None);
    EXPECT_NE(view.focus, before) << key;
    EXPECT_TRUE(view.focusVisible);
  }
  ASSERT_EQ(view.focus, kAboutLink);  // five moves from the button
  for (unsigned key : {keys::kEnter, keys::kSpace}) EXPECT_EQ(view.keyDown(key).action, AboutAction::OpenLink);
  view.keyDown(keys::kTab);
  for (unsigned key : {keys::kEnter, keys::kSpace}) EXPECT_EQ(view.keyDown(key).action, AboutAction::Close);
  view.keyDown(keys::kTab);
  EXPECT_EQ(view.keyDown(keys::kEscape).action, AboutAction::Close) << "whatever has the focus";
  EXPECT_FALSE(view.keyDown(keys::kP).handled);
  EXPECT_FALSE(view.keyDown(keys::kF10).handled);
}

TEST_F(AboutViewTest, TheFocusRingAppearsAfterAKeyAndGoesWithTheNextClick) {
  layout();
  draw();
  EXPECT_TRUE(callsOf(Kind::DrawRoundedRect).empty()) << "no ring at first";

  view.keyDown(keys::kTab);  // to the link
  draw();
  std::vector<DrawCall> rings = callsOf(Kind::DrawRoundedRect);
  ASSERT_EQ(rings.size(), 1u);
  const Rect link = view.linkRect;
  EXPECT_EQ(rings[0].rect, (Rect{link.left - 4, link.top - 3, link.right + 4, link.bottom + 3}));
  EXPECT_EQ(rings[0].radius, 6);
  EXPECT_EQ(rings[0].strokeWidth, 2);
  EXPECT_EQ(rings[0].color, view.palette.text);

  view.keyDown(keys::kTab);  // back to the button
  draw();
  rings = callsOf(Kind::DrawRoundedRect);
  ASSERT_EQ(rings.size(), 1u);
  EXPECT_EQ(rings[0].rect, view.closeRect.grown(2));
  EXPECT_EQ(rings[0].radius, 10);

  view.mouseDown(link.left + 1, link.top + 1);
  EXPECT_EQ(view.focus, kAboutLink) << "a click moves the focus";
  draw();
  EXPECT_TRUE(callsOf(Kind::DrawRoundedRect).empty()) << "and hides the ring";
  view.mouseUp(0, 0);
}

TEST(AboutPlacementTest, TheClientAreaIs480DipsWideAndFitsTheContent) {
  struct Case {
    float height;
    float dpi;
    int width;
    int pixels;
  };
  const Case cases[] = {
      {523.75f, 96, 480, 524},
      {523.25f, 96, 480, 523},
      {523.75f, 144, 720, 786},
      {500, 120, 600, 625},
  };
  for (const Case& c : cases) {
    int width = 0, height = 0;
    aboutClientPixels(c.height, c.dpi, width, height);
    EXPECT_EQ(width, c.width) << c.dpi;
    EXPECT_EQ(height, c.pixels) << c.height << " at " << c.dpi;
  }
}

TEST(AboutPlacementTest, CentredOnTheReferenceAndKeptInsideTheWorkArea) {
  const PixelRect work{0, 0, 1600, 960};
  struct Case {
    PixelRect reference;
    std::optional<PixelRect> work;
    int x, y;
  };
  // A window of 500 x 300.
  const Case cases[] = {
      {{100, 100, 1301, 901}, work, 450, 350},             // integer halves
      {{-400, -200, 100, 100}, work, 0, 0},                // past the top left
      {{1400, 800, 1900, 1100}, work, 1100, 660},          // past the bottom right
      {{-400, -200, 100, 100}, std::nullopt, -400, -200},  // no work area: left where centred
      {{0, 0, 500, 300}, work, 0, 0},                      // its own rectangle: stays
  };
  for (const Case& c : cases) {
    int x = 0, y = 0;
    centredPosition(c.reference, 500, 300, c.work, x, y);
    EXPECT_EQ(x, c.x) << c.reference.left;
    EXPECT_EQ(y, c.y) << c.reference.top;
  }
}

}  // namespace
}  // namespace tolzeb::ui::testing
