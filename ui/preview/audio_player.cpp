#include "ui/preview/audio_player.h"

#include <algorithm>
#include <utility>

#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

constexpr double kTimeLimit = 1e9;  // times outside 0..10^9 s are nonsense from the decoder

bool isSuperseding(const AudioPlayer::Command& command) {
  return command.kind == AudioPlayer::kLoad || command.kind == AudioPlayer::kStop ||
         command.kind == AudioPlayer::kQuit;
}

void wipe(std::vector<uint8_t>& bytes) {
  std::fill(bytes.begin(), bytes.end(), uint8_t{0});
  std::vector<uint8_t>().swap(bytes);
}

std::wstring lastPart(const std::wstring& entryName) {
  const size_t slash = entryName.rfind(L'/');
  return slash == std::wstring::npos ? entryName : entryName.substr(slash + 1);
}

}  // namespace

// Owned by the audio thread. The decoder's threads reach it only through onEvent, so the engine
// pointer, the entry name and the window sit behind their own small mutex, which is never held
// while another lock is taken or while the decoder is called.
class AudioPlayer::Engine {
 public:
  explicit Engine(AudioPlayer& player) : player(player) {}
  ~Engine() { release(); }

  bool loaded() const {
    std::lock_guard lock(engineMutex);
    return media != nullptr;
  }

  void open(const std::vector<uint8_t>& bytes, const std::wstring& name, uintptr_t targetWindow) {
    release();
    auto sink = std::make_shared<Notify>();
    sink->engine.store(this);
    {
      std::lock_guard lock(engineMutex);
      window = targetWindow;
      entryName = name;
      notify = sink;
    }
    MediaEngineOpen opened;
    if (player.services.openEngine) {
      opened = player.services.openEngine(bytes, lastPart(name), [sink](uint32_t event) {
        sink->heard.store(true);
        if (Engine* engine = sink->engine.load()) engine->onEvent(event);
      });
    } else {
      opened.messageKey = "previewerror.audio_platform_missing";
    }
    if (!opened.engine) {
      setState(kError, i18n::translate(opened.messageKey.empty() ? "previewerror.audio_no_decoder"
                                                                  : opened.messageKey.c_str()));
      return;
    }
    {
      std::lock_guard lock(engineMutex);
      media = std::move(opened.engine);
    }
    publishOpened(*sink);
  }

  void toggle() {
    const auto engine = current().media;
    if (!engine) return;
    uint8_t state;
    {
      std::lock_guard lock(player.stateMutex);
      state = player.published.state;
    }
    if (state == kPlaying) {
      engine->pause();
      return;
    }
    if (state == kEnded) engine->setCurrentTime(0);
    engine->play();
  }

  void seek(double seconds) {
    const auto engine = current().media;
    if (!engine) return;
    double target = seconds > 0 ? seconds : 0;
    const double length = engine->duration();
    if (length > 0 && length < kTimeLimit && length < target) target = length;
    engine->setCurrentTime(target);
  }

  // Later events are ignored; the published state is cleared only when a loaded engine really
  // went and it was the one published (a newer load may already be showing "loading").
  void release() {
    std::shared_ptr<MediaEngine> old;
    std::wstring name;
    {
      std::lock_guard lock(engineMutex);
      if (notify) notify->engine.store(nullptr);
      notify.reset();
      old = std::move(media);
      media.reset();
      name = std::move(entryName);
      entryName.clear();
    }
    if (!old) return;
    old->pause();
    old->shutdown();
    old.reset();
    std::lock_guard lock(player.stateMutex);
    if (name.empty() || name == player.published.entryName) player.published = State{};
  }

  void onEvent(uint32_t event) {
    switch (event) {
      case kMediaEventError:
        setState(kError, i18n::translate("previewerror.audio_unplayable"));
        break;
      case kMediaEventPlay:
      case kMediaEventPlaying:
        setState(kPlaying, L"");
        break;
      case kMediaEventPause:
        setState(kPaused, L"");
        break;
      case kMediaEventEnded:
        setState(kEnded, L"");
        break;
      case kMediaEventLoadedMetadata:
      case kMediaEventSeeked:
      case kMediaEventTimeUpdate:
      case kMediaEventDurationChange: {
        uint8_t state;
        {
          std::lock_guard lock(player.stateMutex);
          state = player.published.state;
        }
        setState(state, L"");
        break;
      }
      default:
        break;
    }
  }

  void setState(uint8_t state, const std::wstring& message) { publish(state, message, nullptr); }

 private:
  struct Notify {
    std::atomic<Engine*> engine{nullptr};
    std::atomic<bool> heard{false};  // an event arrived since the engine took the source
  };

  // The engine took the source: "loading" again, unless its first events (which may come before
  // the engine is stored here) already moved the state on; they must not be overwritten.
  void publishOpened(const Notify& sink) { publish(kLoading, L"", &sink); }

  void publish(uint8_t state, const std::wstring& message, const Notify* unlessHeard) {
    const Current now = current();
    double length = -1;
    double position = -1;
    if (now.media) {
      length = now.media->duration();
      position = now.media->currentTime();
    }
    {
      std::lock_guard lock(player.stateMutex);
      State& published = player.published;
      if (!unlessHeard || !unlessHeard->heard.load()) {
        published.state = state;
        published.message = message;
      }
      published.entryName = now.entryName;
      if (length > 0 && length < kTimeLimit) published.duration = length;
      if (position >= 0 && position < kTimeLimit) published.position = position;
      if (length < 0) published.position = published.duration = 0;
    }
    if (now.window != 0 && player.services.notify) player.services.notify(now.window);
  }

