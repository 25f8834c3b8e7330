// The background task queue: one worker thread, started by the first accepted task, runs the
// tasks one at a time from a queue of at most 64 waiting tasks, publishes a progress snapshot,
// keeps a list of every task with its state, and tells the window when there is something new.
// Every public operation is called on the UI thread.
//
// Lock rules: `mutex` is held only for copies and bookkeeping, never across an engine call;
// `mutex` and `pauseMutex` are never held together.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/tools/compare.h"
#include "engine/tools/duplicates.h"
#include "formats/engine_calls.h"
#include "ui/app/app_message.h"
#include "ui/app/task_types.h"

namespace tolzeb::ui {

// Milliseconds of a monotonic clock that never reads 0.
uint64_t monotonicMilliseconds();

// What the runner uses of the world outside it; a test hands in stand-ins.
struct TaskRunnerServices {
  const EngineCalls* engine = &linkedEngine();
  std::function<bool(WindowHandle, AppMessage, uintptr_t, intptr_t)> post = postAppMessage;
  std::function<uint64_t()> tickMilliseconds = monotonicMilliseconds;
};

class TaskRunner {
 public:
  static constexpr size_t kMaxWaitingTasks = 64;
  // Progress posts of one task are at least this far apart (the first is posted at once).
  static constexpr uint64_t kProgressPostIntervalMs = 100;

  struct Queued {
    uint64_t id = 0;
    TaskRequest request;
    WindowHandle window = nullptr;  // receives TaskProgress and TaskFinished
    std::wstring title;
    std::wstring detail;
  };

  TaskRunner();
  explicit TaskRunner(TaskRunnerServices services);
  ~TaskRunner();
  TaskRunner(const TaskRunner&) = delete;
  TaskRunner& operator=(const TaskRunner&) = delete;

  // The new task's id (from 1, never reused), or 0 when 64 tasks are already waiting.
  uint64_t enqueue(const TaskRequest& request, WindowHandle window);
  // The entry list, the running task's row brought up to date.
  std::vector<TaskEntry> entries() const;
  // The live snapshot, its elapsed time brought up to date (it stands still while held).
  TaskSnapshot progress() const;
  // Entries that are Waiting, Running or Held.
  uint64_t openCount() const;

  // Holds the running task at its next progress report; nothing when no task runs.
  void pause();
  void resume();
  // Stops the running task at its next progress report (code 6).
  void cancelCurrent();
  // Stops the running task if it has this id, else drops the waiting task with this id.
  void cancel(uint64_t id);
  // Moves a waiting task one place towards the front (-1) or the back (+1).
  bool move(uint64_t id, int direction);
  void clearFinished();
  void resetProgress();
  // Hands over the last duplicate search and comparison; the runner's copies become empty.
  void takeResult(DuplicateReport& duplicates, CompareResult& compare);
  // Drops the waiting tasks, stops the running one and joins the worker. Not from the worker.
  void stop();

  // The running task is held; read at every paint.
  bool paused() const { return paused_.load(); }
  // The worker is inside a task.
  bool busy() const { return busy_.load(); }

  // The title and detail line shown for a request.
  static void describe(const TaskRequest& request, std::wstring& title, std::wstring& detail);

 private:
  void threadEntry();
  void workerLoop();
  // The whole task, on the worker thread, outside the lock; its outcome lands in `live`.
  void runOne(const Queued& queued);
  // The snapshot a panel shows for a task about to start.
  static TaskSnapshot startingSnapshot(const TaskRequest& request);
  // Restarts the clocks and flags of the running task; `mutex` is held.
  void startTaskClocks();
  // Held milliseconds of the current task up to `now`; `mutex` is held.
  uint64_t heldMilliseconds(uint64_t now) const;
  // Stands still while the task is held; true unless the task is to stop.
  bool reportProgress(const Progress& reported, uint64_t taskStartTick, uint64_t& lastPostTick, WindowHandle window);
  TaskEntry* findEntry(uint64_t id);

  TaskRunnerServices services;

  mutable std::mutex mutex;  // guards the members down to lastCompare
  TaskSnapshot live;
  std::vector<TaskEntry> entryList;
  std::deque<Queued> queue;
  uint64_t nextId = 1;
  uint64_t runningId = 0;
  std::condition_variable workReady;
  bool stopping = false;
  DuplicateReport lastDuplicates;
  CompareResult lastCompare;

  std::mutex pauseMutex;  // guards the hold wait
  std::condition_variable pauseChanged;
  std::atomic<bool> paused_{false};
  std::atomic<uint64_t> pausedMs{0};
  std::atomic<uint64_t> pauseStartTick{0};  // 0 when not held
  std::atomic<uint64_t> startTick{0};

  std::thread worker;
  bool workerStarted = false;  // UI thread only
  std::atomic<bool> busy_{false};
  // Set under `mutex`, and only while the task it is meant for runs; cleared under `mutex` when
  // the worker takes the next task. Read by the progress callback without the lock.
  std::atomic<bool> cancelRequested{false};
};

}  // namespace tolzeb::ui
