// Plays one audio entry of an archive in the preview pane. The UI thread posts commands to one
// audio thread; the decoder reports on its own threads; the window copies the published state.
// The platform's decoder is behind MediaEngine so the state machine runs the same everywhere.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/secure_bytes.h"
#include "engine/core/status.h"
#include "engine/core/types.h"
#include "formats/archive_kind.h"

namespace tolzeb::ui {

// Event codes the decoder reports (the media engine's numbering).
inline constexpr uint32_t kMediaEventError = 5;
inline constexpr uint32_t kMediaEventPlay = 8;
inline constexpr uint32_t kMediaEventPause = 9;
inline constexpr uint32_t kMediaEventLoadedMetadata = 10;
inline constexpr uint32_t kMediaEventPlaying = 13;
inline constexpr uint32_t kMediaEventSeeked = 17;
inline constexpr uint32_t kMediaEventTimeUpdate = 18;
inline constexpr uint32_t kMediaEventEnded = 19;
inline constexpr uint32_t kMediaEventDurationChange = 21;

// Entries above this are not played: the whole entry is held in memory.
inline constexpr uint64_t kAudioByteCeiling = 0x4000000;

// One loaded sound. Used on the audio thread, and for times also on the decoder's threads.
class MediaEngine {
 public:
  virtual ~MediaEngine() = default;
  virtual void play() = 0;
  virtual void pause() = 0;
  virtual void setCurrentTime(double seconds) = 0;
  virtual double duration() = 0;  // negative or NaN when unknown
  virtual double currentTime() = 0;
  virtual void shutdown() = 0;  // stops the sound; no events afterwards are needed
};

using MediaEventSink = std::function<void(uint32_t event)>;

struct MediaEngineOpen {
  std::shared_ptr<MediaEngine> engine;  // null on failure
  std::string messageKey;               // catalogue key of the failure
};

struct AudioReadRequest {
  std::wstring archivePath;
  ArchiveKind archiveKind = ArchiveKind::unknown;
  std::wstring entryName;
  std::shared_ptr<const SecureBytes> password;
};

// What the player needs from the platform; tests replace every piece.
struct AudioPlayerServices {
  std::function<bool()> engineAvailable;
  std::function<bool()> startThread;  // on the audio thread: enter COM, start the media platform
  std::function<void()> stopThread;   // on the audio thread, only after startThread succeeded
  std::function<MediaEngineOpen(const std::vector<uint8_t>& bytes, const std::wstring& sourceName,
                                MediaEventSink events)>
      openEngine;
  std::function<Result<EntryBytes>(const AudioReadRequest&, uint64_t byteCeiling)> readEntry;
  std::function<void(uintptr_t window)> notify;  // posts AudioState to the window
};

// The platform's services: the media engine on Windows, none elsewhere.
AudioPlayerServices platformAudioServices();

class AudioPlayer {
 public:
  enum : uint8_t { kNone = 0, kLoading = 1, kPlaying = 2, kPaused = 3, kEnded = 4, kError = 5 };

  struct State {
    uint8_t state = kNone;
    std::wstring entryName;
    double position = 0;
    double duration = 0;
    std::wstring message;
  };

  enum : uint8_t { kLoad = 0, kToggle = 1, kSeek = 2, kStop = 3, kQuit = 4 };

  struct Command {
    uint8_t kind = kLoad;
    std::wstring archivePath;
    ArchiveKind archiveKind = ArchiveKind::unknown;
    std::wstring entryName;
    uint64_t entrySize = 0;
    std::shared_ptr<const SecureBytes> password;
    double seekSeconds = 0;
    uintptr_t window = 0;
  };

  AudioPlayer();
  explicit AudioPlayer(AudioPlayerServices services);
  ~AudioPlayer();
  AudioPlayer(const AudioPlayer&) = delete;
  AudioPlayer& operator=(const AudioPlayer&) = delete;

  bool engineAvailable() const;
  void load(const std::wstring& archivePath, ArchiveKind kind, const std::wstring& entryName, uint64_t entrySize,
            std::shared_ptr<const SecureBytes> password, uintptr_t window);
  void togglePlay();
  void seek(double seconds);
  void stop();
  State snapshot() const;
  void shutdown();

 private:
  class Engine;
  void post(Command command);
  void run();
  void publish(const State& state);

  AudioPlayerServices services;
  mutable std::mutex stateMutex;
  State published;
  std::mutex queueMutex;
  std::condition_variable queueWake;
  std::deque<Command> commands;
  bool quitting = false;
  std::thread worker;
  bool started = false;
};

}  // namespace tolzeb::ui
