#include "ui/preview/audio_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "english_catalogue.h"
#include "fake_audio_platform.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

using namespace std::chrono_literals;

constexpr uintptr_t kWindow = 0x1234;

using testing::Platform;

class AudioPlayerTest : public EnglishCatalogueTest {
 protected:
  void SetUp() override {
    EnglishCatalogueTest::SetUp();
    platform.put(L"music/a.wav", "RIFF....WAVEfmt ");
    platform.put(L"b.wav", "RIFF....WAVEdata");
  }

  void load(AudioPlayer& player, const std::wstring& name, uint64_t size = 16) {
    player.load(L"x.zip", ArchiveKind::zip, name, size, nullptr, kWindow);
  }

  // Polls the published state until it matches, up to a deadline far beyond a loaded machine's delays.
  AudioPlayer::State waitFor(AudioPlayer& player, const std::function<bool(const AudioPlayer::State&)>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    AudioPlayer::State state = player.snapshot();
    while (!done(state) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(1ms);
      state = player.snapshot();
    }
    return state;
  }
  // The player holds the engine once it has published the opened source; the engine's events
  // reach the published state only from then on.
  void waitForEngine(AudioPlayer& player) {
    waitFor(player, [this](const AudioPlayer::State&) {
      return platform.openedNames().size() == 1 && platform.notifications() > 0;
    });
  }
  AudioPlayer::State waitForState(AudioPlayer& player, uint8_t wanted) {
    return waitFor(player, [wanted](const AudioPlayer::State& s) { return s.state == wanted; });
  }
  // Loads a.wav and waits until its engine exists.
  void loadPlaying(AudioPlayer& player) {
    load(player, L"music/a.wav");
    waitForEngine(player);
    player.togglePlay();
    ASSERT_EQ(waitForState(player, AudioPlayer::kPlaying).state, AudioPlayer::kPlaying);
  }

  Platform platform;
};

TEST_F(AudioPlayerTest, LoadWithoutEngineChangesNothing) {
  platform.available = false;
  AudioPlayer player(platform.services());
  load(player, L"music/a.wav");
  player.stop();
  player.shutdown();
  EXPECT_EQ(player.snapshot().state, AudioPlayer::kNone);
  EXPECT_TRUE(platform.reads.empty());
  EXPECT_EQ(platform.notified, 0);
}

TEST_F(AudioPlayerTest, LoadsPlaysPausesAndPublishesTimes) {
  AudioPlayer player(platform.services());
  load(player, L"music/a.wav");
  EXPECT_EQ(player.snapshot().state, AudioPlayer::kLoading);  // at once, before the thread reads
  EXPECT_EQ(player.snapshot().entryName, L"music/a.wav");

  waitForEngine(player);
  EXPECT_EQ(platform.openedNames(), std::vector<std::wstring>{L"a.wav"});  // the source is named by its last part
  platform.decoder.fire(kMediaEventLoadedMetadata);
  AudioPlayer::State state = player.snapshot();
  EXPECT_EQ(state.state, AudioPlayer::kLoading);
  EXPECT_EQ(state.duration, 10);

  player.togglePlay();
  EXPECT_EQ(waitForState(player, AudioPlayer::kPlaying).state, AudioPlayer::kPlaying);
  {
    std::lock_guard lock(platform.decoder.mutex);
    platform.decoder.time = 4;
  }
  platform.decoder.fire(kMediaEventTimeUpdate);
  state = player.snapshot();
  EXPECT_EQ(state.state, AudioPlayer::kPlaying);
  EXPECT_EQ(state.position, 4);
  EXPECT_EQ(state.entryName, L"music/a.wav");

  player.togglePlay();
  state = waitForState(player, AudioPlayer::kPaused);
  EXPECT_EQ(state.state, AudioPlayer::kPaused);
  EXPECT_EQ(state.position, 4);  // a pause holds the position
  std::lock_guard lock(platform.mutex);
  EXPECT_GT(platform.notified, 0);
  EXPECT_EQ(platform.lastWindow, kWindow);
}

