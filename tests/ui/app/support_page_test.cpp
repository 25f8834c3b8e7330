#include "ui/app/support_page.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "page_paint_fixture.h"
#include "ui/app/app_window.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/palette.h"

namespace tolzeb::ui {
namespace {

using testing::kColumnLeft;
using testing::kColumnRight;
using testing::kPageArea;
using Kind = DrawCall::Kind;

constexpr Color kHeartRed = frame_colors::heartRed;

// The cache the painter reads; a test may put an invalid code in it.
SupportQrCode* currentQr = nullptr;
float paintWithCache(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions) {
  return paintSupportPage(canvas, icons, state, page, regions, *currentQr);
}

std::vector<uint8_t> donationBytes() {
  const std::wstring address = kDonationAddress;
  return std::vector<uint8_t>(address.begin(), address.end());
}

class SupportPage : public testing::PagePaintTest {
 protected:
  SupportPage() : PagePaintTest(paintWithCache) { currentQr = &qr; }
  ~SupportPage() override { currentQr = nullptr; }

  void withoutSymbol() {
    qr.code = QrCode{};
    qr.made = true;
  }
  // The dark module rectangles: fills in the primary text colour.
  std::vector<Rect> moduleRuns() const {
    std::vector<Rect> runs;
    for (const DrawCall& call : callsOf(Kind::FillRect)) {
      if (call.color == palette::textPrimary) runs.push_back(call.rect);
    }
    return runs;
  }
  // Texts of the link card's column must start right of the symbol box in the wide layout.
  Rect symbolBox() const {
    for (const DrawCall& call : callsOf(Kind::DrawRoundedRect)) {
      if (call.radius == 4) return call.rect;
    }
    return {};
  }

