#include "ui/app/compress_page.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "page_paint_fixture.h"
#include "support/temp_folder.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/format.h"
#include "ui/foundation/palette.h"

namespace tolzeb::ui {
namespace {

using testing::kColumnLeft;
using testing::kColumnRight;
using testing::kColumnTop;
using testing::kPageArea;
using Kind = DrawCall::Kind;

using testing::L;
using testing::R;
constexpr float kSourcesTop = kColumnTop + 94;
// The default form: sources 308, destination 116, format 142, modes 250, password 126 and
// recovery 126 high, 18 apart, then the start row 20 below, 48 high, and 24 of margin.
constexpr float kDefaultCompressHeight =
    24 + 94 + 308 + 18 + 116 + 18 + 142 + 18 + 250 + 18 + 126 + 18 + 126 + 20 + 48 + 24;
constexpr float kPasswordCardTop = kSourcesTop + 308 + 18 + 116 + 18 + 142 + 18 + 250 + 18;

const std::wstring kBullets3(3, wchar_t(0x2022));

void readyToStart(PageState& state) {
  state.compressSources = {L"/data/report.docx", L"/data/photos"};
  state.compressDestination = L"/data/report.docx.zeb";
}
void typePasswords(PageState& state, const std::wstring& password, const std::wstring& repeat) {
  state.compressPassword.text = password;
  state.compressPasswordRepeat.text = repeat;
}

class CompressPage : public testing::PagePaintTest {
 protected:
  CompressPage() : PagePaintTest(paintCompressPage) {}
};

TEST_F(CompressPage, RegionsOfEachState) {
  struct {
    const char* name;
    std::function<void(PageState&)> setup;
    std::vector<uint16_t> commands;
  } cases[] = {
      {"empty form", [](PageState&) {}, {24, 25, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 40}},
      {"sources without destination",
       [](PageState& s) { s.compressSources = {L"/a"}; },
       {24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 40}},
      {"ready",
       [](PageState& s) { readyToStart(s); },
       {24, 25, 26, 27, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 40, 42}},
      {"encryption without a password",
       [](PageState& s) {
         readyToStart(s);
         s.compressEncrypt = true;
       },
       {24, 25, 26, 27, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40}},
      {"encryption with differing passwords",
       [](PageState& s) {
         readyToStart(s);
         s.compressEncrypt = true;
         typePasswords(s, L"abc", L"abd");
       },
       {24, 25, 26, 27, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40}},
      {"encryption with matching passwords",
       [](PageState& s) {
         readyToStart(s);
         s.compressEncrypt = true;
         typePasswords(s, L"abc", L"abc");
       },
       {24, 25, 26, 27, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 42}},
      {"recovery record",
       [](PageState& s) {
         readyToStart(s);
         s.compressRecovery = true;
       },
       {24, 25, 26, 27, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 40, 41, 42}},
      // A .zip has neither: no fields, no slider, and no password is asked before starting.
      {"zip with encryption and recovery on",
       [](PageState& s) {
         readyToStart(s);
         s.compressFormat = 2;
         s.compressEncrypt = true;
         s.compressRecovery = true;
       },
       {24, 25, 26, 27, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 40, 42}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state = PageState();
    c.setup(state);
    paint();
    EXPECT_EQ(commands(), c.commands);
  }
}

TEST_F(CompressPage, TextsOfEachState) {
  struct Expected {
    std::wstring text;
    Color color;
    TextStyle style;
  };
  const Color secondary = palette::textSecondary;
  struct {
    const char* name;
    std::function<void(PageState&)> setup;
    std::vector<Expected> drawn;
    std::vector<std::wstring> absent;
  } cases[] = {
      {"empty form",
       [](PageState&) {},
       {{L"Nothing selected yet. Add files or a folder, or drop them here.", secondary, TextStyle::Body},
        {L"Add at least one file or folder first.", secondary, TextStyle::Body},
        {L"The native format: fastest to write, per-block checksums, and the only one of the three that can be "
         L"password-protected.",
         secondary, TextStyle::Caption},
        {L"The default. Good speed, good size.", secondary, TextStyle::Caption},
        {L"Without one, anyone who gets the file can read everything in it.", secondary, TextStyle::Caption},
        {L"Without one, a bad sector or a half-finished download leaves an archive that reports which block is "
         L"broken and cannot mend it.",
         secondary, TextStyle::Caption}},
       {L"Type a password", L"Fastest. Larger archive."}},
      {"no destination",
       [](PageState& s) { s.compressSources = {L"/a"}; },
       {{L"Choose where to save the archive.", secondary, TextStyle::Body},
        {L"No destination chosen", secondary, TextStyle::Body}},
       {L"Add at least one file or folder first."}},
      {"encryption, nothing typed",
       [](PageState& s) {
         readyToStart(s);
         s.compressEncrypt = true;
       },
       {{L"Type the password, twice.", secondary, TextStyle::Body},
        {L"Type a password", secondary, TextStyle::Body},
        {L"Type it again", secondary, TextStyle::Body},
        {L"Repeat it", secondary, TextStyle::Caption},
        {L"AES-256-GCM, with the key from PBKDF2-HMAC-SHA256. File names are hidden too. There is no way to "
         L"recover a lost password.",
         secondary, TextStyle::Caption}},
       {L"The two passwords do not match."}},
      // The accent note waits for both fields; the hint does not.
      {"encryption, repetition empty",
       [](PageState& s) {
         readyToStart(s);
         s.compressEncrypt = true;
         typePasswords(s, L"abc", L"");
       },
       {{L"The two passwords do not match.", secondary, TextStyle::Body},
        {L"AES-256-GCM, with the key from PBKDF2-HMAC-SHA256. File names are hidden too. There is no way to "
         L"recover a lost password.",
         secondary, TextStyle::Caption}},
       {}},
      {"encryption, passwords differ",
       [](PageState& s) {
         readyToStart(s);
         s.compressEncrypt = true;
         typePasswords(s, L"abc", L"abd");
       },
       {{L"The two passwords do not match.", palette::brandRed, TextStyle::Caption}},
       {L"AES-256-GCM, with the key from PBKDF2-HMAC-SHA256. File names are hidden too. There is no way to "
        L"recover a lost password."}},
      {"zip",
       [](PageState& s) {
         readyToStart(s);
         s.compressFormat = 2;
         s.compressEncrypt = true;
       },
       {{L"A plain .zip that other tools open: store or deflate, UTF-8 names. It cannot carry a password here, and "
         L"it has no per-block SHA-256.",
         secondary, TextStyle::Caption},
        {L"Not available for this format. ZipCrypto is broken, AES-in-ZIP is a vendor extension and .7z encryption "
         L"is not written by this build, so none is offered; switch the format to TOLZEB (.zeb) to use a password.",
         secondary, TextStyle::Caption},
        {L"Only a .zeb carries one. A .zip, .7z or .tar has nowhere to put it, so damage to those can be detected "
         L"but not undone.",
         secondary, TextStyle::Caption}},
       {L"Type a password", L"Type the password, twice."}},
      {"7z, compact, dictionary",
       [](PageState& s) {
         s.compressFormat = 5;
         s.compressMode = 2;
         s.compressDictionary = true;
       },
       {{L"A .7z built from solid LZMA2 blocks: the smallest of the three on most input, the slowest to write, "
         L"and it cannot carry a password here.",
         secondary, TextStyle::Caption},
        {L"Smallest archive. Slowest.", secondary, TextStyle::Caption},
        {L"For a folder of files of one kind: revisions of a document, exports sharing a schema, logs in one "
         L"format. Checked both ways first and dropped if it would not help.",
         secondary, TextStyle::Caption}},
       {L"The default. Good speed, good size."}},
      {"lightning",
       [](PageState& s) { s.compressMode = 0; },
       {{L"Fastest. Larger archive.", secondary, TextStyle::Caption}},
       {}},
      {"recovery record of 5%",
       [](PageState& s) { s.compressRecovery = true; },
       {{L"5% reserved: repairs about 5% of the archive lost in one run.", palette::textPrimary, TextStyle::BodyStrong},
        {L"Damage scattered in many small pieces costs more than its size. It undoes accidents -- bad media, "
         L"interrupted transfers, bit rot -- not tampering: whoever can edit the data can recompute the record.",
         secondary, TextStyle::Caption}},
       {}},
      {"recovery percent clamped",
       [](PageState& s) {
         s.compressRecovery = true;
         s.compressRecoveryPercent = 99;
       },
       {{L"30% reserved: repairs about 30% of the archive lost in one run.", palette::textPrimary,
         TextStyle::BodyStrong}},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state = PageState();
    c.setup(state);
    paint();
    for (const Expected& e : c.drawn) {
      const auto call = text(e.text);
      ASSERT_TRUE(call) << std::string(e.text.begin(), e.text.end());
      EXPECT_EQ(call->color, e.color) << std::string(e.text.begin(), e.text.end());
      EXPECT_EQ(call->style, e.style) << std::string(e.text.begin(), e.text.end());
    }
    for (const std::wstring& gone : c.absent) EXPECT_FALSE(drewText(gone)) << std::string(gone.begin(), gone.end());
    // Every text came from the catalogue: no key and no unfilled placeholder reaches the screen.
    for (const DrawCall& call : callsOf(Kind::Text)) {
      EXPECT_EQ(call.text.find(L'{'), std::wstring::npos) << std::string(call.text.begin(), call.text.end());
      for (const wchar_t* prefix : {L"compress.", L"format.", L"mode.", L"unit."}) {
        EXPECT_NE(call.text.rfind(prefix, 0), 0u) << std::string(call.text.begin(), call.text.end());
      }
    }
  }
}

TEST_F(CompressPage, StartHintsInOrder) {
  struct {
    std::vector<std::wstring> sources;
    std::wstring destination;
    std::wstring password;
    const char* key;
  } cases[] = {
      {{}, L"", L"", "compress.need_sources"},
      {{}, L"/out.zeb", L"abc", "compress.need_sources"},
      {{L"/a"}, L"", L"abc", "compress.need_destination"},
      {{L"/a"}, L"/out.zeb", L"", "compress.need_password"},
      {{L"/a"}, L"/out.zeb", L"abc", "compress.password_mismatch"},
  };
  for (const auto& c : cases) {
    state.compressSources = c.sources;
    state.compressDestination = c.destination;
    state.compressEncrypt = true;
    state.compressPassword.text = c.password;
    EXPECT_STREQ(compressStartHintKey(state), c.key);
  }
}

TEST_F(CompressPage, DisabledStartButtonIsDrawnWithoutARegion) {
  const float top = kColumnTop + kDefaultCompressHeight - 24 - 48 - 24;
  const Rect button{L, top, L + 210, top + 48};
  for (bool ready : {false, true}) {
    SCOPED_TRACE(ready);
    state = PageState();
    if (ready) readyToStart(state);
    paint();
    bool filled = false;
    for (const DrawCall& call : callsOf(Kind::FillRoundedRect)) {
      if (call.rect == button) filled = call.color == (ready ? palette::brandRed : palette::disabledFill);
    }
    EXPECT_TRUE(filled);
    EXPECT_TRUE(drewText(L"Start compressing"));
    EXPECT_EQ(region(42) != nullptr, ready);
    if (ready) {
      EXPECT_EQ(region(42)->rect(), button);
    }
    const auto hint = text(L"Add at least one file or folder first.");
    EXPECT_EQ(hint.has_value(), !ready);
    if (hint) {
      EXPECT_EQ(hint->rect, (Rect{L + 226, top + 12, R, top + 40}));
    }
  }
}

TEST_F(CompressPage, AtMostFiveSourceRowsThenACountOfTheRest) {
  const float firstRow = kSourcesTop + 62;
  struct {
    size_t sources;
    int64_t rest;  // 0: no overflow line
  } cases[] = {{1, 0}, {5, 0}, {6, 1}, {25, 20}, {1234, 1229}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sources);
    state.compressSources.clear();
    for (size_t i = 0; i < c.sources; ++i) state.compressSources.push_back(L"/missing/file-" + std::to_wstring(i));
    paint();
    const size_t rows = std::min<size_t>(c.sources, 5);
    for (size_t i = 0; i < rows; ++i) {
      const float top = firstRow + 44 * static_cast<float>(i);
      const HitRegion* row = region(27, static_cast<int32_t>(i));
      ASSERT_NE(row, nullptr) << i;
      EXPECT_EQ(row->rect(), (Rect{L + 14, top, R - 14, top + 44}));
      EXPECT_TRUE(row->focusable);
    }
    EXPECT_EQ(region(27, static_cast<int32_t>(rows)), nullptr);
    if (c.rest > 0) {
      // The count is grouped the way the user's numbers are.
      const auto line = text(L"+" + i18n::formatInteger(c.rest) + L" more");
      ASSERT_TRUE(line);
      EXPECT_EQ(line->rect, (Rect{L + 22, firstRow + 220, R - 22, firstRow + 244}));
      EXPECT_EQ(line->style, TextStyle::Caption);
      EXPECT_EQ(line->color, palette::textSecondary);
    }
    const auto clips = callsOf(Kind::PushClip);
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(clips[0].rect, (Rect{L + 2, firstRow, R - 2, kSourcesTop + 298}));
    EXPECT_EQ(callsOf(Kind::PopClip).size(), 1u);
    // The clear button shows its cross inside itself.
    ASSERT_NE(region(26), nullptr);
    EXPECT_EQ(region(26)->rect(), (Rect{R - 34, kSourcesTop + 14, R - 14, kSourcesTop + 50}));
    bool crossInClear = false;
    for (const DrawCall& icon : iconsOf(Icon::Close)) crossInClear |= icon.rect == region(26)->rect();
    EXPECT_TRUE(crossInClear);
  }
}

TEST_F(CompressPage, SourceRowIconsPathsAndHover) {
  tolzeb::testing::TempFolder folder;
  const std::wstring longPath = L"/" + std::wstring(199, L'x');
  state.compressSources = {folder.path(), folder / L"gone.txt", longPath};
  state.hoverId = 27;
  state.hoverIndex = 1;
  paint();

  const float firstRow = kSourcesTop + 62;
  struct {
    Icon icon;
    Color color;
  } rowIcons[] = {
      {Icon::Folder, palette::textSecondary}, {Icon::Document, palette::brandRed}, {Icon::Document, palette::brandRed}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const float top = firstRow + 44 * static_cast<float>(i);
    const Rect iconBox{L + 22, top, L + 48, top + 44};
    const Rect crossBox{R - 48, top + 10, R - 24, top + 34};
    bool iconFound = false;
    bool crossFound = false;
    for (const DrawCall& call : callsOf(Kind::Icon)) {
      if (call.rect == iconBox) {
        iconFound = true;
        EXPECT_EQ(call.icon, rowIcons[i].icon);
        EXPECT_EQ(call.color, rowIcons[i].color);
        EXPECT_EQ(call.size, 18);
      }
      if (call.rect == crossBox) {
        crossFound = true;
        EXPECT_EQ(call.icon, Icon::Close);
        EXPECT_EQ(call.color, i == 1 ? palette::brandRed : rgb(180, 185, 193));
        EXPECT_EQ(call.size, 14);
      }
    }
    EXPECT_TRUE(iconFound);
    EXPECT_TRUE(crossFound);
    size_t tints = 0;
    for (const DrawCall& call : callsOf(Kind::FillRoundedRect)) {
      if (call.rect == Rect{L + 14, top, R - 14, top + 44}) {
        ++tints;
        EXPECT_EQ(call.color, palette::hoverOverlay);
        EXPECT_EQ(call.radius, 6);
      }
    }
    EXPECT_EQ(tints, i == 1 ? 1u : 0u);
  }

  // The long path is cut in the middle to the row's width less 86.
  bool elided = false;
  for (const DrawCall& call : callsOf(Kind::Text)) {
    if (call.text.front() != L'/' || call.text.find(L"...") == std::wstring::npos) continue;
    elided = true;
    EXPECT_EQ(call.text.front(), L'/');
    EXPECT_LE(canvas.measureText(call.text, TextStyle::Body, 100000).width, R - L - 28 - 86);
    EXPECT_EQ(call.rect.left, L + 54);
    EXPECT_EQ(call.color, palette::textPrimary);
  }
  EXPECT_TRUE(elided);
}

TEST_F(CompressPage, SegmentsShowTheChosenFormatAndMode) {
  state.compressFormat = 5;
  state.compressMode = 0;
  paint();
  const float formatTop = kSourcesTop + 308 + 18 + 116 + 18 + 54;
  const float modeTop = formatTop - 54 + 142 + 18 + 54;
  const float modeWidth = 460.0f / 3;
  struct {
    uint16_t id;
    Rect rect;
    bool selected;
  } cases[] = {
      {29, {L + 22, formatTop, L + 178, formatTop + 40}, false},
      {30, {L + 186, formatTop, L + 338, formatTop + 40}, false},
      {31, {L + 346, formatTop, L + 502, formatTop + 40}, true},
      {32, {L + 22, modeTop, L + 22 + modeWidth - 4, modeTop + 40}, true},
      {33, {L + 22 + modeWidth + 4, modeTop, L + 22 + 2 * modeWidth - 4, modeTop + 40}, false},
      {34, {L + 22 + 2 * modeWidth + 4, modeTop, L + 22 + 3 * modeWidth, modeTop + 40}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    ASSERT_NE(region(c.id), nullptr);
    const Rect drawn = region(c.id)->rect();
    EXPECT_NEAR(drawn.left, c.rect.left, 0.001f);
    EXPECT_NEAR(drawn.right, c.rect.right, 0.001f);
    EXPECT_EQ(drawn.top, c.rect.top);
    EXPECT_EQ(drawn.bottom, c.rect.bottom);
    bool red = false;
    for (const DrawCall& call : callsOf(Kind::FillRoundedRect)) {
      if (call.rect == drawn && call.color == palette::brandRed) red = true;
    }
    EXPECT_EQ(red, c.selected);
  }
}

TEST_F(CompressPage, PasswordFieldsShowBulletsInTwoColumns) {
  state.compressEncrypt = true;
  typePasswords(state, L"abc", L"xyz");
  paint();
  size_t bulletTexts = 0;
  for (const DrawCall& call : callsOf(Kind::Text)) {
    EXPECT_EQ(call.text.find(L"abc"), std::wstring::npos);
    EXPECT_EQ(call.text.find(L"xyz"), std::wstring::npos);
    if (call.text == kBullets3) ++bulletTexts;
  }
  EXPECT_EQ(bulletTexts, 2u);
  const float g = 360;  // the smaller of W / 2 - 40 and 360
  const float top = kPasswordCardTop;
  EXPECT_EQ(region(38)->rect(), (Rect{L + 22, top + 116, L + 22 + g, top + 158}));
  EXPECT_EQ(region(39)->rect(), (Rect{L + 42 + g, top + 116, L + 42 + 2 * g, top + 158}));
}

TEST_F(CompressPage, RecoverySliderKnobFollowsThePercent) {
  state.compressRecovery = true;
  const float top = kPasswordCardTop + 126 + 18;
  const Rect slider{L + 22, top + 94, L + 560, top + 128};  // the smaller of L + 560 and R - 320
  const float trackLeft = slider.left + 11;
  const float trackWidth = slider.width() - 22;
  struct {
    int32_t percent;
    double fraction;
  } cases[] = {{1, 0}, {5, 4.0 / 29}, {30, 1}, {0, 0}, {31, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.percent);
    state.compressRecoveryPercent = c.percent;
    paint();
    ASSERT_NE(region(41), nullptr);
    EXPECT_EQ(region(41)->rect(), slider);
    bool knob = false;
    for (const DrawCall& call : callsOf(Kind::FillRoundedRect)) {
      if (call.radius == 11 && call.color == palette::white && call.rect.width() == 22) {
        knob = true;
        EXPECT_FLOAT_EQ((call.rect.left + call.rect.right) / 2, trackLeft + trackWidth * float(c.fraction));
      }
    }
    EXPECT_TRUE(knob);
    EXPECT_DOUBLE_EQ(recoverySliderValue(c.percent), c.fraction);
  }
}

TEST_F(CompressPage, CardsAndContentHeightDoNotDependOnTheScrollOffset) {
  struct {
    const char* name;
    std::function<void(PageState&)> setup;
    float height;
    float passwordCard;
    float recoveryCard;
  } cases[] = {
      {"default", [](PageState&) {}, kDefaultCompressHeight, 126, 126},
      {"encryption", [](PageState& s) { s.compressEncrypt = true; }, kDefaultCompressHeight + 84, 210, 126},
      {"recovery", [](PageState& s) { s.compressRecovery = true; }, kDefaultCompressHeight + 58, 126, 184},
      {"both", [](PageState& s) { s.compressEncrypt = s.compressRecovery = true; }, kDefaultCompressHeight + 84 + 58,
       210, 184},
      {"both on a .7z",
       [](PageState& s) {
         s.compressEncrypt = s.compressRecovery = true;
         s.compressFormat = 5;
       },
       kDefaultCompressHeight, 126, 126},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state = PageState();
    c.setup(state);
    for (float offset : {0.0f, 250.0f, 2000.0f}) {
      SCOPED_TRACE(offset);
      state.scrollOffset = offset;
      const float contentHeight = paint();
      const std::vector<Rect> drawn = cards();
      const float heights[] = {308, 116, 142, 250, c.passwordCard, c.recoveryCard};
      ASSERT_EQ(drawn.size(), 6u);
      float top = kSourcesTop - offset;
      for (size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(drawn[k], (Rect{L, top, R, top + heights[k]})) << k;
        top += heights[k] + 18;
      }
      // The last card grows when its caveat wraps to more lines than its place holds (the
      // recording canvas measures text wider than the real one does).
      const Rect recovery = drawn[5];
      EXPECT_EQ((Rect{recovery.left, recovery.top, recovery.right}), (Rect{L, top, R}));
      EXPECT_GE(recovery.height(), c.recoveryCard);
      EXPECT_EQ(contentHeight, c.height + recovery.height() - c.recoveryCard);
    }
  }
}

TEST_F(CompressPage, NarrowPageKeepsAColumnOf320) {
  const float height = paint({86, 122, 300, 800});
  // The subtitle wraps in so narrow a column and moves the cards down by its added lines.
  const float shift = subtitleShift("compress.subtitle", 320);
  EXPECT_GT(shift, 0);
  EXPECT_EQ(height, kDefaultCompressHeight + shift);
  const float top = kSourcesTop + shift;
  EXPECT_EQ(cards().front(), (Rect{L, top, L + 320, top + 308}));
  EXPECT_EQ(region(25)->rect(), (Rect{L + 320 - 198, top + 14, L + 320 - 42, top + 50}));
}

TEST_F(CompressPage, AWrappedRecoveryNoteMovesTheCaveatDownAndTheCardGrowsAroundIt) {
  state.compressRecovery = true;
  paint({86, 122, 700, 800});  // a narrow column: the note beside the slider wraps to many lines
  const std::optional<DrawCall> note = text(i18n::translateWithArgs(
      "compress.recovery_note", {i18n::Arg("percent", L"5%"), i18n::Arg("repairs", L"5%")}));
  const std::optional<DrawCall> caveat = text(i18n::translate("compress.recovery_caveat"));
  ASSERT_TRUE(note && caveat);
  EXPECT_GT(note->rect.height(), 26) << "the note needs more than its one line here";
  EXPECT_GE(caveat->rect.top, note->rect.bottom);
  EXPECT_GE(cards().back().bottom, caveat->rect.bottom);
}

}  // namespace
}  // namespace tolzeb::ui
