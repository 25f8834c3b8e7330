// OrderedPipeline<T>: a producer thread submits tasks in order, a pool of workers runs them in
// parallel, and the owner's thread receives each finished job, strictly in submission order, in a
// sink. At most `maxInFlight` jobs exist between submit and the end of the sink, which bounds
// memory; the first failure anywhere stops the pipeline and is what `run` returns.
//
// Jobs are recycled: once the sink is done with one, the next task may be handed that same job,
// still holding what the earlier task and the sink left in it, so buffers kept in a job keep
// their capacity and later chunks allocate and fault in nothing new. A task sets every field the
// sink reads. At most `maxInFlight` jobs are ever made.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "engine/core/status.h"

namespace tolzeb {

namespace detail {
// The exception being handled, as a failure: allocation failures are code 8, the rest code 1.
// Nothing thrown on a pipeline thread may end the process.
Failure failureFromCurrentException();
}  // namespace detail

template <typename T>
class OrderedPipeline {
 public:
  using TaskFunction = std::function<Status(T&)>;
  using SinkFunction = std::function<Status(T&)>;
  using ProducerFunction = std::function<Status(OrderedPipeline<T>&)>;

  // Starts the workers at once. A worker count or bound of 0 is taken as 1. Only the standard
  // library's thread-start exception escapes; workers already started are joined first.
  OrderedPipeline(uint32_t workerCount, uint64_t maxInFlight, SinkFunction sink)
      : maxInFlight_(maxInFlight == 0 ? 1 : maxInFlight), sink_(std::move(sink)) {
    uint32_t count = workerCount == 0 ? 1 : workerCount;
    workers_.reserve(count);
    try {
      for (uint32_t i = 0; i < count; ++i) workers_.emplace_back([this] { workerLoop(); });
    } catch (...) {
      shutdown();
      throw;
    }
  }

  OrderedPipeline(const OrderedPipeline&) = delete;
  OrderedPipeline& operator=(const OrderedPipeline&) = delete;

  // Queued tasks and unemitted jobs are destroyed unrun.
  ~OrderedPipeline() { shutdown(); }

  // Producer thread only. Waits while the in-flight bound is reached. A failure means the
  // pipeline has failed (the first failure, copied); the task was dropped and the producer should
  // return that failure at once.
  Status submit(TaskFunction task) {
    std::unique_lock<std::mutex> lock(stateMutex_);
    while (!failed_) {
      if (inFlight_ >= maxInFlight_) {
        slotFreed_.wait(lock);
        continue;
      }
      queue_.push_back(Task{nextSequence_++, std::move(task)});
      ++inFlight_;
      lock.unlock();
      taskQueued_.notify_one();
      return Status();
    }
    return Status(firstFailure_);
  }

  // Called once by the owner. Runs the producer on a thread of its own and feeds the sink on the
  // calling thread. Returns after every thread of the pipeline has been joined: success once every
  // submitted job has passed the sink, else the first failure.
  Status run(const ProducerFunction& producer) {
    std::thread producerThread([this, &producer] { producerMain(producer); });
    std::unique_lock<std::mutex> lock(stateMutex_);
    while (!failed_) {
      if (emitNext(lock)) continue;
      if (producerDone_ && nextSequence_ == nextToEmit_) break;
      jobFinished_.wait(lock);
    }
    bool hadFailure = failed_;
    Failure failure = hadFailure ? firstFailure_ : Failure{};
    lock.unlock();
    slotFreed_.notify_all();  // a producer waiting inside submit must see the failure
    producerThread.join();
    shutdown();
    if (hadFailure) return Status(std::move(failure));
    return Status();
  }

  // Any thread: whether a failure has stopped the pipeline.
  bool failed() {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return failed_;
  }

