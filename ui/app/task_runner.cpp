#include "ui/app/task_runner.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace tolzeb::ui {

uint64_t monotonicMilliseconds() {
  using namespace std::chrono;
  // One more than the clock, because the runner reads 0 as "no task started".
  return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count()) + 1;
}

TaskRunner::TaskRunner() : TaskRunner(TaskRunnerServices{}) {}

TaskRunner::TaskRunner(TaskRunnerServices runnerServices) : services(std::move(runnerServices)) {}

TaskRunner::~TaskRunner() { stop(); }

TaskSnapshot TaskRunner::startingSnapshot(const TaskRequest& request) {
  TaskSnapshot snapshot;
  snapshot.kind = uint8_t(request.kind);
  snapshot.active = true;
  snapshot.path = request.path;
  snapshot.outputPath = outputPathOf(request);
  snapshot.progress.phase =
      taskKindOf(request.kind) == TaskKind::Create ? Progress::Phase::Scanning : Progress::Phase::Decoding;
  return snapshot;
}

void TaskRunner::startTaskClocks() {
  startTick = services.tickMilliseconds();
  pausedMs = 0;
  pauseStartTick = 0;
}

uint64_t TaskRunner::heldMilliseconds(uint64_t now) const {
  uint64_t held = pausedMs.load();
  const uint64_t holdStart = pauseStartTick.load();
  if (holdStart != 0 && holdStart < now) held += now - holdStart;
  return held;
}

TaskEntry* TaskRunner::findEntry(uint64_t id) {
  auto it = std::find_if(entryList.begin(), entryList.end(), [id](const TaskEntry& entry) { return entry.id == id; });
  return it == entryList.end() ? nullptr : &*it;
}

uint64_t TaskRunner::enqueue(const TaskRequest& request, WindowHandle window) {
  Queued queued;
  queued.request = request;
  queued.window = window;
  describe(request, queued.title, queued.detail);

  uint64_t id = 0;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (queue.size() >= kMaxWaitingTasks) return 0;
    // Started before anything changes, so that a thread that cannot start leaves the runner as it was.
    if (!workerStarted) {
      worker = std::thread(&TaskRunner::threadEntry, this);
      workerStarted = true;
    }
    id = nextId++;
    queued.id = id;

    TaskEntry entry;
    entry.id = id;
    entry.kind = uint8_t(request.kind);
    entry.state = TaskState::Waiting;
    entry.title = queued.title;
    entry.detail = queued.detail;
    entry.snapshot.kind = entry.kind;
    entry.snapshot.path = request.path;
    entry.snapshot.outputPath = outputPathOf(request);

    // A panel shown now presents the task as starting.
    if (runningId == 0 && queue.empty()) {
      live = startingSnapshot(request);
      startTaskClocks();
    }
    entryList.push_back(std::move(entry));
    queue.push_back(std::move(queued));
  }
  workReady.notify_one();
  return id;
}

void TaskRunner::threadEntry() { workerLoop(); }

void TaskRunner::workerLoop() {
  for (;;) {
    Queued task;
    {
      std::unique_lock<std::mutex> lock(mutex);
      workReady.wait(lock, [this] { return stopping || !queue.empty(); });
      if (stopping) return;  // a stop wins over waiting tasks
      task = std::move(queue.front());
      queue.pop_front();
      runningId = task.id;
      if (TaskEntry* entry = findEntry(task.id)) entry->state = TaskState::Running;
      live = startingSnapshot(task.request);
      // A hold or a cancel meant for the previous task must not reach this one; both are only
      // set under this lock while their task runs.
      paused_ = false;
      cancelRequested = false;
      startTaskClocks();
      busy_ = true;
    }

    runOne(task);

    {
      std::lock_guard<std::mutex> lock(mutex);
      if (TaskEntry* entry = findEntry(task.id)) {
        entry->state = live.succeeded ? TaskState::Done : live.cancelled ? TaskState::Cancelled : TaskState::Failed;
        entry->snapshot = live;
      }
      runningId = 0;
      paused_ = false;
    }
    busy_ = false;
    if (task.window) services.post(task.window, AppMessage::TaskFinished, 0, intptr_t(task.id));
  }
}

bool TaskRunner::reportProgress(const Progress& reported, uint64_t taskStartTick, uint64_t& lastPostTick,
                                WindowHandle window) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    live.progress = reported;
    const double seconds = (double(services.tickMilliseconds() - taskStartTick) - double(pausedMs.load())) / 1000.0;
    live.elapsedSeconds = seconds > 0 ? seconds : 0;
  }

  if (paused_) {
    const uint64_t holdStart = services.tickMilliseconds();
    pauseStartTick = holdStart;
    {
      std::unique_lock<std::mutex> hold(pauseMutex);
      pauseChanged.wait(hold, [this] { return !paused_ || cancelRequested; });
    }
    // Both clocks change under the lock, so progress() never counts the hold twice or not at all.
    std::lock_guard<std::mutex> lock(mutex);
    pausedMs += services.tickMilliseconds() - holdStart;
    pauseStartTick = 0;
  }

  const uint64_t now = services.tickMilliseconds();
  if (now - lastPostTick >= kProgressPostIntervalMs) {
    lastPostTick = now;
    if (window) services.post(window, AppMessage::TaskProgress, 0, 0);
  }
  return !cancelRequested;
}