TEST_F(AudioPlayerTest, SeekIsClampedToTheSound) {
  struct Case {
    double asked;
    std::string seeked;
  };
  const Case cases[] = {{-5, "seek 0"}, {3, "seek 3"}, {50, "seek 10"}};
  AudioPlayer player(platform.services());
  loadPlaying(player);
  for (const Case& c : cases) {
    player.seek(c.asked);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (platform.decoder.logged().back() != c.seeked && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(platform.decoder.logged().back(), c.seeked) << c.asked;
  }
}

TEST_F(AudioPlayerTest, PlayOnAnEndedSoundStartsAgainFromTheStart) {
  AudioPlayer player(platform.services());
  loadPlaying(player);
  platform.decoder.fire(kMediaEventEnded);
  ASSERT_EQ(player.snapshot().state, AudioPlayer::kEnded);
  player.togglePlay();
  ASSERT_EQ(waitForState(player, AudioPlayer::kPlaying).state, AudioPlayer::kPlaying);
  const auto calls = platform.decoder.logged();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2], "seek 0");
  EXPECT_EQ(calls.back(), "play");
}

TEST_F(AudioPlayerTest, FailuresEndInTheErrorStateWithTheirMessage) {
  struct Case {
    const char* what;
    std::wstring entry;
    uint64_t size;
    bool platformStarts;
    std::string openFailure;
    std::wstring message;
    bool readsEntry;
  };
  platform.entries.insert_or_assign(L"locked.wav",
                                    Result<EntryBytes>(StatusCode::authentication_failed, L"wrong password"));
  const Case cases[] = {
      {"over the ceiling", L"music/a.wav", kAudioByteCeiling + 1, true, "",
       i18n::translate("previewerror.over_limit"), false},
      {"wrong password", L"locked.wav", 16, true, "", statusKeyText(StatusCode::authentication_failed), true},
      {"no decoder", L"b.wav", 16, true, "previewerror.audio_no_decoder",
       i18n::translate("previewerror.audio_no_decoder"), true},
      {"platform did not start", L"b.wav", 16, false, "", i18n::translate("filetype.media_platform_failed"), false},
  };
  for (const Case& c : cases) {
    platform.reads.clear();
    platform.platformStarts = c.platformStarts;
    platform.openFailure = c.openFailure;
    AudioPlayer player(platform.services());
    player.load(L"x.zip", ArchiveKind::zip, c.entry, c.size, nullptr, kWindow);
    const AudioPlayer::State state = waitForState(player, AudioPlayer::kError);
    EXPECT_EQ(state.state, AudioPlayer::kError) << c.what;
    EXPECT_EQ(state.entryName, c.entry) << c.what;
    EXPECT_EQ(state.message, c.message) << c.what;
    player.shutdown();
    EXPECT_EQ(!platform.reads.empty(), c.readsEntry) << c.what;
  }
}

TEST_F(AudioPlayerTest, EventsBeforeTheEngineIsHandedBackAreNotOverwritten) {
  struct Case {
    uint32_t event;
    uint8_t state;
    const char* messageKey;
  } cases[] = {
      {kMediaEventPlaying, AudioPlayer::kPlaying, nullptr},
      {kMediaEventError, AudioPlayer::kError, "previewerror.audio_unplayable"},
  };
  for (const Case& c : cases) {
    platform.eventDuringOpen = c.event;
    AudioPlayer player(platform.services());
    load(player, L"music/a.wav");
    // The length comes with the engine: once it shows, the open has published.
    const AudioPlayer::State state = waitFor(player, [](const AudioPlayer::State& s) { return s.duration == 10; });
    EXPECT_EQ(state.state, c.state) << c.event;
    EXPECT_EQ(state.message, c.messageKey ? i18n::translate(c.messageKey) : L"") << c.event;
  }
}