  // Stops and joins the workers, even when tasks remain queued. A second call does nothing.
  void shutdown() {
    {
      std::lock_guard<std::mutex> lock(stateMutex_);
      if (stopping_) return;
      stopping_ = true;
    }
    taskQueued_.notify_all();
    jobFinished_.notify_all();
    slotFreed_.notify_all();
    for (std::thread& worker : workers_) {
      if (worker.joinable()) worker.join();
    }
    workers_.clear();
  }

 private:
  struct Task {
    uint64_t sequence = 0;
    TaskFunction task;
  };

  // Mutex held.
  void recordFailure(Failure&& failure) {
    if (failed_) return;
    failed_ = true;
    firstFailure_ = std::move(failure);
  }

  void workerLoop() {
    for (;;) {
      Task task;
      {
        std::unique_lock<std::mutex> lock(stateMutex_);
        taskQueued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        task = std::move(queue_.front());
        queue_.pop_front();
      }
      try {
        runTask(task);
      } catch (...) {
        // The job never reached `finished`; the failure stops the drain, so nobody waits for it.
        Failure failure = detail::failureFromCurrentException();
        std::lock_guard<std::mutex> lock(stateMutex_);
        recordFailure(std::move(failure));
      }
      jobFinished_.notify_one();
      slotFreed_.notify_one();  // lets a producer blocked in submit see a failure just recorded
    }
  }

  void runTask(Task& task) {
    T job{};
    bool skip;
    {
      std::lock_guard<std::mutex> lock(stateMutex_);
      skip = failed_;
      if (!spare_.empty()) {
        job = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    Status status;
    if (!skip) {
      try {
        status = task.task(job);
      } catch (...) {
        status = detail::failureFromCurrentException();
      }
    }
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (status.failed()) recordFailure(std::move(status).failure());
    // Stored even when failed or skipped, so the drain can pass this sequence number.
    finished_.emplace(task.sequence, std::move(job));
  }

  // Owner's thread, mutex held on entry and on exit. False when the next job has not finished.
  bool emitNext(std::unique_lock<std::mutex>& lock) {
    auto found = finished_.find(nextToEmit_);
    if (found == finished_.end()) return false;
    T job = std::move(found->second);
    finished_.erase(found);
    bool skip = failed_;
    lock.unlock();
    Status status;
    if (!skip) {
      try {
        status = sink_(job);
      } catch (...) {
        status = detail::failureFromCurrentException();
      }
    }
    lock.lock();
    ++nextToEmit_;
    --inFlight_;
    if (status.failed()) recordFailure(std::move(status).failure());
    // Kept for the next task; it is counted among the jobs in flight no longer, and every spare
    // job was once in flight, so jobs in flight plus spare never pass the bound.
    try {
      spare_.push_back(std::move(job));
    } catch (...) {
      // No room to keep it: it is freed instead, and a later task makes a new one.
    }
    lock.unlock();
    slotFreed_.notify_one();
    lock.lock();
    return true;
  }

  void producerMain(const ProducerFunction& producer) {
    Status status;
    try {
      status = producer(*this);
    } catch (...) {
      status = detail::failureFromCurrentException();
    }
    {
      std::lock_guard<std::mutex> lock(stateMutex_);
      if (status.failed()) recordFailure(std::move(status).failure());
      producerDone_ = true;
    }
    jobFinished_.notify_all();
    slotFreed_.notify_all();
  }

  std::mutex stateMutex_;
  std::condition_variable taskQueued_;
  std::condition_variable jobFinished_;
  std::condition_variable slotFreed_;
  std::deque<Task> queue_;
  std::map<uint64_t, T> finished_;
  std::vector<T> spare_;  // jobs the sink is done with, for the next tasks
  std::vector<std::thread> workers_;
  uint64_t maxInFlight_;
  SinkFunction sink_;
  uint64_t nextSequence_ = 0;
  uint64_t nextToEmit_ = 0;
  uint64_t inFlight_ = 0;
  bool stopping_ = false;
  bool failed_ = false;
  bool producerDone_ = false;
  Failure firstFailure_;
};

}  // namespace tolzeb
