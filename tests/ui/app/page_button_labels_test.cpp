// Pages under labels longer than the English ones: each button grows to hold its label on one line
// and keeps clear of what stands beside it; a subtitle that wraps moves the page down instead of
// running into it; choice segments widen together until their labels fit.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "page_paint_fixture.h"
#include "ui/app/page_painters.h"
#include "ui/app/settings_page.h"
#include "ui/app/task_types.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

using testing::kColumnLeft;
using testing::kColumnRight;
using testing::kPageArea;
using testing::PagePainterFunction;

// Far longer than the English texts, as some translations are.
constexpr std::string_view kLongLabels = R"json({
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
  },
  "tools": {
    "choose": "Ein anderes Archiv auswaehlen",
    "verify": "Pruefsummen jetzt vollstaendig pruefen",
    "test": "Alles testweise entpacken",
    "browse": "Den ganzen Inhalt durchsuchen",
    "split": "In mehrere Teile aufteilen",
    "merge": "Teile wieder zusammenfuegen",
    "scan": "Nach beschaedigten Stellen suchen",
    "repair": "Jetzt vollstaendig reparieren",
    "duplicates_find": "Doppelte Dateien jetzt finden",
    "compare_button": "Mit einem Ordner vergleichen"
  },
  "action": { "hold": "Alle laufenden Aufgaben anhalten" },
  "tasks": {
    "clear_finished": "Abgeschlossene Aufgaben entfernen",
    "subtitle": "Alles, was gerade komprimiert, entpackt oder geprueft wird, und alles, was darauf wartet, in der Reihenfolge, in der es an die Reihe kommt, mit seinem Fortschritt und seiner Restzeit."
  },
  "settings": { "threads_auto": "Automatisch ({count})"
}
})json";

void compressWithSources(PageState& state) {
  state.compressSources = {L"/data/report.docx"};
}
void extractWithSelection(PageState& state) {
  state.extractArchive = L"/in/photos.zeb";
  state.extractDestination = L"/in/photos";
  state.extractListed = true;
  state.extractEntryCount = 10;
  state.extractSelection = {L"a.txt", L"b.txt", L"c.txt"};
}
void toolsListed(PageState& state) {
  state.toolsArchive = L"/in/photos.zeb";
  state.toolsListed = true;
  state.toolsKind = 1;
}
void toolsEmpty(PageState&) {}
void tasksWithWork(PageState& state) {
  TaskEntry running;
  running.state = TaskState::Running;
  TaskEntry done;
  done.state = TaskState::Done;
  state.taskEntries = {running, done};
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
    {"tools choose", paintToolsPage, toolsEmpty, "tools.choose", false, [] { return keyText("tools.no_archive"); },
     nullptr, 0},
    {"tools verify", paintToolsPage, toolsListed, "tools.verify", false, nullptr, [] { return keyText("tools.test"); },
     0},
    {"tools test", paintToolsPage, toolsListed, "tools.test", false, [] { return keyText("tools.verify"); },
     [] { return keyText("tools.browse"); }, 0},
    {"tools browse", paintToolsPage, toolsListed, "tools.browse", true, [] { return keyText("tools.test"); }, nullptr,
     0},
    {"tools split", paintToolsPage, toolsListed, "tools.split", false, nullptr, [] { return keyText("tools.merge"); },
     0},
    {"tools merge", paintToolsPage, toolsListed, "tools.merge", true, [] { return keyText("tools.split"); },
     [] { return keyText("tools.merge_note"); }, 0},
    {"tools scan", paintToolsPage, toolsListed, "tools.scan", false, nullptr, [] { return keyText("tools.repair"); },
     0},
    {"tools repair", paintToolsPage, toolsListed, "tools.repair", false, [] { return keyText("tools.scan"); }, nullptr,
     0},
    {"tools duplicates", paintToolsPage, toolsListed, "tools.duplicates_find", false, nullptr, nullptr, 0},
    {"tools compare", paintToolsPage, toolsListed, "tools.compare_button", true, nullptr, nullptr, 0},
    {"tasks hold", paintTasksPage, tasksWithWork, "action.hold", false, nullptr,
     [] { return keyText("tasks.clear_finished"); }, 0},
    {"tasks clear", paintTasksPage, tasksWithWork, "tasks.clear_finished", false, [] { return keyText("action.hold"); },
     nullptr, 0},
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

TEST_F(PageButtonLabels, AWrappedSubtitleMovesThePageDown) {
  const LabelCase tasks{"tasks", paintTasksPage, tasksWithWork, "action.hold", false, nullptr, nullptr, 0};
  paintWith(tasks);
  const float englishGap = buttonOf(tasks)->top - text(keyText("tasks.subtitle"))->rect.bottom;

  i18n::testing::StateGuard longer{i18n::testing::catalogFromJson(L"de-DE", kLongLabels), i18n::loadCatalog(L"en-US"),
                                   &i18n::englishLanguage()};
  paintWith(tasks);
  const std::wstring subtitle = keyText("tasks.subtitle");
  const float wrapped = canvas.measureText(subtitle, TextStyle::Subtitle, kColumnRight - kColumnLeft).height;
  const Rect drawn = text(subtitle)->rect;
  EXPECT_GE(drawn.height(), wrapped) << "the subtitle is clipped";
  EXPECT_GE(buttonOf(tasks)->top - drawn.bottom, englishGap) << "the buttons run into the subtitle";
}

// The settings page's choice rows: equal segments, as wide as the longest label needs.
TEST_F(PageButtonLabels, ChoiceSegmentsWidenUntilTheirLabelsFit) {
  i18n::testing::StateGuard longer{i18n::testing::catalogFromJson(L"de-DE", kLongLabels), i18n::loadCatalog(L"en-US"),
                                   &i18n::englishLanguage()};
  const std::vector<std::wstring> labels = {L"Automatisch (16)", L"1", L"2", L"4", L"8", L"16"};
  const float x = kColumnLeft + 22;
  drawChoiceRow(canvas, Interaction{}, regions, L"Threads", labels, 200, 0, L"", x, 300, kColumnRight - 22);
  ASSERT_EQ(regions.size(), labels.size());
  const float segment = regions[1].rect().width();
  for (const std::wstring& label : labels) {
    const std::optional<DrawCall> drawn = text(label);
    ASSERT_TRUE(drawn);
    EXPECT_GE(drawn->rect.width(), canvas.measureText(label, TextStyle::BodyStrong, 100000).width) << "wraps";
  }
  EXPECT_GT(segment * float(labels.size()), 520) << "the row keeps its English width";
  EXPECT_LE(regions.back().rect().right, kColumnRight - 22);
}

}  // namespace
}  // namespace tolzeb::ui
