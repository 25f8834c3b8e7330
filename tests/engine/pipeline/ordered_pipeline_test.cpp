#include "engine/pipeline/ordered_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/types.h"
#include "engine/pipeline/processor_count.h"

namespace tolzeb {
namespace {

// A one-shot gate that tasks can wait on; no sleeps decide an ordering.
class Latch {
 public:
  void open() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }
  void wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

struct Job {
  uint64_t index = 0;
  bool filled = false;
};

using Pipeline = OrderedPipeline<Job>;

// Submits `count` tasks that record their index; a small varying spin makes them finish out of order.
Pipeline::ProducerFunction indexProducer(uint64_t count) {
  return [count](Pipeline& pipeline) -> Status {
    for (uint64_t i = 0; i < count; ++i) {
      TOLZEB_TRY(pipeline.submit([i](Job& job) -> Status {
        volatile uint64_t spin = 0;
        for (uint64_t k = 0; k < ((i * 7919) % 13) * 2000; ++k) spin = spin + k;
        job.index = i;
        job.filled = true;
        return Status();
      }));
    }
    return Status();
  };
}

TEST(OrderedPipelineTest, SinkSeesJobsInSubmissionOrderWhateverTheWorkerCount) {
  struct Case {
    uint32_t workers;
    uint64_t maxInFlight;
  };
  const Case cases[] = {{1, 1}, {1, 4}, {2, 2}, {2, 16}, {8, 3}, {16, 64}};
  for (const Case& c : cases) {
    SCOPED_TRACE("workers " + std::to_string(c.workers) + ", in flight " + std::to_string(c.maxInFlight));
    std::vector<uint64_t> seen;
    Pipeline pipeline(c.workers, c.maxInFlight, [&](Job& job) -> Status {
      EXPECT_TRUE(job.filled);
      seen.push_back(job.index);
      return Status();
    });
    ASSERT_FALSE(pipeline.run(indexProducer(500)).failed());
    ASSERT_EQ(seen.size(), 500u);
    for (uint64_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], i);
  }
}

TEST(OrderedPipelineTest, ProducerThatSubmitsNothingSucceedsWithoutCallingTheSink) {
  bool sinkCalled = false;
  Pipeline pipeline(4, 4, [&](Job&) -> Status {
    sinkCalled = true;
    return Status();
  });
  EXPECT_FALSE(pipeline.run([](Pipeline&) { return Status(); }).failed());
  EXPECT_FALSE(sinkCalled);
}

TEST(OrderedPipelineTest, JobsBetweenSubmitAndSinkNeverExceedTheBound) {
  const uint64_t bound = 3;
  std::atomic<uint64_t> emitted{0};
  std::atomic<uint64_t> worstInFlight{0};
  Pipeline pipeline(8, bound, [&](Job&) -> Status {
    std::this_thread::yield();  // a slow sink throttles the producer
    emitted.fetch_add(1);
    return Status();
  });
  Status status = pipeline.run([&](Pipeline& p) -> Status {
    for (uint64_t i = 0; i < 300; ++i) {
      TOLZEB_TRY(p.submit([](Job&) { return Status(); }));
      // The sink counts before the pipeline does, so this never under-reports the pipeline's count.
      uint64_t inFlight = (i + 1) - emitted.load();
      uint64_t worst = worstInFlight.load();
      while (inFlight > worst && !worstInFlight.compare_exchange_weak(worst, inFlight)) {
      }
    }
    return Status();
  });
  ASSERT_FALSE(status.failed());
  EXPECT_EQ(emitted.load(), 300u);
  EXPECT_LE(worstInFlight.load(), bound);
  EXPECT_GE(worstInFlight.load(), 1u);
}

TEST(OrderedPipelineTest, JobsTheSinkIsDoneWithServeLaterTasksSoNoMoreThanTheBoundAreMade) {
  // A job's buffer is made once and then handed on with the job, still holding what the last
  // task wrote: each task overwrites the part the sink reads.
  struct BufferJob {
    std::vector<uint64_t> buffer;
  };
  for (uint64_t bound : {1u, 3u, 8u}) {
    SCOPED_TRACE("in flight " + std::to_string(bound));
    std::atomic<uint64_t> buffersMade{0};
    uint64_t emitted = 0;
    OrderedPipeline<BufferJob> pipeline(4, bound, [&](BufferJob& job) -> Status {
      EXPECT_EQ(job.buffer.size(), 1024u);
      EXPECT_EQ(job.buffer[0], emitted);
      ++emitted;
      return Status();
    });
    Status status = pipeline.run([&](OrderedPipeline<BufferJob>& p) -> Status {
      for (uint64_t i = 0; i < 200; ++i) {
        TOLZEB_TRY(p.submit([i, &buffersMade](BufferJob& job) -> Status {
          if (job.buffer.empty()) {
            job.buffer.resize(1024);
            buffersMade.fetch_add(1);
          }
          job.buffer[0] = i;
          return Status();
        }));
      }
      return Status();
    });
    ASSERT_FALSE(status.failed());
    EXPECT_EQ(emitted, 200u);
    EXPECT_GE(buffersMade.load(), 1u);
    EXPECT_LE(buffersMade.load(), bound);
  }
}

TEST(OrderedPipelineTest, OneWorkerAndBoundOneRunTasksStrictlyOneAfterAnother) {
  std::atomic<uint64_t> emitted{0};
  Pipeline pipeline(1, 1, [&](Job& job) -> Status {
    EXPECT_EQ(job.index, emitted.load());
    emitted.fetch_add(1);
    return Status();
  });
  Status status = pipeline.run([&](Pipeline& p) -> Status {
    for (uint64_t i = 0; i < 50; ++i) {
      TOLZEB_TRY(p.submit([i, &emitted](Job& job) -> Status {
        EXPECT_EQ(emitted.load(), i) << "task ran before the previous job left the sink";
        job.index = i;
        return Status();
      }));
    }
    return Status();
  });
  EXPECT_FALSE(status.failed());
  EXPECT_EQ(emitted.load(), 50u);
}

TEST(OrderedPipelineTest, ALongFirstTaskStillReachesTheSinkFirst) {
  Latch laterTasksDone;
  std::atomic<int> laterFinished{0};
  std::vector<uint64_t> seen;
  Pipeline pipeline(3, 8, [&](Job& job) -> Status {
    seen.push_back(job.index);
    return Status();
  });
  Status status = pipeline.run([&](Pipeline& p) -> Status {
    TOLZEB_TRY(p.submit([&](Job& job) -> Status {
      laterTasksDone.wait();
      job.index = 0;
      return Status();
    }));
    for (uint64_t i = 1; i <= 2; ++i) {
      TOLZEB_TRY(p.submit([&, i](Job& job) -> Status {
        job.index = i;
        if (laterFinished.fetch_add(1) == 1) laterTasksDone.open();
        return Status();
      }));
    }
    return Status();
  });
  EXPECT_FALSE(status.failed());
  EXPECT_EQ(seen, (std::vector<uint64_t>{0, 1, 2}));
}

TEST(OrderedPipelineTest, AFailedTaskStopsEverythingAfterItEvenJobsAlreadyFinished) {
  // Task 0 is held until the producer has seen task 3's failure, so tasks 1, 2 and 4.. finish first:
  // none may reach the sink, and neither may task 0 once it is released.
  Latch failureSeen;
  std::vector<uint64_t> seen;
  Pipeline pipeline(4, 16, [&](Job& job) -> Status {
    seen.push_back(job.index);
    return Status();
  });
  Status status = pipeline.run([&](Pipeline& p) -> Status {
    for (uint64_t i = 0;; ++i) {
      Status submitted = p.submit([&, i](Job& job) -> Status {
        job.index = i;
        if (i == 0) failureSeen.wait();
        if (i == 3) return Status(StatusCode::corrupt_archive, L"Chunk 3 failed its CRC32C check");
        return Status();
      });
      if (submitted.failed()) {
        failureSeen.open();
        return submitted;
      }
    }
  });
  ASSERT_TRUE(status.failed());
  EXPECT_EQ(status.code(), StatusCode::corrupt_archive);
  EXPECT_EQ(status.message(), L"Chunk 3 failed its CRC32C check");
  EXPECT_TRUE(seen.empty());
}

TEST(OrderedPipelineTest, ASinkFailureReachesTheBlockedProducerAndEndsTheRun) {
  std::vector<uint64_t> seen;
  Status producerSaw;
  Pipeline pipeline(2, 2, [&](Job& job) -> Status {
    seen.push_back(job.index);
    if (job.index == 1) return Status(StatusCode::io_failure, L"Write failed on '<handle>'");
    return Status();
  });
  Status status = pipeline.run([&](Pipeline& p) -> Status {
    for (uint64_t i = 0;; ++i) {
      Status submitted = p.submit([i](Job& job) {
        job.index = i;
        return Status();
      });
      if (submitted.failed()) {
        producerSaw = submitted;
        return submitted;
      }
    }
  });
  ASSERT_TRUE(status.failed());
  EXPECT_EQ(status.message(), L"Write failed on '<handle>'");
  EXPECT_EQ(seen, (std::vector<uint64_t>{0, 1}));
  ASSERT_TRUE(producerSaw.failed());
  EXPECT_EQ(producerSaw.code(), StatusCode::io_failure);
  EXPECT_EQ(producerSaw.message(), status.message());
}

TEST(OrderedPipelineTest, AProducerFailureIsReturnedAndQueuedTasksNeverRun) {
  std::atomic<int> laterTasksRun{0};
  Pipeline pipeline(1, 8, [](Job&) { return Status(); });
  Status status = pipeline.run([&](Pipeline& p) -> Status {
    TOLZEB_TRY(p.submit([&](Job&) -> Status {
      // Hold the only worker until the producer's failure has been recorded.
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (!pipeline.failed() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
      return Status();
    }));
    for (int i = 0; i < 3; ++i) {
      TOLZEB_TRY(p.submit([&](Job&) {
        laterTasksRun.fetch_add(1);
        return Status();
      }));
    }
    return Status(StatusCode::not_found, L"Cannot open for reading 'gone.txt'");
  });
  ASSERT_TRUE(status.failed());
  EXPECT_EQ(status.code(), StatusCode::not_found);
  EXPECT_EQ(laterTasksRun.load(), 0);
}

TEST(OrderedPipelineTest, OfManySimultaneousFailuresExactlyTheFirstRecordedIsReturned) {
  std::mutex orderMutex;
  std::vector<std::wstring> failuresInOrder;  // as the tasks finished, not necessarily as recorded
  bool sinkCalled = false;
  Pipeline pipeline(8, 64, [&](Job&) {
    sinkCalled = true;
    return Status();
  });
  Status status = pipeline.run([&](Pipeline& p) -> Status {
    for (uint64_t i = 0; i < 64; ++i) {
      Status submitted = p.submit([&, i](Job&) -> Status {
        std::wstring message = L"task " + std::to_wstring(i);
        std::lock_guard<std::mutex> lock(orderMutex);
        failuresInOrder.push_back(message);
        return Status(StatusCode::general, std::move(message));
      });
      if (submitted.failed()) return submitted;
    }
    return Status();
  });
  ASSERT_TRUE(status.failed());
  EXPECT_FALSE(sinkCalled);
  ASSERT_FALSE(failuresInOrder.empty());
  bool known = false;
  for (const std::wstring& m : failuresInOrder) known = known || m == status.message();
  EXPECT_TRUE(known);
}

TEST(OrderedPipelineTest, CancelingThroughTheProgressCallbackGivesCode6) {
  int reports = 0;
  ProgressCallback progress = [&](const Progress&) { return ++reports < 3; };
  std::vector<uint64_t> seen;
  Pipeline pipeline(4, 4, [&](Job& job) -> Status {
    seen.push_back(job.index);
    if (!progress(Progress{})) return Status(StatusCode::canceled, L"Verification canceled");
    return Status();
  });
  Status status = pipeline.run(indexProducer(100));
  ASSERT_TRUE(status.failed());
  EXPECT_EQ(status.code(), StatusCode::canceled);
  EXPECT_EQ(seen, (std::vector<uint64_t>{0, 1, 2}));
}

TEST(OrderedPipelineTest, ExceptionsOnPipelineThreadsBecomeTheFirstFailure) {
  struct Case {
    const char* name;
    int thrower;  // 0 task, 1 sink, 2 producer
    bool allocation;
    StatusCode code;
  };
  const Case cases[] = {
      {"task, allocation", 0, true, StatusCode::resource_limit},
      {"task, other", 0, false, StatusCode::general},
      {"sink, allocation", 1, true, StatusCode::resource_limit},
      {"producer, other", 2, false, StatusCode::general},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto doThrow = [&c] {
      if (c.allocation) throw std::bad_alloc();
      throw std::runtime_error("broken invariant");
    };
    Pipeline pipeline(2, 4, [&](Job& job) -> Status {
      if (c.thrower == 1 && job.index == 2) doThrow();
      return Status();
    });
    Status status = pipeline.run([&](Pipeline& p) -> Status {
      for (uint64_t i = 0; i < 10; ++i) {
        if (c.thrower == 2 && i == 5) doThrow();
        TOLZEB_TRY(p.submit([&, i](Job& job) -> Status {
          job.index = i;
          if (c.thrower == 0 && i == 3) doThrow();
          return Status();
        }));
      }
      return Status();
    });
    ASSERT_TRUE(status.failed());
    EXPECT_EQ(status.code(), c.code);
    if (c.allocation) {
      EXPECT_EQ(status.message(), L"Out of memory");
    } else {
      EXPECT_EQ(status.message(), L"Unexpected error in a worker thread: broken invariant");
    }
  }
}

TEST(OrderedPipelineTest, DestroyingWithoutRunOrAfterRunDoesNotBlock) {
  {
    Pipeline idle(4, 4, [](Job&) { return Status(); });
  }
  Pipeline used(4, 4, [](Job&) { return Status(); });
  ASSERT_FALSE(used.run(indexProducer(10)).failed());
  used.shutdown();  // a second shutdown does nothing
}

TEST(OrderedPipelineTest, WorkerCountCapsAtTheProcessorCount) {
  uint32_t processors = processorCount();
  ASSERT_GE(processors, 1u);
  EXPECT_EQ(workerCount(0), processors);
  EXPECT_EQ(workerCount(1), 1u);
  EXPECT_EQ(workerCount(processors), processors);
  EXPECT_EQ(workerCount(processors + 1), processors);
  EXPECT_EQ(workerCount(UINT32_MAX), processors);
}

}  // namespace
}  // namespace tolzeb
