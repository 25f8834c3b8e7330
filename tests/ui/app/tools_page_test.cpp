#include "ui/app/tools_page.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "page_paint_fixture.h"
#include "ui/app/page_painters.h"
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

void listed(PageState& s, uint8_t kind = 1) {
  s.toolsArchive = L"/data/backup.zeb";
  s.toolsListed = true;
  s.toolsKind = kind;
  s.toolsArchiveBytes = 3 * 1048576;
  s.toolsInputBytes = 12 * 1048576;
}

DuplicateReport duplicateGroups(size_t count) {
  DuplicateReport report;
  for (size_t i = 0; i < count; ++i) {
    report.groups.push_back({{}, 2048, {L"a/" + std::to_wstring(i), L"b/" + std::to_wstring(i)}});
  }
  report.redundantCopies = count;
  report.reclaimableBytes = 2048 * count;
  return report;
}

CompareResult compareRows(size_t count) {
  CompareResult result;
  for (size_t i = 0; i < count; ++i) result.rows.push_back({L"set/file" + std::to_wstring(i), uint8_t(i % 5)});
  result.identical = 4;
  result.different = count;
  return result;
}

class ToolsPage : public testing::PagePaintTest {
 protected:
  ToolsPage() : PagePaintTest(paintToolsPage) {}

  std::vector<float> cardHeights() const {
    std::vector<float> heights;
    for (const Rect& card : cards()) heights.push_back(card.bottom - card.top);
    return heights;
  }
  std::vector<DrawCall> textsOfStyle(TextStyle style) const {
    std::vector<DrawCall> found;
    for (const DrawCall& call : callsOf(Kind::Text))
      if (call.style == style) found.push_back(call);
    return found;
  }
};