  struct Current {
    std::shared_ptr<MediaEngine> media;
    std::wstring entryName;
    uintptr_t window = 0;
  };

  Current current() const {
    std::lock_guard lock(engineMutex);
    return {media, entryName, window};
  }

  AudioPlayer& player;
  mutable std::mutex engineMutex;
  std::shared_ptr<MediaEngine> media;
  std::shared_ptr<Notify> notify;
  uintptr_t window = 0;
  std::wstring entryName;
};

AudioPlayer::AudioPlayer() : AudioPlayer(platformAudioServices()) {}

AudioPlayer::AudioPlayer(AudioPlayerServices given) : services(std::move(given)) {
  if (!services.readEntry) {
    services.readEntry = [](const AudioReadRequest& request, uint64_t ceiling) {
      return readAnyEntry(request.archivePath, request.archiveKind, request.entryName, ceiling, false,
                          request.password);
    };
  }
}

AudioPlayer::~AudioPlayer() { shutdown(); }

bool AudioPlayer::engineAvailable() const { return services.engineAvailable && services.engineAvailable(); }

void AudioPlayer::load(const std::wstring& archivePath, ArchiveKind kind, const std::wstring& entryName,
                       uint64_t entrySize, std::shared_ptr<const SecureBytes> password, uintptr_t window) {
  if (!engineAvailable()) return;
  if (!started) {
    worker = std::thread([this] { run(); });
    started = true;
  }
  publish(State{kLoading, entryName, 0, 0, L""});
  Command command;
  command.kind = kLoad;
  command.archivePath = archivePath;
  command.archiveKind = kind;
  command.entryName = entryName;
  command.entrySize = entrySize;
  command.password = std::move(password);
  command.window = window;
  post(std::move(command));
}

void AudioPlayer::togglePlay() {
  Command command;
  command.kind = kToggle;
  post(std::move(command));
}

void AudioPlayer::seek(double seconds) {
  Command command;
  command.kind = kSeek;
  command.seekSeconds = seconds;
  post(std::move(command));
}

void AudioPlayer::stop() {
  if (!started) return;
  bool wasShowing = false;
  {
    std::lock_guard lock(stateMutex);
    if (published.state != kNone) {
      published = State{};
      wasShowing = true;
    }
  }
  if (!wasShowing) return;
  Command command;
  command.kind = kStop;
  post(std::move(command));
}

AudioPlayer::State AudioPlayer::snapshot() const {
  std::lock_guard lock(stateMutex);
  return published;
}

void AudioPlayer::shutdown() {
  if (!started) return;
  {
    std::lock_guard lock(queueMutex);
    Command quit;
    quit.kind = kQuit;
    commands.push_back(std::move(quit));
  }
  queueWake.notify_one();
  worker.join();
  started = false;
  std::lock_guard lock(queueMutex);
  quitting = false;
  commands.clear();
}

void AudioPlayer::post(Command command) {
  {
    std::lock_guard lock(queueMutex);
    if (quitting) return;
    commands.push_back(std::move(command));
  }
  queueWake.notify_one();
}

void AudioPlayer::publish(const State& state) {
  std::lock_guard lock(stateMutex);
  published = state;
}

void AudioPlayer::run() {
  const bool platformStarted = services.startThread && services.startThread();
  Engine engine(*this);
  for (;;) {
    Command command;
    {
      std::unique_lock lock(queueMutex);
      queueWake.wait(lock, [this] { return !commands.empty(); });
      command = std::move(commands.front());
      commands.pop_front();
      if (command.kind == kQuit) quitting = true;
    }
    if (command.kind == kQuit) {
      engine.release();
      if (platformStarted && services.stopThread) services.stopThread();
      return;
    }
    if (!platformStarted) {
      // Without the media platform nothing can play; say so rather than stay "loading".
      if (command.kind == kLoad) {
        publish(State{kError, command.entryName, 0, 0, i18n::translate("filetype.media_platform_failed")});
        if (command.window != 0 && services.notify) services.notify(command.window);
      }
      continue;
    }
    switch (command.kind) {
      case kLoad: {
        engine.release();
        std::wstring failure;
        if (command.entrySize > kAudioByteCeiling) {
          failure = i18n::translate("previewerror.over_limit");
        } else {
          AudioReadRequest request{command.archivePath, command.archiveKind, command.entryName, command.password};
          Result<EntryBytes> read = services.readEntry(request, kAudioByteCeiling);
          if (read.failed()) {
            failure = statusKeyText(read.failure().code);
          } else {
            bool superseded;
            {
              std::lock_guard lock(queueMutex);
              superseded = std::any_of(commands.begin(), commands.end(), isSuperseding);
            }
            if (!superseded) engine.open(read.value().bytes, command.entryName, command.window);
            wipe(read.value().bytes);
            break;
          }
        }
        {
          std::lock_guard lock(stateMutex);
          published.state = kError;
          published.entryName = command.entryName;
          published.message = failure;
        }
        if (command.window != 0 && services.notify) services.notify(command.window);
        break;
      }
      case kToggle:
        engine.toggle();
        break;
      case kSeek:
        engine.seek(command.seekSeconds);
        break;
      case kStop:
        engine.release();
        break;
      default:
        break;
    }
  }
}

}  // namespace tolzeb::ui
