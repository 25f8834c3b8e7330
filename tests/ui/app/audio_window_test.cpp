// The main window's side of the audio player: when the play command loads or toggles, when the
// sound is stopped, seeking on release of the position bar, and the copies of the player's record.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "app_window_fixture.h"
#include "ui/preview/fake_audio_platform.h"

namespace tolzeb::ui::testing {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kSound[] = L"music/a.wav";

// The preview worker's platform: every entry reads as a short WAV, which the media reader
// describes as a sound, except names ending in ".txt", which read as text.
PreviewServices soundPreviews() {
  PreviewServices services;
  services.readEntry = [](const PreviewRequest& request, uint64_t) {
    const std::string text = request.entryName.ends_with(L".txt") ? "plain words\n" : "RIFF\x24\0\0\0WAVEfmt ";
    EntryBytes entry;
    entry.bytes.assign(text.begin(), text.end());
    entry.fullSize = text.size();
    return Result<EntryBytes>(std::move(entry));
  };
  services.media.available = [] { return true; };
  services.media.read = [](const std::vector<uint8_t>&, uint32_t, MediaInfo& info, PreviewImage&, std::wstring&,
                           const CancelCheck&) {
    info.hasAudio = true;
    info.audioCodec = L"PCM";
    info.sampleRate = 8000;
    info.channels = 1;
    return true;
  };
  return services;
}

// The platform must exist before the window that uses it, so it sits in a base of its own.
struct AudioPlatformHolder {
  Platform platform;
};

class AudioPlayerInWindowTest : public AudioPlatformHolder, public AppWindowTest {
 protected:
  AudioPlayerInWindowTest() : AppWindowTest(TaskRunnerServices{}, platform.services(), soundPreviews()) {}

  void SetUp() override {
    platform.put(kSound, "RIFF....WAVEfmt ");
    platform.put(L"b.wav", "RIFF....WAVEdata");
    PageState& s = window.state();
    s.page = Page::Viewer;
    s.viewerArchive = L"/nowhere/a.zip";
    s.viewerKind = uint8_t(ArchiveKind::zip);
    s.viewerListed = true;
    for (const wchar_t* name : {kSound, L"b.wav", L"notes.txt"}) {
      ListedEntry entry;
      entry.path = name;
      entry.size = 16;
      s.viewerEntries.push_back(entry);
    }
    s.viewerRows = {0, 1, 2};
    showSound(kSound);
  }

  // The pane shows a ready sound, as PreviewReady would have left it.
  void showSound(const std::wstring& name) {
    PageState& s = window.state();
    s.viewerSelectedRow = 0;
    s.previewResult = PreviewResult();
    s.previewResult.state = PreviewState::ready;
    s.previewResult.kind = PreviewKind::media;
    s.previewResult.entryName = name;
    s.previewResult.entrySize = 16;
    s.previewResult.hasAudio = true;
    s.audioAvailable = true;
  }