// Disabled controls record no region: what each state offers is the list of its commands.
TEST_F(ToolsPage, RegionsOfEachState) {
  const std::vector<uint16_t> split = {80, 80, 80, 80, 82, 81};
  auto join = [](std::vector<uint16_t> a, const std::vector<uint16_t>& b, std::vector<uint16_t> c) {
    a.insert(a.end(), b.begin(), b.end());
    a.insert(a.end(), c.begin(), c.end());
    return a;
  };
  struct {
    const char* name;
    std::function<void(PageState&)> setup;
    std::vector<uint16_t> commands;
  } cases[] = {
      {"nothing chosen", [](PageState&) {}, join({75}, split, {86})},
      {"a file that failed to load",
       [](PageState& s) {
         s.toolsArchive = L"/data/broken.zeb";
         s.toolsMessage = L"The file is damaged.";
       },
       join({75}, split, {85, 86})},
      {"a locked archive",
       [](PageState& s) {
         s.toolsArchive = L"/data/locked.zeb";
         s.toolsLocked = true;
       },
       join({75, 79}, split, {85, 86})},
      {"a listed .zeb", [](PageState& s) { listed(s); }, join({75, 76, 77, 78}, split, {85, 86, 83, 84, 87, 88})},
      {"a listed .zip", [](PageState& s) { listed(s, 2); }, join({75, 76, 77, 78}, split, {85, 86, 87, 88})},
      {"a locked archive once listed",
       [](PageState& s) {
         listed(s);
         s.toolsLocked = true;
       },
       join({75, 76, 77, 78}, split, {85, 86, 83, 84, 87, 88})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state = PageState();
    c.setup(state);
    paint();
    EXPECT_EQ(commands(), c.commands);
  }
}

TEST_F(ToolsPage, CardHeightsAndContentHeightFollowTheState) {
  struct {
    const char* name;
    std::function<void(PageState&)> setup;
    std::vector<float> heights;
  } cases[] = {
      {"nothing chosen", [](PageState&) {}, {180, 116, 120, 262, 186, 126, 126, 96}},
      {"locked",
       [](PageState& s) {
         s.toolsArchive = L"/x.zeb";
         s.toolsLocked = true;
       },
       {180, 116, 116, 120, 262, 186, 126, 126, 96}},
      {"listed", [](PageState& s) { listed(s); }, {180, 116, 300, 262, 186, 126, 126, 96}},
      {"no duplicates, no differences",
       [](PageState& s) {
         listed(s);
         s.duplicatesShown = true;
         s.compareShown = true;
       },
       {180, 116, 300, 262, 186, 160, 160, 96}},
      // Rows stop at 8 groups and 10 differences.
      {"many results",
       [](PageState& s) {
         listed(s);
         s.duplicatesShown = true;
         s.duplicateResult = duplicateGroups(11);
         s.compareShown = true;
         s.compareResult = compareRows(14);
       },
       {180, 116, 300, 262, 186, 160 + 46 * 8, 160 + 26 * 10, 96}},
      {"few results",
       [](PageState& s) {
         listed(s);
         s.duplicatesShown = true;
         s.duplicateResult = duplicateGroups(2);
         s.compareShown = true;
         s.compareResult = compareRows(3);
       },
       {180, 116, 300, 262, 186, 160 + 46 * 2, 160 + 26 * 3, 96}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state = PageState();
    c.setup(state);
    const float height = paint();
    const std::vector<Rect> drawn = cards();
    ASSERT_EQ(cardHeights(), c.heights);
    float top = kColumnTop + 94;
    for (const Rect& card : drawn) {
      EXPECT_EQ(card.top, top);
      EXPECT_EQ(card.left, L);
      EXPECT_EQ(card.right, R);
      top = card.bottom + 18;
    }
    EXPECT_EQ(height, drawn.back().bottom + 24 - kColumnTop + 24);
  }
}

TEST_F(ToolsPage, TheTitleAndSubtitleHeadTheColumn) {
  paint();
  const auto title = text(L"Tools");
  const auto subtitle = text(L"Check an archive, or read what its header and manifest say.");
  ASSERT_TRUE(title && subtitle);
  EXPECT_EQ(title->rect, (Rect{L, kColumnTop, R, kColumnTop + 52}));
  EXPECT_EQ(title->style, TextStyle::PageTitle);
  EXPECT_EQ(subtitle->rect, (Rect{L, kColumnTop + 52, R, kColumnTop + 78}));
  EXPECT_EQ(subtitle->color, palette::textSecondary);
}

TEST_F(ToolsPage, ContentHeightDoesNotDependOnTheScrollOffset) {
  listed(state);
  const float unscrolled = paint();
  state.scrollOffset = 300;
  EXPECT_EQ(paint(), unscrolled);
  EXPECT_EQ(cards().front().top, kColumnTop + 94 - 300);
}

TEST_F(ToolsPage, TheArchiveCardSaysWhatIsMissing) {
  const Rect status{L + 610, kColumnTop + 94 + 120, R - 22, kColumnTop + 94 + 148};
  struct {
    const char* name;
    std::function<void(PageState&)> setup;
    std::wstring text;  // empty: nothing is drawn there
    Color color;
  } cases[] = {
      {"nothing chosen", [](PageState&) {}, L"Choose an archive to enable these.", palette::textSecondary},
      {"failed", [](PageState& s) { s.toolsMessage = L"The file is missing."; }, L"The file is missing.",
       palette::brandRed},
      {"failed while locked",
       [](PageState& s) {
         s.toolsLocked = true;
         s.toolsMessage = L"Wrong password.";
       },
       L"Wrong password.", palette::brandRed},
      {"locked", [](PageState& s) { s.toolsLocked = true; }, L"This archive is protected; type its password below.",
       palette::textPrimary},
      {"listed", [](PageState& s) { listed(s); }, L"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state = PageState();
    c.setup(state);
    paint();
    std::vector<DrawCall> inStatus;
    for (const DrawCall& call : callsOf(Kind::Text))
      if (call.rect == status) inStatus.push_back(call);
    if (c.text.empty()) {
      EXPECT_TRUE(inStatus.empty());
      continue;
    }
    ASSERT_EQ(inStatus.size(), 1u);
    EXPECT_EQ(inStatus[0].text, c.text);
    EXPECT_EQ(inStatus[0].color, c.color);
  }
}

TEST_F(ToolsPage, TheDetailsCardReadsTheListing) {
  paint();
  EXPECT_TRUE(drewText(L"Nothing read yet."));

  listed(state);
  state.toolsFormatMajor = 1;
  state.toolsFormatMinor = 12;
  state.toolsHeaderFlags = 0x2A;
  state.toolsChunkSize = 1048576;
  state.toolsChunkCount = 12345678901;
  state.toolsEntryCount = 1235;
  state.toolsFileCount = 1234;
  state.toolsFolderCount = 1;
  paint();
  const float detailsTop = cards()[2].top;
  const struct {
    std::wstring label;
    std::wstring value;
  } rows[] = {
      {L"Format version", L"1.12"},
      {L"Header flags", L"0x0000002A"},
      {L"Block size", L"1.0 MB"},
      {L"Blocks", L"12345678901"},
      {L"Entries", L"1,235  (1,234 files, 1 folder)"},
      {L"Archive size", L"3.0 MB"},
      {L"Payload when unpacked", L"12 MB"},
      {L"Overall ratio", L"25.0% of the original"},
  };
  float y = detailsTop + 58;
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.label.begin(), row.label.end()));
    const auto label = text(row.label);
    const auto value = text(row.value);
    ASSERT_TRUE(label && value);
    EXPECT_EQ(label->rect, (Rect{L + 22, y, L + 256, y + 24}));
    EXPECT_EQ(label->color, palette::textSecondary);
    EXPECT_EQ(value->rect, (Rect{L + 268, y, R - 22, y + 24}));
    EXPECT_EQ(value->style, TextStyle::BodyStrong);
    y += 28;
  }
  EXPECT_FALSE(drewText(L"Nothing read yet."));
}

