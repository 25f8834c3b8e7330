// Every kind of task over the real engine and foreign formats, on real files: the figures that
// reach the snapshot, and that a hold and a cancel take effect at the engine's progress reports.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/fs.h"
#include "support/random_bytes.h"
#include "task_test_support.h"
#include "ui/app/export_files.h"
#include "ui/app/task_outcome.h"

namespace tolzeb::ui {
namespace {

namespace stdfs = std::filesystem;
using testing::eventually;
using testing::FakeWindow;

class Workspace {
 public:
  Workspace() {
    static std::atomic<int> counter{0};
    root_ = stdfs::temp_directory_path() /
            ("tolzeb-task-test-" + std::to_string(currentProcessId()) + "-" + std::to_string(counter++));
    stdfs::remove_all(root_);
    stdfs::create_directories(root_);
  }
  ~Workspace() {
    std::error_code ignored;
    stdfs::remove_all(root_, ignored);
  }
  std::wstring path(const std::wstring& name) const { return joinPath(root_.wstring(), name); }

  void write(const std::wstring& name, const std::vector<uint8_t>& bytes) const {
    std::wstring parent;
    std::wstring leaf;
    splitPath(path(name), parent, leaf);
    ASSERT_TRUE(createDirectories(parent).ok());
    Result<UniqueHandle> file = openForWrite(path(name), false);
    ASSERT_TRUE(file.hasValue());
    ASSERT_TRUE(file->writeAll(bytes.data(), bytes.size()).ok());
  }

  std::vector<uint8_t> read(const std::wstring& fullPath) const {
    Result<UniqueHandle> file = openForRead(fullPath);
    if (file.failed()) return {};
    std::vector<uint8_t> bytes(size_t(file->fileSize().value()));
    EXPECT_TRUE(file->readAt(0, bytes.data(), bytes.size()).hasValue());
    return bytes;
  }

 private:
  stdfs::path root_;
};

// A runner over the linked engine; `onProgressPost` runs on the worker inside a progress report.
class EngineBench {
 public:
  EngineBench() {
    TaskRunnerServices services;
    services.post = [this](WindowHandle window, AppMessage message, uintptr_t wParam, intptr_t lParam) {
      if (message == AppMessage::TaskProgress && onProgressPost) onProgressPost();
      return fakeWindow.post(window, message, wParam, lParam);
    };
    // Every report is posted, so every report is a point where a test can step in.
    services.tickMilliseconds = [this] { return ticks += TaskRunner::kProgressPostIntervalMs; };
    runner = std::make_unique<TaskRunner>(std::move(services));
  }

  TaskSnapshot run(const TaskRequest& request) {
    const uint64_t id = runner->enqueue(request, fakeWindow.handle());
    EXPECT_NE(id, 0u);
    EXPECT_TRUE(fakeWindow.waitFinished(id));
    const TaskSnapshot snapshot = runner->progress();
    if (!snapshot.succeeded) {
      ADD_FAILURE() << "task " << request.kind << " failed: " << snapshot.errorCode << " "
                    << std::string(snapshot.errorMessage.begin(), snapshot.errorMessage.end());
    }
    return snapshot;
  }

  TaskSnapshot runExpectingFailure(const TaskRequest& request) {
    const uint64_t id = runner->enqueue(request, fakeWindow.handle());
    EXPECT_TRUE(fakeWindow.waitFinished(id));
    return runner->progress();
  }