  bool waitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!done()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
  // The player has stored the opened engine and published its length (10 s in the fake); an event
  // fired before that shows without the length until it has.
  bool playerHoldsEngine() {
    return waitUntil([&] { return window.audioPlayer().snapshot().duration == 10; });
  }
  // What AudioState does once the player has moved to `wanted`.
  void waitForState(uint8_t wanted) {
    ASSERT_TRUE(waitUntil([&] { return window.audioPlayer().snapshot().state == wanted; })) << int(wanted);
    window.onAudioState();
  }
  bool hasLogged(const std::string& call) {
    for (const std::string& logged : platform.decoder.logged())
      if (logged == call) return true;
    return false;
  }
  bool decoderLogged(const std::string& call) {
    return waitUntil([&] { return hasLogged(call); });
  }
  // Plays the previewed sound: play loads it, the engine's first event says it plays.
  void startPlaying() {
    window.onCommand(command_ids::kPlayAudio, -1);
    ASSERT_TRUE(waitUntil([&] { return platform.openedNames().size() == 1; }));
    ASSERT_TRUE(playerHoldsEngine());
    platform.decoder.fire(kMediaEventPlaying);
    waitForState(AudioPlayer::kPlaying);
  }
};

TEST_F(AudioPlayerInWindowTest, PlayLoadsTheSoundThenPausesAndResumesIt) {
  window.onCommand(command_ids::kPlayAudio, -1);
  EXPECT_EQ(window.state().audioState.state, AudioPlayer::kLoading);  // copied at once
  EXPECT_EQ(window.state().audioState.entryName, kSound);
  ASSERT_TRUE(waitUntil([&] { return platform.openedNames().size() == 1; }));
  EXPECT_EQ(platform.openedNames()[0], L"a.wav");
  ASSERT_TRUE(playerHoldsEngine());
  platform.decoder.fire(kMediaEventPlaying);
  waitForState(AudioPlayer::kPlaying);
  EXPECT_EQ(window.state().audioState.duration, 10);

  window.onCommand(command_ids::kPlayAudio, -1);  // the same sound: a toggle, not a new load
  EXPECT_TRUE(decoderLogged("pause"));
  waitForState(AudioPlayer::kPaused);
  window.onCommand(command_ids::kPlayAudio, -1);
  EXPECT_TRUE(decoderLogged("play"));
  waitForState(AudioPlayer::kPlaying);
  EXPECT_EQ(platform.openedNames().size(), 1u);
}

TEST_F(AudioPlayerInWindowTest, PlayDoesNothingUnlessASoundOfAListedArchiveIsShown) {
  struct Case {
    const char* what;
    std::function<void(PageState&)> change;
  } cases[] = {
      {"a video", [](PageState& s) { s.previewResult.hasVideo = true; }},
      {"no sound", [](PageState& s) { s.previewResult.hasAudio = false; }},
      {"not media", [](PageState& s) { s.previewResult.kind = PreviewKind::text; }},
      {"archive not listed", [](PageState& s) { s.viewerListed = false; }},
      {"no archive", [](PageState& s) { s.viewerArchive.clear(); }},
  };
  for (const Case& c : cases) {
    PageState& s = window.state();
    s.viewerListed = true;
    s.viewerArchive = L"/nowhere/a.zip";
    showSound(kSound);
    c.change(s);
    window.onCommand(command_ids::kPlayAudio, -1);
    // A load would have published "loading" before returning.
    EXPECT_EQ(window.audioPlayer().snapshot().state, AudioPlayer::kNone) << c.what;
    EXPECT_EQ(s.audioState.state, AudioPlayer::kNone) << c.what;
  }
  showSound(kSound);
  window.state().viewerListed = true;
  window.state().viewerArchive = L"/nowhere/a.zip";
  platform.available = false;
  window.onCommand(command_ids::kPlayAudio, -1);
  EXPECT_EQ(window.audioPlayer().snapshot().state, AudioPlayer::kNone) << "no media engine";
}

TEST_F(AudioPlayerInWindowTest, TheSoundStopsWhenThePaneNoLongerShowsIt) {
  struct Case {
    const char* what;
    std::function<void(AppWindow&)> act;
  } cases[] = {
      {"another row picked", [](AppWindow& w) { w.onCommand(56, 1); }},
      {"pane hidden", [](AppWindow& w) { w.onCommand(command_ids::kTogglePreviewPane, -1); }},
      {"viewer left", [](AppWindow& w) { w.showPage(Page::Home); }},
      {"another archive opened", [](AppWindow& w) { w.openArchive(L"/nowhere/other.zip"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PageState& s = window.state();
    s.page = Page::Viewer;
    s.previewPaneShown = true;
    s.viewerListed = true;
    s.viewerArchive = L"/nowhere/a.zip";
    showSound(kSound);
    {
      std::lock_guard lock(platform.decoder.mutex);
      platform.decoder.calls.clear();
    }
    {
      std::lock_guard lock(platform.mutex);
      platform.opened.clear();
    }
    startPlaying();
    s.draggingSeek = true;
    c.act(window);
    EXPECT_EQ(window.state().audioState.state, AudioPlayer::kNone);
    EXPECT_TRUE(window.state().audioState.entryName.empty());
    EXPECT_FALSE(window.state().draggingSeek);
    EXPECT_TRUE(decoderLogged("shutdown"));
    EXPECT_EQ(window.audioPlayer().snapshot().state, AudioPlayer::kNone);
  }
}

TEST_F(AudioPlayerInWindowTest, ReleasingThePositionBarSeeksThere) {
  startPlaying();
  paint();
  const HitRegion* bar = region(command_ids::kAudioSeek);
  ASSERT_NE(bar, nullptr);
  const float y = (bar->top + bar->bottom) / 2;
  window.onMouseDown(bar->left + (bar->right - bar->left) / 2, y);
  EXPECT_TRUE(window.state().draggingSeek);
  EXPECT_NEAR(window.state().seekTarget, 5, 0.5);
  window.onMouseMove(bar->right + 50, y);  // past the end: the whole length
  EXPECT_DOUBLE_EQ(window.state().seekTarget, 10);
  EXPECT_FALSE(hasLogged("seek 10")) << "no seek before the release";
  window.onMouseUp(bar->right + 50, y);
  EXPECT_FALSE(window.state().draggingSeek);
  EXPECT_TRUE(decoderLogged("seek 10"));
}

TEST_F(AudioPlayerInWindowTest, TheTimerFetchesThePositionWhileASoundIsLoaded) {
  startPlaying();
  {
    std::lock_guard lock(platform.decoder.mutex);
    platform.decoder.time = 4;
  }
  platform.decoder.fire(kMediaEventTimeUpdate);  // the window is not told: there is no window
  ASSERT_TRUE(waitUntil([&] { return window.audioPlayer().snapshot().position == 4; }));
  EXPECT_NE(window.state().audioState.position, 4);
  window.onTimer();
  EXPECT_EQ(window.state().audioState.position, 4);
}

TEST_F(AudioPlayerInWindowTest, TheEngineIsAskedOnceAtTheFirstSoundShown) {
  const std::atomic<int>& asked = platform.availabilityAsks;
  auto preview = [&](int32_t row) {
    window.previewEntry(row);
    ASSERT_TRUE(waitUntil([&] { return !window.previewController().busy(); }));
    window.onPreviewReady(0);
  };
  preview(2);  // text: nothing asked
  EXPECT_EQ(window.state().previewResult.kind, PreviewKind::text);
  EXPECT_FALSE(window.state().audioProbed);
  EXPECT_EQ(asked.load(), 0);
  window.state().audioAvailable = false;  // as the window starts
  preview(0);
  EXPECT_TRUE(window.state().previewResult.hasAudio);
  EXPECT_TRUE(window.state().audioProbed);
  EXPECT_TRUE(window.state().audioAvailable);
  EXPECT_EQ(asked.load(), 1);
  preview(1);
  EXPECT_EQ(asked.load(), 1);
}

TEST_F(AudioPlayerInWindowTest, ClosingTheWindowReleasesTheSound) {
  startPlaying();
  window.stopWorkers();
  const auto calls = platform.decoder.logged();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), "shutdown");
  window.stopWorkers();  // again, as WM_DESTROY does: nothing more happens
  EXPECT_EQ(platform.decoder.logged().size(), calls.size());
}

}  // namespace
}  // namespace tolzeb::ui::testing