// The share is worked out in floating point: a product in integers would overflow for large archives.
TEST(ToolsPageTexts, TheRatioIsTheArchiveAgainstItsPayloadWithOneDecimal) {
  i18n::testing::StateGuard language{i18n::loadCatalog(L"en-US"), nullptr, &i18n::englishLanguage()};
  const struct {
    uint64_t archive;
    uint64_t input;
    const wchar_t* text;
  } cases[] = {
      {250, 1000, L"25.0%"},
      {1, 3, L"33.3%"},
      {3000, 1000, L"300.0%"},
      {5, 0, L"0.0%"},
      {0, 7, L"0.0%"},
      {UINT64_MAX, UINT64_MAX, L"100.0%"},
      {UINT64_MAX / 2, UINT64_MAX, L"50.0%"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(compressionRatioText(c.archive, c.input), c.text) << c.archive << "/" << c.input;
}

TEST(ToolsPageTexts, ThePartsLineCountsWholeAndPartialParts) {
  i18n::testing::StateGuard language{i18n::loadCatalog(L"en-US"), nullptr, &i18n::englishLanguage()};
  constexpr uint64_t MiB = 1048576;
  const struct {
    bool listedArchive;
    uint64_t bytes;
    uint32_t partMiB;
    const wchar_t* text;
  } cases[] = {
      {false, 100 * MiB, 25, L"Choose an archive to see how many parts that makes."},
      {true, 0, 25, L"Choose an archive to see how many parts that makes."},
      {true, 10 * MiB, 25, L"1 part: 10 MB fits in one piece at this size."},
      {true, 25 * MiB, 25, L"1 part: 25 MB fits in one piece at this size."},
      {true, 25 * MiB + 1, 25, L"2 parts of 25 MB, the last one smaller."},
      {true, 1024 * MiB, 1, L"1,024 parts of 1 MB, the last one smaller."},
      {true, UINT64_MAX, 4096, L"4,294,967,296 parts of 4,096 MB, the last one smaller."},
  };
  for (const auto& c : cases) {
    PageState s;
    s.toolsListed = c.listedArchive;
    s.toolsArchiveBytes = c.bytes;
    s.splitPartMiB = c.partMiB;
    EXPECT_EQ(splitPartsText(s), c.text) << c.bytes << " at " << c.partMiB;
  }
}

TEST(ToolsPageTexts, TheSliderStandsAtTheLogarithmOfThePartSizeWithinItsEnds) {
  const struct {
    uint32_t partMiB;
    double value;
  } cases[] = {{0, 0}, {1, 0}, {2, 1.0 / 12}, {64, 0.5}, {4096, 1}, {4097, 1}, {UINT32_MAX, 1}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(splitSliderValue(c.partMiB), c.value) << c.partMiB;
}

TEST(ToolsPageTexts, HintsAndLabelsOfEachState) {
  const struct {
    bool listedArchive;
    uint8_t kind;
    const char* hint;
  } hints[] = {{false, 1, "tools.pick_one"},
               {true, 1, "tools.repair_hint"},
               {true, 2, "tools.repair_unsupported"},
               {true, 0, "tools.repair_unsupported"}};
  for (const auto& c : hints) {
    PageState s;
    s.toolsListed = c.listedArchive;
    s.toolsKind = c.kind;
    EXPECT_STREQ(repairHintKey(s), c.hint);
  }
  const char* labels[] = {"tools.difference_only_archive", "tools.difference_only_folder", "tools.difference_size",
                          "tools.difference_content",      "tools.difference_time",        "tools.difference_content"};
  for (uint8_t kind = 0; kind < 6; ++kind) EXPECT_STREQ(differenceKey(kind), labels[kind]) << int(kind);
}

TEST_F(ToolsPage, ThePresetOfThePartSizeIsSelectedAndTheFieldShowsItsText) {
  struct {
    uint32_t partMiB;
    int selected;  // -1: none
  } cases[] = {{10, 0}, {25, 1}, {100, 2}, {700, 3}, {30, -1}};
  const wchar_t* labels[] = {L"10 MB", L"25 MB", L"100 MB", L"700 MB"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.partMiB);
    state.splitPartMiB = c.partMiB;
    paint();
    for (int i = 0; i < 4; ++i) {
      const auto label = text(labels[i]);
      ASSERT_TRUE(label);
      EXPECT_EQ(label->color, i == c.selected ? palette::white : palette::textPrimary) << i;
      const HitRegion* segment = region(80, i);
      ASSERT_NE(segment, nullptr);
      EXPECT_EQ(segment->top, cards()[3].top + 100);
    }
  }
  state.splitPartText.insert(L"1,5", 16);
  paint();
  EXPECT_TRUE(drewText(L"1,5"));
}

TEST_F(ToolsPage, DuplicateGroupsAreListedUpToEightThenCounted) {
  listed(state);
  state.duplicatesShown = true;
  paint();
  EXPECT_TRUE(drewText(L"No two files in this archive have identical contents."));

  state.duplicateResult = duplicateGroups(10);
  paint();
  EXPECT_TRUE(drewText(L"10 groups · 10 redundant copies · 20 KB reclaimable"));
  const auto groups = textsOfStyle(TextStyle::BodyStrong);
  size_t groupLines = 0;
  for (const DrawCall& call : groups) groupLines += call.text == L"2.0 KB  x2" ? 1 : 0;
  EXPECT_EQ(groupLines, 8u);
  const std::wstring separator = std::wstring(L"   ") + wchar_t(0x00B7) + L"   ";
  const auto paths = text(L"a/0" + separator + L"b/0");
  ASSERT_TRUE(paths);
  EXPECT_EQ(paths->rect.top, cards()[5].top + 96);
  EXPECT_TRUE(drewText(L"a/7" + separator + L"b/7"));
  EXPECT_FALSE(drewText(L"a/8" + separator + L"b/8"));
  const auto more = text(L"+2 more groups");
  ASSERT_TRUE(more);
  EXPECT_EQ(more->rect.top, cards()[5].top + 96 + 46 * 8);
  EXPECT_LE(more->rect.bottom, cards()[5].bottom);
}

TEST_F(ToolsPage, DifferencesAreLabelledByKindAndListedUpToTen) {
  listed(state);
  state.compareShown = true;
  state.compareResult.identical = 5;
  paint();
  const auto same = text(L"5 identical · 0 differing · 0 only in the archive · 0 only in the folder");
  ASSERT_TRUE(same);
  EXPECT_EQ(same->color, palette::textPrimary);

  state.compareResult = compareRows(12);
  paint();
  const auto summary = text(L"4 identical · 12 differing · 0 only in the archive · 0 only in the folder");
  ASSERT_TRUE(summary);
  EXPECT_EQ(summary->color, palette::brandRed);
  const float top = cards()[6].top + 96;
  const wchar_t* labels[] = {L"only in archive", L"only in folder", L"size differs", L"content differs",
                             L"time differs"};
  for (int i = 0; i < 10; ++i) {
    const auto path = text(L"set/file" + std::to_wstring(i));
    ASSERT_TRUE(path) << i;
    EXPECT_EQ(path->rect.top, top + 26 * float(i));
    bool labelled = false;
    for (const DrawCall& call : callsOf(Kind::Text))
      labelled |= call.text == labels[i % 5] && call.rect.top == path->rect.top && call.color == palette::brandRed;
    EXPECT_TRUE(labelled) << i;
  }
  EXPECT_FALSE(drewText(L"set/file10"));
  const auto more = text(L"+2 more");
  ASSERT_TRUE(more);
  EXPECT_EQ(more->rect.top, top + 260);
}

// A note that wraps to more lines than its card was laid out for makes the card taller instead
// of running into the buttons under it or out of the card.
TEST_F(ToolsPage, NotesFitTheirCardsInAWideAndANarrowWindow) {
  const wchar_t* notes[] = {
      L"Check thoroughly reads the header",  L"Writes .001, .002",
      L"A recovery record is spare data",    L"Whole files are compared by their SHA-256",
      L"Every file is hashed on both sides", L"Archiving just what changed",
  };
  listed(state);
  for (const Rect page : {kPageArea, Rect{86, 122, 560, 800}}) {
    SCOPED_TRACE(page.right);
    paint(page);
    const std::vector<Rect> drawn = cards();
    for (const wchar_t* start : notes) {
      SCOPED_TRACE(std::string(start, start + std::wcslen(start)));
      const DrawCall* note = nullptr;
      for (const DrawCall& call : canvas.calls())
        if (call.kind == Kind::Text && call.text.starts_with(start)) note = &call;
      ASSERT_NE(note, nullptr);
      EXPECT_LE(canvas.measureText(note->text, note->style, note->rect.width()).height, note->rect.height() + 0.01f);
      bool inside = false;
      for (const Rect& card : drawn) inside |= note->rect.top >= card.top && note->rect.bottom <= card.bottom;
      EXPECT_TRUE(inside);
      // Nothing else drawn in the card starts inside the note's lines.
      for (const HitRegion& r : regions) {
        const bool overlaps = r.top < note->rect.bottom && r.bottom > note->rect.top && r.left < note->rect.right &&
                              r.right > note->rect.left;
        EXPECT_FALSE(overlaps) << "region " << r.command;
      }
    }
    for (size_t i = 1; i < drawn.size(); ++i) EXPECT_EQ(drawn[i].top, drawn[i - 1].bottom + 18);
  }
}

}  // namespace
}  // namespace tolzeb::ui
