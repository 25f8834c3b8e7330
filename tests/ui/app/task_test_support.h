// Stand-ins for the task runner's world: a window that records what is posted to it, a clock the
// test moves by hand, and archive work that advances one progress report at a time when the test
// allows it. Every wait has a generous deadline and ends as soon as its condition holds.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "formats/engine_calls.h"
#include "ui/app/task_runner.h"

namespace tolzeb::ui::testing {

inline constexpr std::chrono::seconds kDeadline{60};

// Polls a condition that another thread makes true, up to the deadline.
inline bool eventually(const std::function<bool()>& condition) {
  const auto until = std::chrono::steady_clock::now() + kDeadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

struct Post {
  AppMessage message;
  intptr_t lParam;
};

// The window the runner posts to.
class FakeWindow {
 public:
  WindowHandle handle() { return this; }

  bool post(WindowHandle window, AppMessage message, uintptr_t, intptr_t lParam) {
    EXPECT_EQ(window, handle());
    std::lock_guard<std::mutex> lock(mutex_);
    posts_.push_back(Post{message, lParam});
    changed_.notify_all();
    return true;
  }

  // Waits for TaskFinished of this task.
  bool waitFinished(uint64_t id) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kDeadline, [&] {
      for (const Post& post : posts_) {
        if (post.message == AppMessage::TaskFinished && uint64_t(post.lParam) == id) return true;
      }
      return false;
    });
  }

  size_t count(AppMessage message) {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t n = 0;
    for (const Post& post : posts_) n += post.message == message;
    return n;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Post> posts_;
};

// A millisecond clock that moves only when the test moves it, and counts the reads of other
// threads so that a test can tell when the worker has passed a given point.
class FakeClock {
 public:
  uint64_t read() {
    if (std::this_thread::get_id() != testThread_) ++workerReads_;
    return now_.load();
  }
  void advance(uint64_t ms) { now_ += ms; }
  uint64_t workerReads() const { return workerReads_.load(); }

 private:
  std::thread::id testThread_ = std::this_thread::get_id();
  std::atomic<uint64_t> now_{1000000};
  std::atomic<uint64_t> workerReads_{0};
};

// Archive work keyed by the archive path: started, it waits; each allowed step makes one progress
// report; once finishing is allowed it returns success after the steps already allowed.
class FakeWork {
 public:
  Result<ArchiveStats> run(const std::wstring& path, const ProgressCallback& progress) {
    std::unique_lock<std::mutex> lock(mutex_);
    Track& track = tracks_[path];
    track.started = true;
    changed_.notify_all();
    for (;;) {
      changed_.wait(lock, [&] { return track.stepsAllowed > 0 || track.finishAllowed; });
      if (track.stepsAllowed == 0) break;
      --track.stepsAllowed;
      Progress report;
      report.phase = Progress::Phase::Decoding;
      report.bytesDone = track.answers.size() + 1;
      report.bytesTotal = 100;
      lock.unlock();
      const bool goOn = progress(report);
      lock.lock();
      track.answers.push_back(goOn);
      changed_.notify_all();
      if (!goOn) return Failure{StatusCode::canceled, L"Test canceled"};
    }
    ArchiveStats stats;
    stats.entries = 7;
    return stats;
  }

  bool waitStarted(const std::wstring& path) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kDeadline, [&] { return tracks_[path].started; });
  }
  bool started(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    return tracks_[path].started;
  }
  void allowStep(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++tracks_[path].stepsAllowed;
    changed_.notify_all();
  }
  void allowFinish(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    tracks_[path].finishAllowed = true;
    changed_.notify_all();
  }
  // Waits for the n-th answer of the progress callback (1-based) and gives it; false on timeout.
  bool answer(const std::wstring& path, size_t n, bool& goOn) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, kDeadline, [&] { return tracks_[path].answers.size() >= n; })) return false;
    goOn = tracks_[path].answers[n - 1];
    return true;
  }
  // Allows one step and returns the callback's answer to it.
  bool step(const std::wstring& path) {
    size_t n = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      n = tracks_[path].answers.size() + 1;
    }
    allowStep(path);
    bool goOn = false;
    EXPECT_TRUE(answer(path, n, goOn)) << "no progress answer in time";
    return goOn;
  }

 private:
  struct Track {
    bool started = false;
    size_t stepsAllowed = 0;
    bool finishAllowed = false;
    std::vector<bool> answers;
  };
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::wstring, Track> tracks_;
};

// A runner whose "test" tasks run FakeWork on a ".zeb" and whose window and clock are the fakes.
struct RunnerBench {
  RunnerBench() {
    engine.detectArchiveKind = [](const std::wstring&) -> Result<ArchiveKind> { return ArchiveKind::zeb; };
    engine.testArchive = [this](const std::wstring& path, const ProgressCallback& progress, uint32_t, uint64_t,
                                const Password&) { return work.run(path, progress); };
    TaskRunnerServices services;
    services.engine = &engine;
    services.post = [this](WindowHandle window, AppMessage message, uintptr_t wParam, intptr_t lParam) {
      return fakeWindow.post(window, message, wParam, lParam);
    };
    services.tickMilliseconds = [this] { return clock.read(); };
    runner = std::make_unique<TaskRunner>(std::move(services));
  }
  ~RunnerBench() {
    // Let whatever still waits finish, so the runner's stop never waits on the fake.
    for (const auto& path : enqueued) work.allowFinish(path);
    runner.reset();
  }

  uint64_t enqueueTest(const std::wstring& path) {
    TaskRequest request;
    request.kind = int32_t(TaskKind::Test);
    request.path = path;
    enqueued.push_back(path);
    return runner->enqueue(request, fakeWindow.handle());
  }

  TaskState stateOf(uint64_t id) {
    for (const TaskEntry& entry : runner->entries()) {
      if (entry.id == id) return entry.state;
    }
    ADD_FAILURE() << "no entry " << id;
    return TaskState::Waiting;
  }

  // Lets the task finish and waits for its TaskFinished post.
  bool finish(const std::wstring& path, uint64_t id) {
    work.allowFinish(path);
    return fakeWindow.waitFinished(id);
  }

  EngineCalls engine;
  FakeWork work;
  FakeWindow fakeWindow;
  FakeClock clock;
  std::vector<std::wstring> enqueued;
  std::unique_ptr<TaskRunner> runner;
};

}  // namespace tolzeb::ui::testing
