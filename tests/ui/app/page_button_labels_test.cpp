// Buttons of the compress and extract pages under labels longer than the English ones: each button
// grows to hold its label on one line and still keeps clear of what stands beside it.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "page_paint_fixture.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

using testing::kColumnLeft;
using testing::kColumnRight;
using testing::kPageArea;
using testing::PagePainterFunction;

// Far longer than the English texts, as some translations are.
constexpr std::string_view kLongLabels = R"({
  "compress": {
    "add_files": "Weitere Dateien zum neuen Archiv hinzufuegen",
    "add_folder": "Einen ganzen Ordner zum Archiv hinzufuegen",
    "choose": "Speicherort fuer das Archiv waehlen",
    "start": "Komprimierung jetzt sofort starten"
  },
  "extract": {
    "choose": "Eine andere Datei auswaehlen",
    "browse": "Den ganzen Inhalt durchsuchen",
    "extract_all_instead": "Stattdessen alles extrahieren",
    "start": "Extrahieren jetzt sofort starten"
  }
})";

void compressWithSources(PageState& state) { state.compressSources = {L"/data/report.docx"}; }
void extractWithSelection(PageState& state) {
  state.extractArchive = L"/in/photos.zeb";
  state.extractDestination = L"/in/photos";
  state.extractListed = true;
  state.extractEntryCount = 10;
  state.extractSelection = {L"a.txt", L"b.txt", L"c.txt"};
}
void extractUnlisted(PageState& state) {
  state.extractArchive = L"/in/broken.zeb";
  state.extractInfoMessage = L"Not an archive";
}

std::wstring partialSelectionLine() {
  return i18n::translateWithArgs("extract.partial_selection", {i18n::Arg("selected", L"3"), i18n::Arg("total", L"10")});
}
std::wstring keyText(const char* key) { return i18n::translate(key); }

struct LabelCase {
  const char* name;
  PagePainterFunction painter;
  void (*setup)(PageState&);
  const char* labelKey;
  bool hasIcon;
  // What stands left of the button (its text ends before the button) and right of it (its text or
  // region starts after the button); empty or 0 when nothing does.
  std::wstring (*leftNeighbour)();
  std::wstring (*rightNeighbour)();
  uint16_t rightRegion;
};

const LabelCase kCases[] = {
    {"compress add files", paintCompressPage, compressWithSources, "compress.add_files", true, nullptr,
     [] { return keyText("compress.add_folder"); }, 0},
    {"compress add folder", paintCompressPage, compressWithSources, "compress.add_folder", true,
     [] { return keyText("compress.add_files"); }, nullptr, 26},
    {"compress choose", paintCompressPage, compressWithSources, "compress.choose", false,
     [] { return keyText("compress.no_destination"); }, nullptr, 0},
    {"compress start", paintCompressPage, compressWithSources, "compress.start", true, nullptr,
     [] { return keyText("compress.need_destination"); }, 0},
    {"extract choose", paintExtractPage, extractUnlisted, "extract.choose", false, nullptr, nullptr, 0},
    {"extract browse", paintExtractPage, extractWithSelection, "extract.browse", false,
     [] { return keyText("extract.extract_all_instead"); }, nullptr, 0},
    {"extract all instead", paintExtractPage, extractWithSelection, "extract.extract_all_instead", false,
     partialSelectionLine, [] { return keyText("extract.browse"); }, 0},
    {"extract start", paintExtractPage, extractUnlisted, "extract.start", true, nullptr,
     [] { return keyText("extract.need_destination"); }, 0},
};

class PageButtonLabels : public testing::PagePaintTest {
 protected:
  PageButtonLabels() : PagePaintTest(paintCompressPage) {}

  void paintWith(const LabelCase& c) {
    canvas.clearCalls();
    regions.clear();
    PageState fresh;
    c.setup(fresh);
    c.painter(canvas, icons, fresh, kPageArea, regions);
  }
  // The button around its label: the label starts 14 in (38 after an icon) and ends 12 before the
  // right edge.
  std::optional<Rect> buttonOf(const LabelCase& c) const {
    const std::optional<DrawCall> label = text(i18n::translate(c.labelKey));
    if (!label) return std::nullopt;
    return Rect{label->rect.left - (c.hasIcon ? 38 : 14), label->rect.top, label->rect.right + 12, label->rect.bottom};
  }
};

TEST_F(PageButtonLabels, LongLabelsWidenTheirButtonsWithoutOverlap) {
  for (const LabelCase& c : kCases) {
    SCOPED_TRACE(c.name);
    paintWith(c);
    const std::optional<Rect> english = buttonOf(c);
    ASSERT_TRUE(english);

    i18n::testing::StateGuard longer{i18n::testing::catalogFromJson(L"de-DE", kLongLabels), i18n::loadCatalog(L"en-US"),
                                     &i18n::englishLanguage()};
    paintWith(c);
    const std::wstring label = i18n::translate(c.labelKey);
    const std::optional<DrawCall> drawn = text(label);
    ASSERT_TRUE(drawn);
    const float oneLine = canvas.measureText(label, TextStyle::BodyStrong, 100000).width;
    EXPECT_GE(drawn->rect.width(), oneLine) << "the label wraps inside its button";
    const Rect button = *buttonOf(c);
    EXPECT_GT(button.width(), english->width());
    EXPECT_GE(button.left, kColumnLeft);
    EXPECT_LE(button.right, kColumnRight);
    if (c.leftNeighbour) {
      const std::optional<DrawCall> left = text(c.leftNeighbour());
      ASSERT_TRUE(left);
      EXPECT_LE(left->rect.right, button.left - 8) << "runs into the neighbour on the left";
    }
    if (c.rightNeighbour) {
      const std::optional<DrawCall> right = text(c.rightNeighbour());
      ASSERT_TRUE(right);
      EXPECT_GE(right->rect.left, button.right + 8) << "runs into the neighbour on the right";
    }
    if (c.rightRegion) {
      ASSERT_NE(region(c.rightRegion), nullptr);
      EXPECT_GE(region(c.rightRegion)->rect().left, button.right);
    }
  }
}

}  // namespace
}  // namespace tolzeb::ui
