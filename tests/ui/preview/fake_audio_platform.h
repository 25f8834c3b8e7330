// A stand-in for the audio player's platform: entries to read, a decoder that logs its calls and
// reports play and pause like the real one, and counts of what the player asked for.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/preview/audio_player.h"

namespace tolzeb::ui::testing {

// A decoder that logs every call, answers with settable times and, like the real one, reports
// play and pause through its event sink.
struct Decoder {
  std::mutex mutex;
  std::vector<std::string> calls;
  double length = 10;
  double time = 0;
  MediaEventSink sink;

  void log(std::string call) {
    std::lock_guard lock(mutex);
    calls.push_back(std::move(call));
  }
  std::vector<std::string> logged() {
    std::lock_guard lock(mutex);
    return calls;
  }
  void fire(uint32_t event) {
    MediaEventSink copy;
    {
      std::lock_guard lock(mutex);
      copy = sink;
    }
    if (copy) copy(event);
  }
};

class FakeEngine : public MediaEngine {
 public:
  explicit FakeEngine(Decoder& decoder) : decoder(decoder) {}
  void play() override {
    decoder.log("play");
    decoder.fire(kMediaEventPlaying);
  }
  void pause() override {
    decoder.log("pause");
    decoder.fire(kMediaEventPause);
  }
  void setCurrentTime(double seconds) override {
    decoder.log("seek " + std::to_string(static_cast<int>(seconds)));
    std::lock_guard lock(decoder.mutex);
    decoder.time = seconds;
  }
  double duration() override {
    std::lock_guard lock(decoder.mutex);
    return decoder.length;
  }
  double currentTime() override {
    std::lock_guard lock(decoder.mutex);
    return decoder.time;
  }
  void shutdown() override { decoder.log("shutdown"); }

 private:
  Decoder& decoder;
};

// Entries by name; a read of a gated name waits until the gate opens.
struct Platform {
  std::mutex mutex;
  std::condition_variable changed;
  std::map<std::wstring, Result<EntryBytes>> entries;
  std::vector<std::wstring> reads;
  std::vector<std::wstring> opened;
  std::wstring gatedName;
  bool atGate = false;
  int notified = 0;
  uintptr_t lastWindow = 0;
  bool available = true;
  std::atomic<int> availabilityAsks{0};
  bool platformStarts = true;
  std::string openFailure;
  uint32_t eventDuringOpen = 0;  // reported before the engine is handed back, as real engines may
  Decoder decoder;

  void put(const std::wstring& name, const std::string& bytes) {
    EntryBytes entry;
    entry.bytes.assign(bytes.begin(), bytes.end());
    entry.fullSize = bytes.size();
    entries.insert_or_assign(name, Result<EntryBytes>(std::move(entry)));
  }

  AudioPlayerServices services() {
    AudioPlayerServices s;
    s.engineAvailable = [this] {
      ++availabilityAsks;
      return available;
    };
    s.startThread = [this] { return platformStarts; };
    s.stopThread = [] {};
    s.readEntry = [this](const AudioReadRequest& request, uint64_t ceiling) -> Result<EntryBytes> {
      EXPECT_EQ(ceiling, kAudioByteCeiling);
      std::unique_lock lock(mutex);
      reads.push_back(request.entryName);
      if (request.entryName == gatedName) {
        atGate = true;
        changed.notify_all();
        changed.wait_for(lock, std::chrono::seconds(10), [this] { return gatedName.empty(); });
      }
      auto it = entries.find(request.entryName);
      if (it == entries.end()) return Result<EntryBytes>(StatusCode::not_found, L"no entry");
      return it->second;
    };
    s.openEngine = [this](const std::vector<uint8_t>& bytes, const std::wstring& sourceName, MediaEventSink events) {
      EXPECT_FALSE(bytes.empty());
      MediaEngineOpen result;
      if (openFailure.empty()) {
        std::lock_guard lock(decoder.mutex);
        decoder.sink = std::move(events);
      }
      {
        // Recorded once events can reach the player: a test that sees the open may fire them.
        std::lock_guard lock(mutex);
        opened.push_back(sourceName);
      }
      if (!openFailure.empty()) {
        result.messageKey = openFailure;
        return result;
      }
      if (eventDuringOpen != 0) decoder.fire(eventDuringOpen);
      result.engine = std::make_shared<FakeEngine>(decoder);
      return result;
    };
    s.notify = [this](uintptr_t window) {
      std::lock_guard lock(mutex);
      ++notified;
      lastWindow = window;
    };
    return s;
  }

  std::vector<std::wstring> openedNames() {
    std::lock_guard lock(mutex);
    return opened;
  }

  int notifications() {
    std::lock_guard lock(mutex);
    return notified;
  }
};

}  // namespace tolzeb::ui::testing