  FakeWindow fakeWindow;
  std::atomic<uint64_t> ticks{1000000};
  std::function<void()> onProgressPost;
  std::unique_ptr<TaskRunner> runner;
};

TaskRequest taskOf(TaskKind kind, const std::wstring& path) {
  TaskRequest request;
  request.kind = int32_t(kind);
  request.path = path;
  request.compression.chunkSize = kMinChunkSize;
  request.compression.kdfIterations = kMinKdfIterations;
  return request;
}

// Three files, two of them alike, about 1.3 MiB in all.
void writeSources(const Workspace& space) {
  const std::vector<uint8_t> photo = tolzeb::testing::randomBytes(600000, 1);
  space.write(L"src/photo.raw", photo);
  space.write(L"src/copy/photo.raw", photo);
  space.write(L"src/notes.txt", std::vector<uint8_t>(100000, 'n'));
}

TEST(TaskRunnerEngine, EveryKindOnARealZebArchive) {
  Workspace space;
  writeSources(space);
  EngineBench bench;
  const std::wstring archive = space.path(L"set.zeb");

  TaskRequest create = taskOf(TaskKind::Create, archive);
  create.sources = {space.path(L"src")};
  create.recoveryPercent = 5;
  const TaskSnapshot created = bench.run(create);
  EXPECT_EQ(created.stats.files, 3u);
  EXPECT_EQ(created.stats.inputBytes, 1300000u);
  EXPECT_EQ(created.recovery.layout.percent, 5u);
  EXPECT_EQ(created.outputPath, archive);
  EXPECT_FALSE(pathExists(archive + L".partial"));

  const TaskSnapshot verified = bench.run(taskOf(TaskKind::Verify, archive));
  const TaskSnapshot tested = bench.run(taskOf(TaskKind::Test, archive));
  EXPECT_EQ(verified.stats.inputBytes, 1300000u);
  EXPECT_EQ(verified.stats.entries, tested.stats.entries);
  EXPECT_EQ(verified.stats.inputBytes, tested.stats.inputBytes);

  TaskRequest extract = taskOf(TaskKind::Extract, archive);
  extract.destination = space.path(L"out");
  EXPECT_EQ(bench.run(extract).stats.files, 3u);
  EXPECT_EQ(space.read(joinPath(space.path(L"out"), L"src" + std::wstring(1, kPathSeparator) + L"notes.txt")),
            std::vector<uint8_t>(100000, 'n'));

  TaskRequest exportOne = taskOf(TaskKind::Export, archive);
  exportOne.destination = space.path(L"out");
  exportOne.selection = {L"src/notes.txt"};
  space.write(L"out/notes.txt", {'o', 'l', 'd'});
  const TaskSnapshot exported = bench.run(exportOne);
  EXPECT_EQ(exported.outputPath, space.path(L"out" + std::wstring(1, kPathSeparator) + L"notes (2).txt"));
  EXPECT_EQ(space.read(exported.outputPath).size(), 100000u);
  EXPECT_EQ(space.read(space.path(L"out" + std::wstring(1, kPathSeparator) + L"notes.txt")).size(), 3u);

  const TaskSnapshot duplicates = bench.run(taskOf(TaskKind::Duplicates, archive));
  EXPECT_EQ(duplicates.duplicateGroups, 1u);
  EXPECT_EQ(duplicates.duplicateReclaimable, 600000u);

  TaskRequest compare = taskOf(TaskKind::Compare, archive);
  compare.compareFolder = space.path(L"out");
  compare.deepCompare = true;
  const TaskSnapshot compared = bench.run(compare);
  EXPECT_EQ(compared.compareIdentical, 0u);
  EXPECT_GT(compared.compareOnlyInArchive + compared.compareOnlyInFolder, 0u);
  DuplicateReport groups;
  CompareResult rows;
  bench.runner->takeResult(groups, rows);
  EXPECT_EQ(groups.groups.size(), 1u);
  EXPECT_TRUE(rows.hashed);

  const TaskSnapshot scanned = bench.run(taskOf(TaskKind::Scan, archive));
  EXPECT_GT(scanned.recovery.shardsChecked, 0u);
  EXPECT_EQ(scanned.recovery.damagedShards, 0u);
  EXPECT_EQ(bench.run(taskOf(TaskKind::Repair, archive)).recovery.damagedShards, 0u);

  TaskRequest split = taskOf(TaskKind::Split, archive);
  split.partSize = 262144;
  const TaskSnapshot parts = bench.run(split);
  EXPECT_GE(parts.parts.partCount, 3u);
  TaskRequest merge = taskOf(TaskKind::Merge, archive + L".001");
  merge.destination = space.path(L"merged.zeb");
  const TaskSnapshot merged = bench.run(merge);
  EXPECT_EQ(merged.parts.partCount, parts.parts.partCount);
  EXPECT_EQ(space.read(merge.destination), space.read(archive));
}

TEST(TaskRunnerEngine, ForeignFormatsAreWrittenAndTested) {
  Workspace space;
  writeSources(space);
  EngineBench bench;
  struct Case {
    uint8_t format;
    const wchar_t* name;
  };
  const Case cases[] = {{2, L"set.zip"}, {3, L"set.tar"}, {4, L"set.tar.gz"}, {5, L"set.7z"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.format));
    TaskRequest create = taskOf(TaskKind::Create, space.path(c.name));
    create.sources = {space.path(L"src")};
    create.format = c.format;
    create.recoveryPercent = 10;  // ignored outside the own format
    create.compression.mode = CompressionMode::lightning;
    const TaskSnapshot created = bench.run(create);
    EXPECT_EQ(created.recovery.layout.percent, 0u);
    const TaskSnapshot verified = bench.run(taskOf(TaskKind::Verify, space.path(c.name)));
    EXPECT_EQ(verified.stats.files, 3u);
  }
}

TEST(TaskRunnerEngine, ACancelledCreateLeavesNeitherArchiveNorPartialFile) {
  Workspace space;
  writeSources(space);
  EngineBench bench;
  bench.onProgressPost = [&] { bench.runner->cancelCurrent(); };
  TaskRequest create = taskOf(TaskKind::Create, space.path(L"set.zeb"));
  create.sources = {space.path(L"src")};
  create.recoveryPercent = 5;
  const TaskSnapshot cancelled = bench.runExpectingFailure(create);
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(cancelled.errorCode, int32_t(StatusCode::canceled));
  EXPECT_EQ(cancelled.keptArchive, KeptArchive::None);
  EXPECT_STREQ(cancelledSummaryKey(cancelled), "task.nothing_left_behind");
  EXPECT_FALSE(pathExists(space.path(L"set.zeb")));
  EXPECT_FALSE(pathExists(space.path(L"set.zeb.partial")));
}

TEST(TaskRunnerEngine, ACancelAfterTheArchiveIsInPlaceKeepsItWhole) {
  struct Case {
    const char* what;
    // Cancelled at the first report of this phase that follows a report of `after`.
    Progress::Phase after;
    Progress::Phase at;
    KeptArchive kept;
  };
  const Case cases[] = {
      {"while checking", Progress::Phase::Writing, Progress::Phase::Verifying, KeptArchive::Unchecked},
      {"while adding the record", Progress::Phase::Verifying, Progress::Phase::Writing, KeptArchive::WithoutRecord},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Workspace space;
    writeSources(space);
    EngineBench bench;
    const std::wstring archive = space.path(L"set.zeb");
    bool seenAfter = false;
    bench.onProgressPost = [&] {
      const Progress::Phase phase = bench.runner->progress().progress.phase;
      if (seenAfter && phase == c.at) bench.runner->cancelCurrent();
      seenAfter = seenAfter || phase == c.after;
    };
    TaskRequest create = taskOf(TaskKind::Create, archive);
    create.sources = {space.path(L"src")};
    create.recoveryPercent = 5;
    const TaskSnapshot cancelled = bench.runExpectingFailure(create);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelled.keptArchive, c.kept);
    EXPECT_FALSE(pathExists(archive + L".partial"));

    bench.onProgressPost = nullptr;
    EXPECT_EQ(bench.run(taskOf(TaskKind::Verify, archive)).stats.files, 3u);
    const TaskSnapshot scan = bench.runExpectingFailure(taskOf(TaskKind::Scan, archive));
    EXPECT_EQ(scan.errorCode, int32_t(StatusCode::not_found));
  }
}

