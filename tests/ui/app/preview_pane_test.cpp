#include "ui/app/preview_pane.h"

#include "app_window_fixture.h"
#include "ui/app/preview_facts.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"

namespace tolzeb::ui::testing {
namespace {

class PreviewPaneTest : public AppWindowTest {
 protected:
  const DrawCall* drawnText(const std::wstring& wanted) const {
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == DrawCall::Kind::Text && call.text == wanted) return &call;
    }
    return nullptr;
  }
  std::vector<DrawCall> pictures() const {
    std::vector<DrawCall> found;
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == DrawCall::Kind::Pixels) found.push_back(call);
    }
    return found;
  }
};

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

// A ready sound in the pane, the player available.
void showSound(PageState& s) {
  s.page = Page::Viewer;
  s.viewerSelectedRow = 0;
  PreviewResult& r = s.previewResult;
  r.state = PreviewState::ready;
  r.kind = PreviewKind::media;
  r.entryName = L"music/a.wav";
  r.hasAudio = true;
  r.audioCodec = L"PCM";
  r.durationKnown = true;
  r.durationSeconds = 125;
  s.audioAvailable = true;
}

TEST_F(PreviewPaneTest, ASoundShowsItsFactsLineByLine) {
  PageState& s = window.state();
  showSound(s);
  PreviewResult& r = s.previewResult;
  r.sampleRate = 8000;
  r.channels = 1;
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

const DrawCall* textCall(const RecordingCanvas& canvas, const std::wstring& text) {
  for (const DrawCall& call : canvas.calls())
    if (call.kind == DrawCall::Kind::Text && call.text == text) return &call;
  return nullptr;
}

TEST_F(PreviewPaneTest, ThePlayerFollowsTheStateOfItsSound) {
  const std::wstring unplayable = L"This audio could not be played.";
  struct Case {
    const char* what;
    uint8_t state;
    std::wstring entry;
    double position, duration;
    std::wstring message;
    const char* label;
    bool clickable;
    std::wstring positionText;  // empty: no position bar
  } cases[] = {
      {"nothing loaded", AudioPlayer::kNone, L"", 0, 0, L"", "preview.play", true, L""},
      {"loading", AudioPlayer::kLoading, L"music/a.wav", 0, 0, L"", "preview.loading", false, L""},
      {"playing", AudioPlayer::kPlaying, L"music/a.wav", 65, 125, L"", "preview.pause", true, L"1:05 / 2:05"},
      {"paused", AudioPlayer::kPaused, L"music/a.wav", 65, 125, L"", "preview.play", true, L"1:05 / 2:05"},
      {"ended", AudioPlayer::kEnded, L"music/a.wav", 125, 125, L"", "preview.play_again", true, L"2:05 / 2:05"},
      {"length unknown yet", AudioPlayer::kPlaying, L"music/a.wav", 3, 0, L"", "preview.pause", true, L""},
      {"failed", AudioPlayer::kError, L"music/a.wav", 0, 0, unplayable, "preview.play", true, L""},
      {"another entry's sound", AudioPlayer::kPlaying, L"b.wav", 65, 125, L"", "preview.play", true, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PageState& s = window.state();
    showSound(s);
    s.audioState = AudioPlayer::State{c.state, c.entry, c.position, c.duration, c.message};
    paint();
    const DrawCall* label = textCall(canvas, i18n::translate(c.label));
    ASSERT_NE(label, nullptr);
    const DrawCall* firstFact = textCall(canvas, audioFactsLine(s.previewResult));
    ASSERT_NE(firstFact, nullptr);
    const HitRegion* button = region(command_ids::kPlayAudio);
    EXPECT_EQ(button != nullptr, c.clickable);
    if (button) {
      EXPECT_FLOAT_EQ(button->top, firstFact->rect.top + 3 * 20 + 14) << "below the three fact lines";
    }
    EXPECT_EQ(region(command_ids::kAudioSeek) != nullptr, !c.positionText.empty());
    if (!c.positionText.empty()) {
      EXPECT_NE(textCall(canvas, c.positionText), nullptr);
    }
    const DrawCall* message = textCall(canvas, unplayable);
    EXPECT_EQ(message != nullptr, !c.message.empty());
    if (message) {
      EXPECT_EQ(message->color, palette::brandRed);
    }
  }
}

TEST_F(PreviewPaneTest, ThePositionBarFollowsADragAndThePlayerNeedsAnEngine) {
  PageState& s = window.state();
  showSound(s);
  s.audioState = AudioPlayer::State{AudioPlayer::kPlaying, L"music/a.wav", 65, 125, L""};
  s.draggingSeek = true;
  s.seekTarget = 30;
  paint();
  EXPECT_NE(textCall(canvas, L"0:30 / 2:05"), nullptr);

  s.audioAvailable = false;
  paint();
  EXPECT_EQ(region(command_ids::kPlayAudio), nullptr);
  EXPECT_EQ(textCall(canvas, i18n::translate("preview.pause")), nullptr);
}

TEST_F(PreviewPaneTest, AVideoFrameHasThreeFactLinesUnderIt) {
  PageState& s = window.state();
  s.page = Page::Viewer;
  s.viewerSelectedRow = 0;
  PreviewResult& r = s.previewResult;
  r.state = PreviewState::ready;
  r.kind = PreviewKind::media;
  r.entryName = L"clips/a.avi";
  r.generation = 7;  // the key the renderer keeps the picture under
  r.hasVideo = true;
  r.videoWidth = 64;
  r.videoHeight = 48;
  r.frameRate = 10;
  r.videoCodec = L"Motion JPEG";
  r.durationKnown = true;
  r.durationSeconds = 1;
  r.image.width = r.image.sourceWidth = 64;
  r.image.height = r.image.sourceHeight = 48;
  r.image.stride = 64 * 4;
  r.image.pixels.assign(size_t(64) * 4 * 48, 0x80);
  paint();
  const std::vector<DrawCall> frames = pictures();
  ASSERT_EQ(frames.size(), 1u);
  const DrawCall* video = drawnText(videoFactsLine(r));
  const DrawCall* length = drawnText(lengthLine(r));
  ASSERT_NE(video, nullptr);
  ASSERT_NE(length, nullptr);
  EXPECT_EQ(video->text, L"Motion JPEG  \u00B7  64 x 48  \u00B7  10 fps");
  // The silent video's empty audio line keeps its place between the two.
  EXPECT_EQ(length->rect.top, video->rect.top + 40);
  EXPECT_GE(video->rect.top, frames[0].rect.bottom);
  EXPECT_EQ(drawnText(i18n::translate("preview.no_video_frame")), nullptr);

  // A PDF page has its one line, and no media lines.
  r = PreviewResult{};
  r.state = PreviewState::ready;
  r.kind = PreviewKind::pdf;
  r.entryName = L"docs/a.pdf";
  r.generation = 8;
  r.pageCount = 3;
  r.pageWidth = 595;
  r.pageHeight = 842;
  r.image.width = r.image.height = 8;
  r.image.stride = 32;
  r.image.pixels.assign(256, 0xFF);
  paint();
  EXPECT_EQ(pictures().size(), 1u);
  EXPECT_NE(drawnText(pdfFactsLine(r)), nullptr);
  EXPECT_EQ(drawnText(lengthLine(r)), nullptr);
  EXPECT_EQ(region(command_ids::kPlayAudio), nullptr) << "a video or a page has no player";
}

}  // namespace
}  // namespace tolzeb::ui::testing