std::vector<TaskEntry> TaskRunner::entries() const {
  std::lock_guard<std::mutex> lock(mutex);
  std::vector<TaskEntry> copy = entryList;
  for (TaskEntry& entry : copy) {
    if (runningId == 0 || entry.id != runningId) continue;
    if (entry.state != TaskState::Running && entry.state != TaskState::Held) continue;
    std::wstring outputPath = std::move(entry.snapshot.outputPath);
    entry.snapshot = live;
    if (entry.snapshot.outputPath.empty()) entry.snapshot.outputPath = std::move(outputPath);
  }
  return copy;
}

TaskSnapshot TaskRunner::progress() const {
  std::lock_guard<std::mutex> lock(mutex);
  TaskSnapshot copy = live;
  const uint64_t start = startTick.load();
  if (copy.active && start != 0) {
    const uint64_t now = services.tickMilliseconds();
    const uint64_t held = heldMilliseconds(now);
    const uint64_t ran = now > start ? now - start : 0;
    copy.elapsedSeconds = ran > held ? double(ran - held) / 1000.0 : 0;
  }
  return copy;
}

uint64_t TaskRunner::openCount() const {
  std::lock_guard<std::mutex> lock(mutex);
  return uint64_t(std::count_if(entryList.begin(), entryList.end(),
                                [](const TaskEntry& entry) { return !isFinished(entry.state); }));
}

void TaskRunner::pause() {
  // Decided under the lock, so a hold never outlives the task it was meant for.
  std::lock_guard<std::mutex> lock(mutex);
  if (runningId == 0) return;
  paused_ = true;
  if (TaskEntry* entry = findEntry(runningId)) entry->state = TaskState::Held;
}

void TaskRunner::resume() {
  {
    std::lock_guard<std::mutex> hold(pauseMutex);
    paused_ = false;
  }
  pauseChanged.notify_all();
  std::lock_guard<std::mutex> lock(mutex);
  if (runningId == 0) return;
  if (TaskEntry* entry = findEntry(runningId)) entry->state = TaskState::Running;
}

void TaskRunner::cancelCurrent() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (runningId != 0) cancelRequested = true;
  }
  resume();
}

void TaskRunner::cancel(uint64_t id) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (id != 0 && id == runningId) {
      cancelRequested = true;
    } else {
      auto it = std::find_if(queue.begin(), queue.end(), [id](const Queued& task) { return task.id == id; });
      if (it == queue.end()) return;
      queue.erase(it);
      if (TaskEntry* entry = findEntry(id)) entry->state = TaskState::Cancelled;
      return;
    }
  }
  resume();
}

bool TaskRunner::move(uint64_t id, int direction) {
  if (direction != -1 && direction != 1) return false;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = std::find_if(queue.begin(), queue.end(), [id](const Queued& task) { return task.id == id; });
  if (it == queue.end()) return false;
  const ptrdiff_t from = it - queue.begin();
  const ptrdiff_t to = from + direction;
  if (to < 0 || to >= ptrdiff_t(queue.size())) return false;
  std::swap(queue[size_t(from)], queue[size_t(to)]);

  // The waiting rows, in list order, follow the queue; finished and running rows stay put.
  std::vector<size_t> waitingRows;
  for (size_t row = 0; row < entryList.size(); ++row) {
    if (entryList[row].state == TaskState::Waiting) waitingRows.push_back(row);
  }
  if (waitingRows.size() != queue.size()) return true;
  std::vector<TaskEntry> reordered;
  reordered.reserve(queue.size());
  for (const Queued& task : queue) {
    auto row = std::find_if(waitingRows.begin(), waitingRows.end(),
                            [&](size_t index) { return entryList[index].id == task.id; });
    if (row == waitingRows.end()) return true;
    reordered.push_back(entryList[*row]);
  }
  for (size_t k = 0; k < waitingRows.size(); ++k) entryList[waitingRows[k]] = std::move(reordered[k]);
  return true;
}

void TaskRunner::clearFinished() {
  std::lock_guard<std::mutex> lock(mutex);
  std::erase_if(entryList, [](const TaskEntry& entry) { return isFinished(entry.state); });
}

void TaskRunner::resetProgress() {
  std::lock_guard<std::mutex> lock(mutex);
  live = TaskSnapshot();
}

void TaskRunner::takeResult(DuplicateReport& duplicates, CompareResult& compare) {
  std::lock_guard<std::mutex> lock(mutex);
  duplicates = std::exchange(lastDuplicates, DuplicateReport());
  compare = std::exchange(lastCompare, CompareResult());
}

void TaskRunner::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
    queue.clear();  // the dropped tasks' rows are left as they are
    cancelRequested = true;
  }
  resume();
  workReady.notify_all();
  if (worker.joinable()) worker.join();
  workerStarted = false;
}

}  // namespace tolzeb::ui