  SupportQrCode qr;
};

TEST(SupportQr, EncodedOnceAtLevelMAndKept) {
  SupportQrCode cache;
  const QrCode& first = supportQrCode(cache);
  EXPECT_TRUE(cache.made);
  ASSERT_TRUE(first.valid());
  const QrCode expected = encodeQr(donationBytes(), QrLevel::M);
  EXPECT_EQ(first.version, expected.version);
  EXPECT_EQ(first.modules, expected.modules);
  // An empty result is kept too: it is not encoded again.
  cache.code = QrCode{};
  EXPECT_FALSE(supportQrCode(cache).valid());
}

TEST(SupportQr, ModulesAreWholeDevicePixels) {
  QrCode code;
  code.version = 2;
  code.size = 25;
  struct {
    float dpi;
    float expected;  // DIPs per module
  } cases[] = {
      {96, 8},            // floor(210 / 25) = 8 pixels
      {144, 12 / 1.5f},   // floor(315 / 25) = 12 pixels
      {120, 10 / 1.25f},  // floor(262.5 / 25) = 10 pixels
      {1, 96},            // below one pixel a module still takes one
      {0, 0},
      {-96, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    const float module = qrModuleSize(code, c.dpi);
    EXPECT_FLOAT_EQ(module, c.expected);
    if (module > 0) {
      const float pixels = module * c.dpi / 96;
      EXPECT_FLOAT_EQ(pixels, std::round(pixels));
    }
  }
  EXPECT_EQ(qrModuleSize(QrCode{}, 96), 0);
}

TEST_F(SupportPage, SymbolIsDrawnAsDarkRunsInsideItsQuietZone) {
  paint();
  const QrCode& code = qr.code;
  ASSERT_TRUE(code.valid());
  const float b = qrModuleSize(code, 96);
  const float S = 8 * b + code.size * b;
  const Rect box = symbolBox();
  EXPECT_EQ(box.width(), S);
  EXPECT_EQ(box.left, kColumnLeft + 32);
  // Every dark module is covered by exactly one run, every light one by none.
  std::vector<int> cover(static_cast<size_t>(code.size) * code.size);
  for (const Rect& run : moduleRuns()) {
    const int row = static_cast<int>(std::lround((run.top - box.top) / b)) - 4;
    const int first = static_cast<int>(std::lround((run.left - box.left) / b)) - 4;
    const int last = static_cast<int>(std::lround((run.right - box.left) / b)) - 4;
    ASSERT_EQ(run.height(), b);
    ASSERT_GE(row, 0);
    ASSERT_LT(row, code.size);
    for (int column = first; column < last; ++column) ++cover[static_cast<size_t>(row) * code.size + column];
  }
  for (int row = 0; row < code.size; ++row) {
    for (int column = 0; column < code.size; ++column) {
      ASSERT_EQ(cover[static_cast<size_t>(row) * code.size + column], code.dark(row, column) ? 1 : 0)
          << row << ", " << column;
    }
  }
  // A run ends at a light module or the edge: no two runs of a row touch.
  const std::vector<Rect> runs = moduleRuns();
  for (size_t i = 1; i < runs.size(); ++i) {
    if (runs[i].top == runs[i - 1].top) {
      EXPECT_LT(runs[i - 1].right, runs[i].left);
    }
  }
}

// Without a symbol the placeholder box stands where the symbol would, and the text column and the
// card make room for it in both layouts.
TEST_F(SupportPage, PlaceholderTakesTheSymbolsRoom) {
  withoutSymbol();
  struct {
    const char* name;
    Rect page;
  } cases[] = {{"wide", kPageArea}, {"narrow", {86, 122, 700, 800}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    paint(c.page);
    EXPECT_TRUE(moduleRuns().empty());
    const auto note = text(L"QR unavailable - use the button");
    ASSERT_TRUE(note);
    Rect placeholder;
    for (const DrawCall& call : callsOf(Kind::FillRoundedRect)) {
      if (call.color == frame_colors::railBackground) placeholder = call.rect;
    }
    EXPECT_EQ(placeholder.width(), 200);
    EXPECT_EQ(placeholder.height(), 200);
    const auto title = text(L"Support the project");
    const auto open = region(116);
    ASSERT_TRUE(title && open);
    // Nothing of the text column overlaps the placeholder.
    for (const Rect& r : {title->rect, open->rect()}) {
      const bool apart = r.left >= placeholder.right || r.top >= placeholder.bottom;
      EXPECT_TRUE(apart) << r.left << "," << r.top;
    }
  }
}

TEST_F(SupportPage, WideAndNarrowLinkCards) {
  struct {
    const char* name;
    Rect page;
    bool buttonsSideBySide;
    bool benefitsInARow;
  } cases[] = {
      {"wide", kPageArea, true, true},
      {"below the benefit row", {86, 122, 86 + 56 + 780, 800}, true, false},
      {"narrow", {86, 122, 86 + 56 + 600, 800}, true, false},
      {"narrowest", {86, 122, 200, 800}, false, false},  // the column keeps 420
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    paint(c.page);
    const HitRegion* open = region(116);
    const HitRegion* copy = region(117);
    ASSERT_TRUE(open && copy);
    EXPECT_EQ(open->rect().width(), 232);
    EXPECT_EQ(copy->rect().width(), 148);
    if (c.buttonsSideBySide) {
      EXPECT_EQ(copy->rect().top, open->rect().top);
      EXPECT_EQ(copy->rect().left, open->rect().left + 244);
    } else {
      EXPECT_EQ(copy->rect().top, open->rect().top + 52);
      EXPECT_EQ(copy->rect().left, open->rect().left);
    }
    std::vector<Rect> benefits;
    for (const DrawCall& call : callsOf(Kind::DrawRoundedRect)) {
      if (call.radius == 18) benefits.push_back(call.rect);
    }
    ASSERT_EQ(benefits.size(), 3u);
    EXPECT_EQ(benefits[0].top == benefits[1].top, c.benefitsInARow);
    // Every text stays inside the column.
    const float right = std::max(c.page.right - 28, kColumnLeft + 420);
    for (const DrawCall& call : callsOf(Kind::Text))
      EXPECT_LE(call.rect.right, right) << std::string(call.text.begin(), call.text.end());
  }
}

TEST_F(SupportPage, TextsAndTheirColours) {
  paint();
  const std::wstring address = kDonationAddress;
  struct {
    std::wstring text;
    Color color;
  } cases[] = {
      {L"SUPPORT TOLZEB", kHeartRed},
      {L"Keep TOLZEB fast.", palette::textPrimary},
      {L"Free. Human.", kHeartRed},
      {L"Every contribution, big or small, makes a difference.", palette::textSecondary},
      {address, kHeartRed},
      {L"Scan to support TOLZEB", palette::textSecondary},
      {L"01", kHeartRed},
      {L"02", palette::divider},
      {L"Thank you for supporting independent software.", palette::textSecondary},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    const auto drawn = text(c.text);
    ASSERT_TRUE(drawn);
    EXPECT_EQ(drawn->color, c.color);
  }
  EXPECT_EQ(text(L"Keep TOLZEB fast.")->rect.top, kPageArea.top + 28 + 30);
}

TEST_F(SupportPage, ResultLineOfTheButtons) {
  struct {
    std::wstring message;
    bool error;
    Color color;
  } cases[] = {{L"Link copied to the clipboard.", false, palette::textSecondary},
               {L"Could not reach the clipboard. Try again.", true, palette::brandRed}};
  for (const auto& c : cases) {
    state.supportMessage = c.message;
    state.supportMessageIsError = c.error;
    paint();
    const auto line = text(c.message);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->color, c.color);
    EXPECT_EQ(line->rect.top, region(117)->rect().top + 50);
  }
}

TEST_F(SupportPage, HeightCoversTheFooterAndIgnoresTheScroll) {
  const float height = paint();
  const auto footer = text(L"Thank you for supporting independent software.");
  ASSERT_TRUE(footer);
  EXPECT_FLOAT_EQ(height, footer->rect.bottom - 2 + 28 - (kPageArea.top + 28) + 24);
  state.scrollOffset = 120;
  EXPECT_EQ(paint(), height);
  EXPECT_EQ(text(L"Keep TOLZEB fast.")->rect.top, kPageArea.top + 28 + 30 - 120);
}

TEST_F(SupportPage, SymbolSnapsToDevicePixelsAtOtherDpi) {
  state.dpi = 144;
  paint();
  const Rect box = symbolBox();
  for (float v : {box.left, box.top}) EXPECT_FLOAT_EQ(v * 1.5f, std::round(v * 1.5f));
  for (const Rect& run : moduleRuns()) {
    EXPECT_NEAR(run.left * 1.5f, std::round(run.left * 1.5f), 1e-3);
    EXPECT_NEAR(run.top * 1.5f, std::round(run.top * 1.5f), 1e-3);
  }
}

}  // namespace
}  // namespace tolzeb::ui
