// Closing the window while a task writes an archive: the close ends the task within the
// deadline and the task leaves neither an archive nor its staging file behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "engine/core/fs.h"
#include "formats/engine_calls.h"
#include "support/random_bytes.h"
#include "support/temp_folder.h"
#include "ui/app/app_window.h"
#include "ui/app/fake_window_host.h"
#include "ui/app/task_test_support.h"

namespace tolzeb::ui::testing {
namespace {

bool waitFor(const std::atomic<bool>& flag) {
  auto until = std::chrono::steady_clock::now() + kDeadline;
  while (!flag.load()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST(WindowCloseTest, ClosingWhileATaskWritesEndsItAndLeavesNothingBehind) {
  tolzeb::testing::TempFolder folder;
  std::wstring sources = folder / L"sources";
  ASSERT_TRUE(createDirectories(sources).ok());
  for (int i = 0; i < 4; ++i) {
    std::vector<uint8_t> bytes = tolzeb::testing::randomBytes(1 << 20, uint32_t(i));
    std::ofstream(std::filesystem::path(sources) / ("f" + std::to_string(i)), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }

  // The real engine, held at its first progress report until the window is closing, so that the
  // close always meets the task in the middle of its writing.
  EngineCalls engine = linkedEngine();
  std::atomic<bool> writing{false}, closing{false};
  auto realCreate = engine.createArchive;
  engine.createArchive = [&](const Sources& from, const std::wstring& output, const CompressionOptions& options,
                             const ProgressCallback& progress) {
    ProgressCallback held = [&](const Progress& reported) {
      writing = true;
      EXPECT_TRUE(waitFor(closing));
      return progress(reported);
    };
    return realCreate(from, output, options, held);
  };
  TaskRunnerServices services;
  services.engine = &engine;

  std::wstring archive = folder / L"out.zeb";
  {
    AppWindow window(services);
    window.attachHost(std::make_unique<FakeWindowHost>());
    TaskRequest request;
    request.kind = int32_t(TaskKind::Create);
    request.sources = {sources};
    request.path = archive;
    ASSERT_NE(window.queueTask(request), 0u);
    EXPECT_TRUE(window.state().taskPanelShown);
    ASSERT_TRUE(waitFor(writing));

    closing = true;
    auto started = std::chrono::steady_clock::now();
    window.stopWorkers();
    EXPECT_LT(std::chrono::steady_clock::now() - started, kDeadline);
    EXPECT_FALSE(window.taskRunner().busy());
  }
  EXPECT_FALSE(pathExists(archive));
  EXPECT_FALSE(pathExists(archive + L".partial"));
}

}  // namespace
}  // namespace tolzeb::ui::testing
