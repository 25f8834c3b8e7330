#include <chrono>
#include <thread>

#include "app_window_fixture.h"

namespace tolzeb::ui::testing {
namespace {

class PreviewEntryTest : public AppWindowTest {
 protected:
  void listFolder() {
    PageState& s = window.state();
    s.viewerArchive = L"/nowhere/a.zip";
    s.viewerKind = uint8_t(ArchiveKind::zip);
    s.viewerListed = true;
    ListedEntry folder;
    folder.path = L"docs";
    folder.isDirectory = true;
    s.viewerEntries = {folder};
  }
  // The window gets no PreviewReady natively: wait for the worker, then hand the message in.
  void finishPreview() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (window.previewController().busy() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_FALSE(window.previewController().busy());
    window.onPreviewReady(0);
  }
};

TEST_F(PreviewEntryTest, APickedRowIsReadAndShown) {
  listFolder();
  window.previewEntry(0);
  EXPECT_EQ(window.state().viewerSelectedRow, 0);
  // Asked for: reading, or already ready when the worker was quicker than the window's snapshot.
  EXPECT_NE(window.state().previewResult.state, PreviewState::idle);
  finishPreview();
  EXPECT_EQ(window.state().previewResult.state, PreviewState::ready);
  EXPECT_EQ(window.state().previewResult.kind, PreviewKind::folder);
}

TEST_F(PreviewEntryTest, AnInvalidRowClearsThePick) {
  listFolder();
  window.previewEntry(0);
  finishPreview();
  window.previewEntry(5);
  EXPECT_EQ(window.state().viewerSelectedRow, -1);
  EXPECT_EQ(window.state().previewResult.state, PreviewState::idle);
}

TEST_F(PreviewEntryTest, AHiddenPanePicksWithoutAsking) {
  listFolder();
  window.onCommand(command_ids::kTogglePreviewPane, -1);
  ASSERT_FALSE(window.state().previewPaneShown);
  window.previewEntry(0);
  EXPECT_EQ(window.state().viewerSelectedRow, 0);
  EXPECT_EQ(window.state().previewResult.state, PreviewState::idle);
  window.onCommand(command_ids::kTogglePreviewPane, -1);  // shown again: the picked row is asked for
  EXPECT_NE(window.state().previewResult.state, PreviewState::idle);
  finishPreview();
  EXPECT_EQ(window.state().previewResult.kind, PreviewKind::folder);
}

TEST_F(PreviewEntryTest, OpeningAnotherArchiveDropsThePreview) {
  listFolder();
  window.previewEntry(0);
  finishPreview();
  window.openArchive(L"/nowhere/other.zip");
  EXPECT_EQ(window.state().previewResult.state, PreviewState::idle);
  EXPECT_EQ(window.state().viewerSelectedRow, -1);
}

}  // namespace
}  // namespace tolzeb::ui::testing
