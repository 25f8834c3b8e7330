// Exporting one entry into a real folder, with the extraction itself stood in for: the free name,
// the refusals, and that the staging folder goes and nothing already there is touched.
#include "ui/app/export_entry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/fs.h"
#include "task_test_support.h"
#include "ui/app/export_files.h"

namespace tolzeb::ui {
namespace {

namespace stdfs = std::filesystem;

class ScratchFolder {
 public:
  ScratchFolder() {
    static std::atomic<int> counter{0};
    path_ = stdfs::temp_directory_path() /
            ("tolzeb-export-test-" + std::to_string(currentProcessId()) + "-" + std::to_string(counter++));
    stdfs::remove_all(path_);
    stdfs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    stdfs::remove_all(path_, ignored);
  }
  std::wstring wide() const { return path_.wstring(); }
  std::wstring file(const std::wstring& name) const { return joinPath(wide(), name); }

 private:
  stdfs::path path_;
};

void writeText(const std::wstring& path, const std::string& text) {
  std::wstring parent;
  std::wstring name;
  splitPath(path, parent, name);
  ASSERT_TRUE(createDirectories(parent).ok());
  Result<UniqueHandle> file = openForWrite(path, false);
  ASSERT_TRUE(file.hasValue());
  ASSERT_TRUE(file->writeAll(text.data(), text.size()).ok());
}

std::string readText(const std::wstring& path) {
  Result<UniqueHandle> file = openForRead(path);
  if (file.failed()) return "<missing>";
  std::string text(256, '\0');
  Result<uint64_t> read = file->readAt(0, text.data(), text.size());
  text.resize(read.hasValue() ? size_t(read.value()) : 0);
  return text;
}

// The names in a folder, sorted.
std::vector<std::wstring> namesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  for (const auto& item : stdfs::directory_iterator(stdfs::path(folder)))
    names.push_back(item.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

// An archive of one kind whose extraction writes each selected entry with the text "fresh".
struct FakeExtraction {
  FakeExtraction() {
    engine.detectArchiveKind = [](const std::wstring&) -> Result<ArchiveKind> { return ArchiveKind::zip; };
    engine.extractAnyArchive = [this](const std::wstring&, ArchiveKind kind, const std::wstring& destination,
                                      const std::vector<std::wstring>& selection, const ExtractOptions&,
                                      const ProgressCallback&) -> Result<ArchiveStats> {
      ++calls;
      EXPECT_EQ(kind, ArchiveKind::zip);
      stagingSeen = destination;
      if (beforeWriting) beforeWriting();
      if (failure) return *failure;
      for (std::wstring entry : selection) {
        std::replace(entry.begin(), entry.end(), L'/', kPathSeparator);
        writeText(joinPath(destination, entry), "fresh");
      }
      ArchiveStats stats;
      stats.files = 1;
      stats.inputBytes = 5;
      return stats;
    };
  }

  EngineCalls engine;
  int calls = 0;
  std::wstring stagingSeen;
  std::function<void()> beforeWriting;
  std::optional<Failure> failure;
};

TaskRequest exportRequest(const std::wstring& destination, std::vector<std::wstring> selection) {
  TaskRequest request;
  request.kind = int32_t(TaskKind::Export);
  request.path = L"archive.zip";
  request.destination = destination;
  request.selection = std::move(selection);
  return request;
}

TEST(NumberedName, SuffixGoesBeforeTheLastDotUnlessItLeadsTheName) {
  struct Case {
    const wchar_t* name;
    uint64_t n;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"Photos.zeb", 0, L"Photos.zeb"}, {L"Photos.zeb", 1, L"Photos.zeb"},     {L"Photos.zeb", 2, L"Photos (2).zeb"},
      {L"Photos", 3, L"Photos (3)"},     {L"report.old", 2, L"report (2).old"}, {L"a.tar.gz", 2, L"a.tar (2).gz"},
      {L".profile", 2, L".profile (2)"}, {L"name.", 10, L"name (10)."},         {L"x", 1000, L"x (1000)"},
  };
  for (const Case& c : cases) EXPECT_EQ(numberedName(c.name, c.n), c.expected) << c.n;
}

TEST(ExportEntries, TakesTheFirstFreeNameAndLeavesNoStagingBehind) {
  ScratchFolder folder;
  writeText(folder.file(L"readme.txt"), "old one");
  struct Case {
    const char* add;  // written before the export, besides readme.txt
    const wchar_t* expected;
  };
  const Case cases[] = {{nullptr, L"readme (2).txt"}, {nullptr, L"readme (3).txt"}};
  for (const Case& c : cases) {
    FakeExtraction fake;
    Result<ExportedEntry> exported =
        exportEntries(fake.engine, exportRequest(folder.wide(), {L"docs/readme.txt"}), nullptr);
    ASSERT_TRUE(exported.hasValue()) << std::string(exported.failure().message.begin(),
                                                    exported.failure().message.end());
    EXPECT_EQ(exported->path, folder.file(c.expected));
    EXPECT_EQ(exported->stats.inputBytes, 5u);
    EXPECT_EQ(readText(exported->path), "fresh");
    EXPECT_FALSE(pathExists(fake.stagingSeen));
  }
  EXPECT_EQ(readText(folder.file(L"readme.txt")), "old one");
  EXPECT_EQ(namesIn(folder.wide()), (std::vector<std::wstring>{L"readme (2).txt", L"readme (3).txt", L"readme.txt"}));
}

TEST(ExportEntries, RefusesBeforeWritingAnything) {
  ScratchFolder folder;
  struct Case {
    std::wstring destination;
    std::vector<std::wstring> selection;
    StatusCode code;
    std::wstring message;
  };
  const Case cases[] = {
      {folder.wide(), {}, StatusCode::invalid_argument, L"queue.export_needs_one_entry"},
      {folder.wide(), {L"a.txt", L"b.txt"}, StatusCode::invalid_argument, L"queue.export_needs_one_entry"},
      {folder.wide(), {L""}, StatusCode::invalid_argument, L"queue.export_needs_one_entry"},
      {L"", {L"a.txt"}, StatusCode::invalid_argument, L"queue.export_needs_folder"},
      {folder.wide(), {L"docs/"}, StatusCode::path_unsafe, L""},
      {folder.wide(), {L"../a.txt"}, StatusCode::path_unsafe, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    FakeExtraction fake;
    Result<ExportedEntry> exported = exportEntries(fake.engine, exportRequest(c.destination, c.selection), nullptr);
    ASSERT_TRUE(exported.failed());
    EXPECT_EQ(exported.failure().code, c.code);
    if (!c.message.empty()) {
      EXPECT_EQ(exported.failure().message, c.message);
    }
    EXPECT_EQ(fake.calls, 0);
  }
  EXPECT_TRUE(namesIn(folder.wide()).empty());
}

TEST(ExportEntries, AFailedExtractionOrMoveRemovesTheStagingFolderAndOverwritesNothing) {
  ScratchFolder folder;
  {
    FakeExtraction fake;
    fake.failure = Failure{StatusCode::corrupt_archive, L"Bad entry"};
    fake.beforeWriting = [&] { writeText(joinPath(fake.stagingSeen, L"half.txt"), "half"); };
    Result<ExportedEntry> exported = exportEntries(fake.engine, exportRequest(folder.wide(), {L"a.txt"}), nullptr);
    ASSERT_TRUE(exported.failed());
    EXPECT_EQ(exported.failure().code, StatusCode::corrupt_archive);
    EXPECT_EQ(exported.failure().message, L"Bad entry");
    EXPECT_TRUE(namesIn(folder.wide()).empty());
  }
  {
    // The chosen name is taken while the entry is being read: the move refuses to replace it.
    FakeExtraction fake;
    fake.beforeWriting = [&] { writeText(folder.file(L"a.txt"), "someone else's"); };
    Result<ExportedEntry> exported = exportEntries(fake.engine, exportRequest(folder.wide(), {L"sub/a.txt"}), nullptr);
    ASSERT_TRUE(exported.failed());
    EXPECT_EQ(exported.failure().code, StatusCode::io_failure);
    EXPECT_EQ(exported.failure().message, L"queue.export_write_failed");
    EXPECT_EQ(readText(folder.file(L"a.txt")), "someone else's");
    EXPECT_EQ(namesIn(folder.wide()), (std::vector<std::wstring>{L"a.txt"}));
  }
}

TEST(ExportEntries, AFolderThatIsAlreadyThereIsNeverTakenForStaging) {
  ScratchFolder folder;
  const std::wstring existing = folder.file(L".tolzeb-export-1-2");
  writeText(joinPath(existing, L"keep.txt"), "keep");
  const Status made = createFreshDirectory(existing);
  ASSERT_TRUE(made.failed());
  EXPECT_EQ(made.code(), StatusCode::already_exists);
  EXPECT_EQ(readText(joinPath(existing, L"keep.txt")), "keep");
}

TEST(TaskRunnerExport, TheSnapshotNamesTheExportedFile) {
  ScratchFolder folder;
  FakeExtraction fake;
  TaskRunnerServices services;
  services.engine = &fake.engine;
  testing::FakeWindow window;
  services.post = [&](WindowHandle handle, AppMessage message, uintptr_t wParam, intptr_t lParam) {
    return window.post(handle, message, wParam, lParam);
  };
  TaskRunner runner(std::move(services));
  const uint64_t id = runner.enqueue(exportRequest(folder.wide(), {L"dir/photo.png"}), window.handle());
  ASSERT_TRUE(window.waitFinished(id));
  const TaskSnapshot snapshot = runner.progress();
  EXPECT_TRUE(snapshot.succeeded);
  EXPECT_EQ(snapshot.outputPath, folder.file(L"photo.png"));
  EXPECT_EQ(snapshot.stats.inputBytes, 5u);
  EXPECT_EQ(runner.entries().front().snapshot.outputPath, folder.file(L"photo.png"));
}

}  // namespace
}  // namespace tolzeb::ui
