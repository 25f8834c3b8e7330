// The runner's state machine over fake archive work: queueing, holding, cancelling, reordering,
// stopping, the live snapshot and its clocks, and the rate of progress posts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "task_test_support.h"

namespace tolzeb::ui {
namespace {

using testing::eventually;
using testing::RunnerBench;

std::wstring nameOf(int n) { return L"a" + std::to_wstring(n) + L".zeb"; }

std::vector<uint64_t> idsInListOrder(TaskRunner& runner) {
  std::vector<uint64_t> ids;
  for (const TaskEntry& entry : runner.entries()) ids.push_back(entry.id);
  return ids;
}

TEST(TaskRunnerQueue, IdsCountFromOneAndARefusedTaskUsesNone) {
  RunnerBench bench;
  ASSERT_EQ(bench.enqueueTest(nameOf(0)), 1u);
  ASSERT_TRUE(bench.work.waitStarted(nameOf(0)));
  // 64 wait behind the running task; the next one is refused and changes nothing.
  for (int n = 1; n <= 64; ++n) ASSERT_EQ(bench.enqueueTest(nameOf(n)), uint64_t(n + 1));
  EXPECT_EQ(bench.enqueueTest(L"refused.zeb"), 0u);
  EXPECT_EQ(bench.runner->entries().size(), 65u);
  EXPECT_EQ(bench.runner->openCount(), 65u);

  ASSERT_TRUE(bench.finish(nameOf(0), 1));
  ASSERT_TRUE(bench.work.waitStarted(nameOf(1)));
  EXPECT_EQ(bench.enqueueTest(L"accepted.zeb"), 66u);
  EXPECT_EQ(bench.stateOf(1), TaskState::Done);
}

TEST(TaskRunnerQueue, ATaskQueuedOnAnIdleRunnerShowsAsStartingAtOnce) {
  struct Case {
    TaskKind kind;
    Progress::Phase phase;
    std::wstring outputPath;
  };
  const Case cases[] = {
      {TaskKind::Create, Progress::Phase::Scanning, L"p.zeb"},
      {TaskKind::Extract, Progress::Phase::Decoding, L"dest"},
      {TaskKind::Scan, Progress::Phase::Decoding, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.kind));
    // A stopped runner never takes the task, so what shows is what enqueue primed.
    RunnerBench bench;
    bench.runner->stop();
    TaskRequest request;
    request.kind = int32_t(c.kind);
    request.path = L"p.zeb";
    request.destination = L"dest";
    ASSERT_NE(bench.runner->enqueue(request, bench.fakeWindow.handle()), 0u);
    const TaskSnapshot live = bench.runner->progress();
    EXPECT_TRUE(live.active);
    EXPECT_FALSE(live.finished);
    EXPECT_EQ(live.kind, uint8_t(c.kind));
    EXPECT_EQ(live.progress.phase, c.phase);
    EXPECT_EQ(live.path, L"p.zeb");
    EXPECT_EQ(live.outputPath, c.outputPath);
  }
}

TEST(TaskRunnerCancel, AWaitingTaskIsDroppedAndNeverRuns) {
  RunnerBench bench;
  const uint64_t a = bench.enqueueTest(L"a.zeb");
  const uint64_t b = bench.enqueueTest(L"b.zeb");
  const uint64_t c = bench.enqueueTest(L"c.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"a.zeb"));
  bench.runner->cancel(b);
  EXPECT_EQ(bench.stateOf(b), TaskState::Cancelled);
  EXPECT_EQ(bench.runner->openCount(), 2u);
  bench.runner->cancel(12345);  // neither running nor waiting: nothing changes
  EXPECT_EQ(bench.runner->openCount(), 2u);

  ASSERT_TRUE(bench.finish(L"a.zeb", a));
  ASSERT_TRUE(bench.finish(L"c.zeb", c));
  EXPECT_FALSE(bench.work.started(L"b.zeb"));
  EXPECT_EQ(bench.stateOf(a), TaskState::Done);
  EXPECT_EQ(bench.stateOf(c), TaskState::Done);
}

TEST(TaskRunnerCancel, TheRunningTaskStopsAtItsNextReportAndTheNextTaskIsUntouched) {
  for (bool byId : {false, true}) {
    SCOPED_TRACE(byId ? "cancel(id)" : "cancelCurrent");
    RunnerBench bench;
    const uint64_t a = bench.enqueueTest(L"a.zeb");
    const uint64_t b = bench.enqueueTest(L"b.zeb");
    ASSERT_TRUE(bench.work.waitStarted(L"a.zeb"));
    EXPECT_TRUE(bench.work.step(L"a.zeb"));
    if (byId) {
      bench.runner->cancel(a);
    } else {
      bench.runner->cancelCurrent();
    }
    EXPECT_FALSE(bench.work.step(L"a.zeb"));
    ASSERT_TRUE(bench.fakeWindow.waitFinished(a));
    EXPECT_EQ(bench.stateOf(a), TaskState::Cancelled);

    ASSERT_TRUE(bench.work.waitStarted(L"b.zeb"));
    EXPECT_TRUE(bench.work.step(L"b.zeb"));
    ASSERT_TRUE(bench.finish(L"b.zeb", b));
    EXPECT_EQ(bench.stateOf(b), TaskState::Done);

    const std::vector<TaskEntry> entries = bench.runner->entries();
    EXPECT_TRUE(entries[0].snapshot.cancelled);
    EXPECT_EQ(entries[0].snapshot.errorCode, int32_t(StatusCode::canceled));
    EXPECT_TRUE(entries[1].snapshot.succeeded);
  }
}

TEST(TaskRunnerCancel, ACancelOfATaskThatHasEndedReachesNoOtherTask) {
  RunnerBench bench;
  const uint64_t a = bench.enqueueTest(L"a.zeb");
  const uint64_t b = bench.enqueueTest(L"b.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"a.zeb"));
  // The cancel arrives while a's work is returning: a ends as it ended, b runs on.
  bench.work.allowFinish(L"a.zeb");
  bench.runner->cancel(a);
  ASSERT_TRUE(bench.fakeWindow.waitFinished(a));
  ASSERT_TRUE(bench.work.waitStarted(L"b.zeb"));
  bench.runner->cancel(a);
  EXPECT_TRUE(bench.work.step(L"b.zeb"));
  ASSERT_TRUE(bench.finish(L"b.zeb", b));
  EXPECT_EQ(bench.stateOf(a), TaskState::Done);
  EXPECT_EQ(bench.stateOf(b), TaskState::Done);
}

TEST(TaskRunnerHold, AHeldTaskStandsStillAndItsElapsedTimeWithIt) {
  RunnerBench bench;
  const uint64_t a = bench.enqueueTest(L"a.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"a.zeb"));
  bench.clock.advance(1000);
  EXPECT_TRUE(bench.work.step(L"a.zeb"));
  EXPECT_DOUBLE_EQ(bench.runner->progress().elapsedSeconds, 1.0);

  bench.runner->pause();
  EXPECT_TRUE(bench.runner->paused());
  EXPECT_EQ(bench.stateOf(a), TaskState::Held);
  // The next report enters the hold: the worker reads the clock once for the report and once
  // as the hold begins.
  const uint64_t readsBefore = bench.clock.workerReads();
  bench.work.allowStep(L"a.zeb");
  ASSERT_TRUE(eventually([&] { return bench.clock.workerReads() >= readsBefore + 2; }));
  for (int k = 0; k < 3; ++k) {
    bench.clock.advance(30000);
    EXPECT_DOUBLE_EQ(bench.runner->progress().elapsedSeconds, 1.0);
  }

  bench.runner->resume();
  EXPECT_FALSE(bench.runner->paused());
  EXPECT_EQ(bench.stateOf(a), TaskState::Running);
  bool goOn = false;
  ASSERT_TRUE(bench.work.answer(L"a.zeb", 2, goOn));
  EXPECT_TRUE(goOn);
  bench.clock.advance(500);
  EXPECT_DOUBLE_EQ(bench.runner->progress().elapsedSeconds, 1.5);
  ASSERT_TRUE(bench.finish(L"a.zeb", a));
  const TaskSnapshot done = bench.runner->progress();
  EXPECT_DOUBLE_EQ(done.elapsedSeconds, 1.5);
  EXPECT_TRUE(done.succeeded);
  EXPECT_EQ(done.progress.phase, Progress::Phase::Done);
}

TEST(TaskRunnerHold, CancellingAHeldTaskReleasesItWithoutAResume) {
  RunnerBench bench;
  const uint64_t a = bench.enqueueTest(L"a.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"a.zeb"));
  bench.runner->pause();
  bench.work.allowStep(L"a.zeb");
  bench.runner->cancel(a);
  bool goOn = true;
  ASSERT_TRUE(bench.work.answer(L"a.zeb", 1, goOn));
  EXPECT_FALSE(goOn);
  ASSERT_TRUE(bench.fakeWindow.waitFinished(a));
  EXPECT_EQ(bench.stateOf(a), TaskState::Cancelled);
  EXPECT_FALSE(bench.runner->paused());
}

TEST(TaskRunnerHold, AHoldWithoutARunningTaskChangesNothingAndNeverReachesTheNextTask) {
  RunnerBench bench;
  bench.runner->pause();  // idle runner
  EXPECT_FALSE(bench.runner->paused());

  const uint64_t a = bench.enqueueTest(L"a.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"a.zeb"));
  bench.runner->pause();
  ASSERT_TRUE(bench.finish(L"a.zeb", a));  // ends without another report, still held
  EXPECT_EQ(bench.stateOf(a), TaskState::Done);
  EXPECT_FALSE(bench.runner->paused());
  bench.runner->pause();  // between two tasks
  const uint64_t b = bench.enqueueTest(L"b.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"b.zeb"));
  EXPECT_EQ(bench.stateOf(b), TaskState::Running);
  EXPECT_TRUE(bench.work.step(L"b.zeb"));  // answered, so not held
  ASSERT_TRUE(bench.finish(L"b.zeb", b));
}

TEST(TaskRunnerStop, StopEndsAHeldTaskAndDropsTheWaitingOnes) {
  RunnerBench bench;
  const uint64_t a = bench.enqueueTest(L"a.zeb");
  const uint64_t b = bench.enqueueTest(L"b.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"a.zeb"));
  bench.runner->pause();
  bench.work.allowStep(L"a.zeb");
  bench.runner->stop();  // returns once a's work has returned
  bool goOn = true;
  ASSERT_TRUE(bench.work.answer(L"a.zeb", 1, goOn));
  EXPECT_FALSE(goOn);
  EXPECT_EQ(bench.stateOf(a), TaskState::Cancelled);
  EXPECT_EQ(bench.stateOf(b), TaskState::Waiting);
  EXPECT_FALSE(bench.work.started(L"b.zeb"));

  // After a stop a task is still accepted, but it never runs.
  const uint64_t c = bench.enqueueTest(L"c.zeb");
  EXPECT_EQ(c, 3u);
  bench.runner->stop();
  EXPECT_FALSE(bench.work.started(L"c.zeb"));
  EXPECT_EQ(bench.stateOf(c), TaskState::Waiting);
}

TEST(TaskRunnerMove, WaitingTasksSwapWhileOtherRowsStayPut) {
  RunnerBench bench;
  const uint64_t a = bench.enqueueTest(L"a.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"a.zeb"));
  ASSERT_TRUE(bench.finish(L"a.zeb", a));
  const uint64_t b = bench.enqueueTest(L"b.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"b.zeb"));
  const uint64_t c = bench.enqueueTest(L"c.zeb");
  const uint64_t d = bench.enqueueTest(L"d.zeb");
  const uint64_t e = bench.enqueueTest(L"e.zeb");

  struct Case {
    uint64_t id;
    int direction;
    bool moved;
    std::vector<uint64_t> order;
  };
  const Case cases[] = {
      {c, -1, false, {a, b, c, d, e}},  // first waiting task up
      {e, +1, false, {a, b, c, d, e}},  // last one down
      {d, 2, false, {a, b, c, d, e}},   // not a direction
      {b, +1, false, {a, b, c, d, e}},  // running, not waiting
      {a, -1, false, {a, b, c, d, e}},  // finished
      {c, +1, true, {a, b, d, c, e}},  {e, -1, true, {a, b, d, e, c}},
  };
  for (const Case& move : cases) {
    SCOPED_TRACE(move.id);
    EXPECT_EQ(bench.runner->move(move.id, move.direction), move.moved);
    EXPECT_EQ(idsInListOrder(*bench.runner), move.order);
  }
  // The queue follows: d runs next, then e, then c.
  ASSERT_TRUE(bench.finish(L"b.zeb", b));
  ASSERT_TRUE(bench.work.waitStarted(L"d.zeb"));
  EXPECT_FALSE(bench.work.started(L"c.zeb"));
  EXPECT_FALSE(bench.work.started(L"e.zeb"));
  ASSERT_TRUE(bench.finish(L"d.zeb", d));
  ASSERT_TRUE(bench.work.waitStarted(L"e.zeb"));
  EXPECT_FALSE(bench.work.started(L"c.zeb"));
}

TEST(TaskRunnerList, ClearFinishedKeepsTheRunningAndWaitingRowsInOrder) {
  RunnerBench bench;
  const uint64_t a = bench.enqueueTest(L"a.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"a.zeb"));
  ASSERT_TRUE(bench.finish(L"a.zeb", a));
  const uint64_t b = bench.enqueueTest(L"b.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"b.zeb"));
  const uint64_t c = bench.enqueueTest(L"c.zeb");
  const uint64_t d = bench.enqueueTest(L"d.zeb");
  bench.runner->cancel(c);
  bench.runner->clearFinished();
  EXPECT_EQ(idsInListOrder(*bench.runner), (std::vector<uint64_t>{b, d}));

  // The running row carries the live snapshot, keeping its own output path.
  EXPECT_TRUE(bench.work.step(L"b.zeb"));
  const TaskEntry running = bench.runner->entries().front();
  EXPECT_EQ(running.snapshot.progress.bytesDone, 1u);
  EXPECT_TRUE(running.snapshot.active);
  EXPECT_EQ(running.title, L"queue.test");  // no catalogue loaded: the key shows
  EXPECT_EQ(running.detail, L"b.zeb");
}

TEST(TaskRunnerProgress, PostsComeAtMostEvery100MillisecondsAndTheFirstAtOnce) {
  RunnerBench bench;
  const uint64_t a = bench.enqueueTest(L"a.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"a.zeb"));
  struct Step {
    uint64_t advanceMs;
    size_t postsAfter;
  };
  const Step steps[] = {{0, 1}, {50, 1}, {49, 1}, {1, 2}, {99, 2}, {100, 3}, {1000, 4}, {0, 4}};
  for (const Step& step : steps) {
    bench.clock.advance(step.advanceMs);
    EXPECT_TRUE(bench.work.step(L"a.zeb"));
    EXPECT_EQ(bench.fakeWindow.count(AppMessage::TaskProgress), step.postsAfter);
  }
  ASSERT_TRUE(bench.finish(L"a.zeb", a));
  EXPECT_EQ(bench.fakeWindow.count(AppMessage::TaskFinished), 1u);
}

TEST(TaskRunnerProgress, ResetEmptiesTheSnapshot) {
  RunnerBench bench;
  const uint64_t a = bench.enqueueTest(L"a.zeb");
  ASSERT_TRUE(bench.work.waitStarted(L"a.zeb"));
  ASSERT_TRUE(bench.finish(L"a.zeb", a));
  EXPECT_TRUE(bench.runner->progress().finished);
  bench.runner->resetProgress();
  const TaskSnapshot empty = bench.runner->progress();
  EXPECT_FALSE(empty.finished);
  EXPECT_FALSE(empty.active);
  EXPECT_EQ(empty.kind, 0);
  EXPECT_EQ(empty.stats.entries, 0u);
}

}  // namespace
}  // namespace tolzeb::ui
