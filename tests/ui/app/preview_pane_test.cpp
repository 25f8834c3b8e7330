#include "ui/app/preview_pane.h"

#include "app_window_fixture.h"
#include "ui/app/preview_facts.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui::testing {
namespace {

using PreviewPaneTest = AppWindowTest;

TEST(PreviewPaneText, KeepsAtMost400LinesOfAText) {
  std::wstring text;
  for (int i = 0; i < 1000; ++i) text += L"line\n";
  VisibleText shown = visibleTextLines(text);
  EXPECT_TRUE(shown.cut);
  EXPECT_EQ(shown.lines, 400u);
  EXPECT_EQ(shown.text.size(), 400u * 5);

  VisibleText one = visibleTextLines(std::wstring(30000, L'x'));  // one long line stays whole
  EXPECT_FALSE(one.cut);
  EXPECT_EQ(one.text.size(), 30000u);

  VisibleText wide = visibleTextLines(std::wstring(23999, L'x') + L"\nnext");
  EXPECT_TRUE(wide.cut);
  EXPECT_EQ(wide.lines, 1u);

  EXPECT_EQ(entryDisplayName(L"a/b/c.txt"), L"c.txt");
  EXPECT_EQ(entryDisplayName(L"c.txt"), L"c.txt");
}

TEST_F(PreviewPaneTest, NothingPickedHasNoActionBand) {
  window.state().page = Page::Viewer;
  paint();
  EXPECT_NE(region(command_ids::kTogglePreviewPane), nullptr);
  EXPECT_NE(region(command_ids::kPreviewSplitter), nullptr);
  EXPECT_EQ(region(68), nullptr);
  EXPECT_EQ(region(70), nullptr);
}

TEST_F(PreviewPaneTest, AFailedPreviewOffersExtractAndTryAgain) {
  PageState& s = window.state();
  s.page = Page::Viewer;
  s.viewerSelectedRow = 0;
  s.previewResult.state = PreviewState::failed;
  s.previewResult.kind = PreviewKind::other;
  s.previewResult.entryName = L"dir/a.bin";
  paint();
  ASSERT_NE(region(68), nullptr);
  ASSERT_NE(region(70), nullptr);
  EXPECT_LT(region(68)->rect().right, region(70)->rect().left);

  s.previewResult.kind = PreviewKind::pdf;  // the export button stacks above "try again"
  paint();
  ASSERT_NE(region(69), nullptr);
  EXPECT_LT(region(69)->rect().bottom, region(70)->rect().top);
}

TEST_F(PreviewPaneTest, ASoundShowsItsFactsLineByLine) {
  PageState& s = window.state();
  s.page = Page::Viewer;
  s.viewerSelectedRow = 0;
  PreviewResult& r = s.previewResult;
  r.state = PreviewState::ready;
  r.kind = PreviewKind::media;
  r.entryName = L"music/a.wav";
  r.hasAudio = true;
  r.audioCodec = L"PCM";
  r.sampleRate = 8000;
  r.channels = 1;
  r.durationKnown = true;
  r.durationSeconds = 2;
  paint();
  std::vector<const DrawCall*> facts;
  for (const DrawCall& call : canvas.calls()) {
    if (call.kind == DrawCall::Kind::Text &&
        (call.text == audioFactsLine(r) || call.text == lengthLine(r) ||
         call.text == i18n::translate("preview.audio_has_no_picture"))) {
      facts.push_back(&call);
    }
  }
  ASSERT_EQ(facts.size(), 3u);
  EXPECT_EQ(facts[0]->text, L"PCM  \u00B7  8 kHz  \u00B7  Mono");
  EXPECT_EQ(facts[1]->rect.top, facts[0]->rect.top + 20);
  EXPECT_EQ(facts[2]->rect.top, facts[1]->rect.top + 20);
  EXPECT_NE(region(69), nullptr);  // media entries are exported, not extracted
}

}  // namespace
}  // namespace tolzeb::ui::testing
