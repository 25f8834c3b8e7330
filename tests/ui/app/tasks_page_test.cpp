#include "ui/app/tasks_page.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "page_paint_fixture.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/palette.h"

namespace tolzeb::ui {
namespace {

using testing::kColumnLeft;
using testing::kColumnRight;
using testing::kColumnTop;
using testing::kPageArea;
using Kind = DrawCall::Kind;

using testing::L;
using testing::R;
constexpr float kActionRow = kColumnTop + 94;
constexpr float kCardTop = kActionRow + 56;
constexpr float kFirstRow = kCardTop + 58;
constexpr uint64_t kMiB = 1048576;

TaskEntry task(TaskState state, std::wstring title = L"report.zeb") {
  TaskEntry entry;
  entry.state = state;
  entry.title = std::move(title);
  return entry;
}
TaskEntry running(uint64_t done, uint64_t total, double seconds, TaskState state = TaskState::Running) {
  TaskEntry entry = task(state);
  entry.snapshot.progress.bytesDone = done;
  entry.snapshot.progress.bytesTotal = total;
  entry.snapshot.elapsedSeconds = seconds;
  return entry;
}

TEST(TaskRemainingTime, EstimateFromTheAverageRate) {
  struct {
    uint64_t done, total;
    double elapsed;
    std::optional<double> expected;
  } cases[] = {
      {0, 100, 10, std::nullopt},    // nothing done yet
      {50, 100, 0.5, std::nullopt},  // under a second
      {50, 100, 0.999, std::nullopt},
      {50, 100, 1, 1.0},  // from the first second on
      {25, 100, 10, 30.0},
      {1, 3, 2, 4.0},            // kept in floating point, not truncated to whole bytes
      {100, 100, 0, 0.0},        // done: 0, even before the first second
      {150, 100, 5, 0.0},        // more than the total
      {10, 0, 5, std::nullopt},  // no total
      {uint64_t(1) << 62, uint64_t(1) << 63, 100, 100.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.done << " of " << c.total << " in " << c.elapsed);
    const std::optional<double> left = remainingSeconds(c.done, c.total, c.elapsed);
    ASSERT_EQ(left.has_value(), c.expected.has_value());
    if (left) {
      EXPECT_DOUBLE_EQ(*left, *c.expected);
    }
  }
}

class TaskDetails : public testing::PagePaintTest {
 protected:
  TaskDetails() : PagePaintTest(paintTasksPage) {}
};

TEST_F(TaskDetails, LineOfEachState) {
  TaskEntry waiting = task(TaskState::Waiting);
  waiting.detail = L"3 sources";
  TaskEntry done = task(TaskState::Done);
  done.snapshot.stats.files = 1;
  done.snapshot.stats.inputBytes = 512;
  done.snapshot.elapsedSeconds = 2.34;
  TaskEntry doneMany = done;
  doneMany.snapshot.stats.files = 1200;
  doneMany.snapshot.stats.inputBytes = 0;
  doneMany.snapshot.elapsedSeconds = 0;
  TaskEntry failedWithCode = task(TaskState::Failed);
  failedWithCode.snapshot.errorCode = 4;
  TaskEntry failedWithoutCode = task(TaskState::Failed);
  failedWithoutCode.snapshot.errorMessage = L"ignored";

  struct {
    const char* name;
    TaskEntry entry;
    std::wstring expected;
  } cases[] = {
      {"waiting", waiting, L"3 sources"},
      {"done", done, L"1 file \u00B7 512 B \u00B7 2.3 s"},
      {"done, many files", doneMany, L"1,200 files \u00B7 0 B \u00B7 0.0 s"},
      {"failed with a code", failedWithCode, L"The password is wrong, or the archive has been altered"},
      {"failed without a code", failedWithoutCode, L"Failed"},
      {"cancelled", task(TaskState::Cancelled), L"Stopped before it finished"},
      {"running, nothing done", running(0, 4 * kMiB, 3), L"0 B of 4.0 MB  \u00B7  0:03  \u00B7  estimating..."},
      {"running, first second", running(kMiB, 4 * kMiB, 0.4), L"1.0 MB of 4.0 MB  \u00B7  0:00  \u00B7  estimating..."},
      {"running, a quarter", running(kMiB, 4 * kMiB, 10), L"1.0 MB of 4.0 MB  \u00B7  0:10  \u00B7  about 0:30 left"},
      {"running, all done", running(4 * kMiB, 4 * kMiB, 8), L"4.0 MB of 4.0 MB  \u00B7  0:08  \u00B7  about 0:00 left"},
      {"running, no total", running(512, 0, 65), L"512 B  \u00B7  1:05"},
      {"held", running(kMiB, 4 * kMiB, 10, TaskState::Held), L"1.0 MB of 4.0 MB  \u00B7  0:10  \u00B7  held"},
      {"held, no total", running(512, 0, 10, TaskState::Held), L"512 B  \u00B7  0:10  \u00B7  held"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(paintTaskDetails(c.entry), c.expected);
  }
}

class TasksPage : public testing::PagePaintTest {
 protected:
  TasksPage() : PagePaintTest(paintTasksPage) {}

  // The recording canvas measures text wider than the real one, and the English subtitle would
  // wrap there; a short one keeps the heading on its one line so the page's fixed places show.
  i18n::testing::StateGuard shortSubtitle{
      i18n::testing::catalogFromJson(L"en-US", R"({"tasks": {"subtitle": "Jobs run one at a time."}})"),
      i18n::loadCatalog(L"en-US"), &i18n::englishLanguage()};

  bool enabled(uint16_t command, int32_t argument = -1) const { return region(command, argument) != nullptr; }
  std::optional<DrawCall> fillAt(Rect rect) const {
    for (const DrawCall& call : callsOf(Kind::FillRoundedRect)) {
      if (call.rect == rect) return call;
    }
    return std::nullopt;
  }
};

TEST_F(TasksPage, EmptyQueue) {
  const float height = paint();
  const auto empty =
      text(L"Nothing has been started yet. Compressing, extracting, verifying and the Tools all appear here.");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->rect, (Rect{L + 18, kCardTop + 74, R - 18, kCardTop + 122}));
  ASSERT_EQ(cards().size(), 1u);
  EXPECT_EQ(cards()[0], (Rect{L, kCardTop, R, kCardTop + 58 + 96 + 14}));
  EXPECT_EQ(height, 24 + 94 + 56 + 58 + 96 + 14);
  EXPECT_TRUE(drewText(L"Hold"));
  EXPECT_TRUE(drewText(L"Clear finished"));
  EXPECT_TRUE(regions.empty()) << "both action buttons are disabled";
  const auto summary = text(L"0 waiting \u00B7 0 finished");
  ASSERT_TRUE(summary);
  EXPECT_EQ(summary->rect, (Rect{L + 360, kActionRow + 8, R, kActionRow + 30}));
}

// Which buttons each row of a queue offers: Up needs a row above, Down a waiting row below, Stop an
// unfinished task; finished rows have none.
TEST_F(TasksPage, ButtonsOfEachRow) {
  struct {
    const char* name;
    std::vector<TaskState> queue;
    std::vector<std::pair<uint16_t, int32_t>> regions;
  } cases[] = {
      {"three waiting",
       {TaskState::Waiting, TaskState::Waiting, TaskState::Waiting},
       {{126, 0}, {127, 0}, {124, 0}, {125, 1}, {126, 1}, {127, 1}, {124, 1}, {125, 2}, {127, 2}, {124, 2}}},
      {"running, then waiting",
       {TaskState::Running, TaskState::Waiting, TaskState::Waiting},
       {{129, -1}, {127, 0}, {124, 0}, {125, 1}, {126, 1}, {127, 1}, {124, 1}, {125, 2}, {127, 2}, {124, 2}}},
      {"waiting above a finished task",
       {TaskState::Waiting, TaskState::Done, TaskState::Waiting},
       {{128, -1}, {127, 0}, {124, 0}, {124, 1}, {125, 2}, {127, 2}, {124, 2}}},
      {"only finished",
       {TaskState::Done, TaskState::Failed, TaskState::Cancelled},
       {{128, -1}, {124, 0}, {124, 1}, {124, 2}}},
      {"held", {TaskState::Held}, {{129, -1}, {127, 0}, {124, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state.taskEntries.clear();
    for (TaskState s : c.queue) state.taskEntries.push_back(task(s));
    paint();
    std::vector<std::pair<uint16_t, int32_t>> recorded;
    for (const HitRegion& r : regions) recorded.emplace_back(r.command, r.argument);
    EXPECT_EQ(recorded, c.regions);
  }
}

TEST_F(TasksPage, RowGeometry) {
  state.taskEntries = {task(TaskState::Waiting), task(TaskState::Waiting)};
  const float height = paint();
  EXPECT_EQ(height, 24 + 94 + 56 + 58 + 2 * 86 + 14);
  EXPECT_EQ(cards()[0], (Rect{L, kCardTop, R, kCardTop + 58 + 2 * 86 + 14}));
  const float y = kFirstRow + 86;
  const float rowLeft = L + 12, rowRight = R - 12;
  const HitRegion* row = region(124, 1);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->rect(), (Rect{rowLeft, y, rowRight, y + 86}));
  EXPECT_FALSE(row->focusable);
  EXPECT_EQ(region(125, 1)->rect(), (Rect{rowRight - 264, y + 24, rowRight - 194, y + 58}));
  EXPECT_EQ(region(127, 1)->rect(), (Rect{rowRight - 90, y + 24, rowRight - 12, y + 58}));
  EXPECT_EQ(region(126, 0)->rect(), (Rect{rowRight - 186, kFirstRow + 24, rowRight - 98, kFirstRow + 58}));
  EXPECT_TRUE(drewText(L"Up"));
  EXPECT_TRUE(drewText(L"Down"));
  EXPECT_TRUE(drewText(L"Stop"));
  EXPECT_TRUE(drewText(L"2 waiting \u00B7 0 finished"));
}

TEST_F(TasksPage, ScrollingMovesTheRowsButNotTheHeight) {
  state.taskEntries = {task(TaskState::Waiting)};
  const float height = paint();
  state.scrollOffset = 40;
  EXPECT_EQ(paint(), height);
  EXPECT_EQ(region(124, 0)->rect().top, kFirstRow - 40);
}

TEST_F(TasksPage, RunningRowWithProgressBar) {
  state.taskEntries = {running(kMiB, 4 * kMiB, 10), task(TaskState::Done)};
  state.taskEntries[1].snapshot.stats.files = 2;
  paint();
  const float rowLeft = L + 12, rowRight = R - 12;
  EXPECT_EQ(fillAt({rowLeft, kFirstRow, rowRight, kFirstRow + 86})->color, palette::brandTint);
  const Rect track{rowLeft + 128, kFirstRow + 62, rowRight - 278, kFirstRow + 68};
  EXPECT_EQ(fillAt(track)->color, palette::divider);
  const auto bar = fillAt({track.left, track.top, track.left + track.width() / 4, track.bottom});
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->color, palette::brandRed);
  const auto word = text(L"Running");
  ASSERT_TRUE(word);
  EXPECT_EQ(word->color, palette::brandRed);
  EXPECT_EQ(word->rect, (Rect{rowLeft + 14, kFirstRow + 10, rowLeft + 120, kFirstRow + 30}));
  EXPECT_EQ(text(L"Done")->color, palette::textSecondary);
  EXPECT_TRUE(drewText(L"0 waiting \u00B7 1 finished"));
  // The finished row has no bar and no fill until hovered.
  EXPECT_FALSE(fillAt({rowLeft, kFirstRow + 86, rowRight, kFirstRow + 172}));
  state.hoverId = 124;
  state.hoverIndex = 1;
  paint();
  EXPECT_EQ(fillAt({rowLeft, kFirstRow + 86, rowRight, kFirstRow + 172})->color, palette::hoverOverlay);
}

TEST_F(TasksPage, ProgressBarIsClampedAndEmptyBarsAreNotDrawn) {
  const float rowLeft = L + 12, rowRight = R - 12;
  const Rect track{rowLeft + 128, kFirstRow + 62, rowRight - 278, kFirstRow + 68};
  struct {
    uint64_t done, total;
    int barFills;  // fills in the accent on the track, 0 or 1
    float width;
  } cases[] = {{0, 100, 0, 0}, {50, 100, 1, track.width() / 2}, {300, 100, 1, track.width()}, {5, 0, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.done << " of " << c.total);
    state.taskEntries = {running(c.done, c.total, 3)};
    paint();
    std::vector<DrawCall> bars;
    for (const DrawCall& call : callsOf(Kind::FillRoundedRect)) {
      if (call.rect.top == track.top && call.color == palette::brandRed) bars.push_back(call);
    }
    ASSERT_EQ(static_cast<int>(bars.size()), c.barFills);
    if (c.barFills) {
      EXPECT_FLOAT_EQ(bars[0].rect.width(), c.width);
    }
    EXPECT_EQ(fillAt(track).has_value(), c.total != 0);
  }
}

TEST_F(TasksPage, HeldTaskOffersResumeAndKeepsItsTint) {
  state.taskEntries = {running(kMiB, 4 * kMiB, 10, TaskState::Held)};
  state.taskPaused = true;
  paint();
  EXPECT_TRUE(drewText(L"Resume"));
  EXPECT_FALSE(drewText(L"Hold"));
  EXPECT_EQ(region(129)->rect(), (Rect{L, kActionRow, L + 150, kActionRow + 38}));
  EXPECT_EQ(fillAt({L + 12, kFirstRow, R - 12, kFirstRow + 86})->color, palette::brandTint);
  EXPECT_EQ(text(L"Held")->color, palette::textSecondary);
  EXPECT_TRUE(drewText(L"1.0 MB of 4.0 MB  \u00B7  0:10  \u00B7  held"));
}

TEST_F(TasksPage, LongTitleIsShortenedToItsColumn) {
  state.taskEntries = {task(TaskState::Waiting, std::wstring(400, L'x'))};
  paint();
  const float width = (R - 12 - 278) - (L + 12 + 128);
  int titles = 0;
  for (const DrawCall& call : callsOf(Kind::Text)) {
    if (call.style != TextStyle::BodyStrong || call.rect.left != L + 12 + 128) continue;  // not a button label
    ++titles;
    EXPECT_LE(canvas.measureText(call.text, TextStyle::BodyStrong, 1e6f).width, width);
    EXPECT_NE(call.text.find(L"..."), std::wstring::npos);
  }
  EXPECT_EQ(titles, 1);
}

}  // namespace
}  // namespace tolzeb::ui