TEST_F(AudioPlayerTest, ErrorEventFromTheDecoderIsPublished) {
  AudioPlayer player(platform.services());
  loadPlaying(player);
  platform.decoder.fire(kMediaEventError);
  const AudioPlayer::State state = player.snapshot();
  EXPECT_EQ(state.state, AudioPlayer::kError);
  EXPECT_EQ(state.message, i18n::translate("previewerror.audio_unplayable"));
}

TEST_F(AudioPlayerTest, NonsenseTimesAreNotPublished) {
  AudioPlayer player(platform.services());
  loadPlaying(player);
  {
    std::lock_guard lock(platform.decoder.mutex);
    platform.decoder.time = 2e9;
    platform.decoder.length = 3e9;
  }
  platform.decoder.fire(kMediaEventTimeUpdate);
  const AudioPlayer::State state = player.snapshot();
  EXPECT_EQ(state.duration, 10);
  EXPECT_EQ(state.position, 0);
}

TEST_F(AudioPlayerTest, LoadWaitingBehindAnotherIsReadButSkipped) {
  platform.gatedName = L"music/a.wav";
  AudioPlayer player(platform.services());
  load(player, L"music/a.wav");
  {
    std::unique_lock lock(platform.mutex);
    ASSERT_TRUE(platform.changed.wait_for(lock, 60s, [this] { return platform.atGate; }));
  }
  EXPECT_EQ(player.snapshot().state, AudioPlayer::kLoading);  // releasing "nothing" must not clear it
  load(player, L"b.wav");
  {
    std::lock_guard lock(platform.mutex);
    platform.gatedName.clear();
  }
  platform.changed.notify_all();
  waitFor(player, [this](const AudioPlayer::State&) { return !platform.openedNames().empty(); });
  player.shutdown();
  EXPECT_EQ(platform.reads, (std::vector<std::wstring>{L"music/a.wav", L"b.wav"}));
  EXPECT_EQ(platform.openedNames(), std::vector<std::wstring>{L"b.wav"});
}

TEST_F(AudioPlayerTest, StopReleasesTheSoundAndLaterEventsAreIgnored) {
  AudioPlayer player(platform.services());
  loadPlaying(player);
  player.stop();
  EXPECT_EQ(player.snapshot().state, AudioPlayer::kNone);
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (platform.decoder.logged().back() != "shutdown" && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_EQ(platform.decoder.logged().back(), "shutdown");
  platform.decoder.fire(kMediaEventPlaying);  // a late callback from the released engine
  EXPECT_EQ(player.snapshot().state, AudioPlayer::kNone);
}

TEST_F(AudioPlayerTest, NewLoadStaysLoadingWhileTheOldSoundIsReleased) {
  AudioPlayer player(platform.services());
  loadPlaying(player);
  platform.gatedName = L"b.wav";
  load(player, L"b.wav");
  {
    std::unique_lock lock(platform.mutex);
    ASSERT_TRUE(platform.changed.wait_for(lock, 60s, [this] { return platform.atGate; }));
  }
  // The old engine is gone by now; the new entry's "loading" must survive that.
  const AudioPlayer::State state = player.snapshot();
  EXPECT_EQ(state.state, AudioPlayer::kLoading);
  EXPECT_EQ(state.entryName, L"b.wav");
  {
    std::lock_guard lock(platform.mutex);
    platform.gatedName.clear();
  }
  platform.changed.notify_all();
}

TEST_F(AudioPlayerTest, ShutdownReleasesTheEngineAndCanBeRepeated) {
  AudioPlayer player(platform.services());
  loadPlaying(player);
  player.shutdown();
  EXPECT_EQ(platform.decoder.logged().back(), "shutdown");
  player.shutdown();
  load(player, L"b.wav");  // the thread starts again
  waitFor(player, [this](const AudioPlayer::State&) { return platform.openedNames().size() == 2; });
  EXPECT_EQ(platform.openedNames().back(), L"b.wav");
}

}  // namespace
}  // namespace tolzeb::ui