TEST(TaskRunnerEngine, AHeldExtractionWaitsInsideItsProgressReportUntilCancelled) {
  Workspace space;
  writeSources(space);
  EngineBench bench;
  TaskRequest create = taskOf(TaskKind::Create, space.path(L"set.zeb"));
  create.sources = {space.path(L"src")};
  bench.run(create);

  std::atomic<int> reports{0};
  bench.onProgressPost = [&] {
    if (++reports == 1) bench.runner->pause();
  };
  TaskRequest extract = taskOf(TaskKind::Extract, space.path(L"set.zeb"));
  extract.destination = space.path(L"out");
  const uint64_t id = bench.runner->enqueue(extract, bench.fakeWindow.handle());
  // Held at the second report: no third report comes while held.
  ASSERT_TRUE(eventually([&] { return bench.runner->paused() && reports.load() >= 1; }));
  EXPECT_EQ(bench.runner->entries().back().state, TaskState::Held);
  const uint64_t ticksWhenHeld = bench.ticks.load();
  bench.runner->cancel(id);
  ASSERT_TRUE(bench.fakeWindow.waitFinished(id));
  const TaskSnapshot cancelled = bench.runner->progress();
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_GE(bench.ticks.load(), ticksWhenHeld);
  EXPECT_STREQ(cancelledSummaryKey(cancelled), "task.cancelled_files_kept");
  EXPECT_EQ(bench.runner->entries().back().state, TaskState::Cancelled);
}

}  // namespace
}  // namespace tolzeb::ui
