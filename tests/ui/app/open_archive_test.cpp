// Opening archives and sources: what the command line, a drop, the viewer, the extract page and
// the tools page make of a path, over real archives.
#include "ui/app/open_archive.h"

#include <gtest/gtest.h>

#include "app_window_fixture.h"
#include "sample_archives.h"
#include "ui/foundation/format.h"

namespace tolzeb::ui::testing {
namespace {

constexpr wchar_t kMissingText[] = L"That file is no longer there";
constexpr wchar_t kFolderText[] = L"That is a folder, not an archive";
constexpr wchar_t kWrongPasswordText[] = L"The password is wrong, or the archive has been altered";

class OpenArchiveTest : public AppWindowTest {
 protected:
  void type(TextField& field, const std::wstring& text) {
    field.clear();
    field.insert(text, kTextFieldLimit);
  }

  SampleArchives samples;
};

TEST_F(OpenArchiveTest, OpenPathsSendsOneArchiveToTheViewerAndAnythingElseToTheCompressPage) {
  struct Case {
    const char* name;
    std::vector<std::wstring> paths;
    Page page;
    std::wstring viewerArchive;
    std::wstring viewerMessage;
    std::vector<std::wstring> sources;
  } cases[] = {
      {"nothing", {}, Page::Home, L"", L"", {}},
      {"one archive", {samples.zeb()}, Page::Viewer, samples.zeb(), L"", {}},
      {"one zip", {samples.zip()}, Page::Viewer, samples.zip(), L"", {}},
      {"one missing path", {samples.missing()}, Page::Viewer, samples.missing(), kMissingText, {}},
      {"one empty path", {L""}, Page::Viewer, L"", kMissingText, {}},
      {"one folder", {samples.sources()}, Page::Compress, L"", L"", {samples.sources()}},
      {"one ordinary file", {samples.textFile()}, Page::Compress, L"", L"", {samples.textFile()}},
      {"two archives", {samples.zeb(), samples.zip()}, Page::Compress, L"", L"", {samples.zeb(), samples.zip()}},
      {"the missing ones left out",
       {samples.missing(), L"", samples.textFile()},
       Page::Compress,
       L"",
       L"",
       {samples.textFile()}},
      {"nothing that exists",
       {samples.missing(), samples.path(L"other.zip")},
       Page::Viewer,
       samples.missing(),
       kMissingText,
       {}},
  };
  for (const Case& c : cases) {
    AppWindow fresh;
    fresh.attachHost(std::make_unique<FakeWindowHost>());
    fresh.applyStartSettings();
    fresh.openPaths(c.paths);
    const PageState& s = fresh.state();
    EXPECT_EQ(s.page, c.page) << c.name;
    EXPECT_EQ(s.viewerArchive, c.viewerArchive) << c.name;
    EXPECT_EQ(s.viewerMessage, c.viewerMessage) << c.name;
    EXPECT_EQ(s.compressSources, c.sources) << c.name;
  }
}

TEST_F(OpenArchiveTest, OneOrdinaryFileProposesAnArchiveBesideIt) {
  window.openPaths({samples.textFile()});
  EXPECT_EQ(window.state().compressDestination, samples.textFile() + L".zeb");
}

TEST_F(OpenArchiveTest, AListedArchiveFillsTheViewer) {
  window.openArchive(samples.zip());
  const PageState& s = window.state();
  EXPECT_EQ(s.page, Page::Viewer);
  EXPECT_TRUE(s.viewerListed);
  EXPECT_TRUE(s.viewerMessage.empty());
  EXPECT_EQ(s.viewerKind, uint8_t(ArchiveKind::zip));
  EXPECT_FALSE(s.viewerLocked);
  Result<ArchiveListing> listing = linkedEngine().listAnyArchive(samples.zip(), ArchiveKind::zip, nullptr);
  ASSERT_TRUE(listing.hasValue());
  ASSERT_EQ(s.viewerEntries.size(), listing->entries.size());
  EXPECT_EQ(s.viewerEntries.back().path, listing->entries.back().path);
  EXPECT_EQ(s.viewerArchiveSize, listing->archiveBytes);
  EXPECT_EQ(s.viewerTotalSize, listing->totalBytes);
  EXPECT_EQ(s.viewerTicked, std::vector<uint8_t>(s.viewerEntries.size(), 0));
  ASSERT_EQ(s.viewerRows.size(), s.viewerEntries.size());
  for (size_t i = 0; i < s.viewerRows.size(); ++i) EXPECT_EQ(s.viewerRows[i], int32_t(i));
  EXPECT_TRUE(window.repaintPending());
}

TEST_F(OpenArchiveTest, WhatCannotBeOpenedIsSaidInTheViewer) {
  // No reader knows a text file: the listing's own failure, its headline without the details.
  Result<ArchiveListing> unknown = linkedEngine().listAnyArchive(samples.textFile(), ArchiveKind::unknown, nullptr);
  ASSERT_TRUE(unknown.failed());
  struct Case {
    std::wstring path;
    std::wstring message;
  } cases[] = {
      {samples.missing(), kMissingText},
      {samples.sources(), kFolderText},
      {samples.textFile(), statusKeyText(unknown.failure().code)},
  };
  for (const Case& c : cases) {
    window.openArchive(samples.zeb());
    window.openArchive(c.path);
    const PageState& s = window.state();
    EXPECT_EQ(s.page, Page::Viewer);
    EXPECT_EQ(s.viewerArchive, c.path);
    EXPECT_FALSE(s.viewerListed);
    EXPECT_EQ(s.viewerMessage, c.message);
    EXPECT_EQ(s.viewerKind, 0);
    EXPECT_TRUE(s.viewerEntries.empty());
    EXPECT_TRUE(s.viewerRows.empty());
    EXPECT_EQ(s.viewerArchiveSize, 0u);
  }
}

TEST_F(OpenArchiveTest, TheTypedPasswordStaysOnlyForTheSameArchive) {
  PageState& s = window.state();
  window.openArchive(samples.lockedZeb());
  type(s.viewerPassword, L"typed");
  s.viewerPassword.caret = 2;
  window.openArchive(samples.lockedZeb());
  EXPECT_EQ(s.viewerPassword.text, L"typed");
  EXPECT_EQ(s.viewerPassword.caret, 2u);
  EXPECT_TRUE(s.viewerPassword.masked);

  window.openArchive(samples.zeb());
  EXPECT_TRUE(s.viewerPassword.text.empty());
  EXPECT_EQ(s.viewerPassword.caret, 0u);
  EXPECT_TRUE(s.viewerPassword.masked);
}

TEST_F(OpenArchiveTest, EveryOpeningDropsThePreviousArchivesSelectionAndView) {
  PageState& s = window.state();
  for (const std::wstring& next : {samples.zip(), samples.missing(), samples.lockedZeb(), samples.sources()}) {
    window.openArchive(samples.zeb());
    ASSERT_TRUE(s.viewerListed);
    s.viewerTicked.assign(s.viewerTicked.size(), 1);
    s.viewerSelectedRow = 1;
    s.viewerSortColumn = 2;
    s.viewerSortAscending = false;
    s.draggingSeek = true;
    type(s.viewerFilter, L"sub");

    window.openArchive(next);
    EXPECT_EQ(s.viewerSelectedRow, -1);
    EXPECT_FALSE(s.draggingSeek);
    EXPECT_EQ(s.viewerSortColumn, 0);
    EXPECT_TRUE(s.viewerSortAscending);
    EXPECT_TRUE(s.viewerFilter.text.empty());
    EXPECT_EQ(s.viewerTicked, std::vector<uint8_t>(s.viewerEntries.size(), 0));
    EXPECT_EQ(s.viewerRows.size(), s.viewerEntries.size());
  }
}

TEST_F(OpenArchiveTest, ALockedArchiveWaitsForItsPasswordInTheViewer) {
  PageState& s = window.state();
  window.openArchive(samples.lockedZeb());
  EXPECT_EQ(s.page, Page::Viewer);
  EXPECT_TRUE(s.viewerLocked);
  EXPECT_FALSE(s.viewerListed);
  EXPECT_TRUE(s.viewerMessage.empty());
  EXPECT_TRUE(s.viewerEntries.empty());
  EXPECT_EQ(s.focusId, command_ids::kViewerPassword);
  EXPECT_TRUE(s.showFocus);

  // Enter in the password field unlocks: a wrong password keeps the field focused.
  window.onChar(L'x');
  window.onKeyDown(keys::kEnter);
  EXPECT_EQ(s.viewerMessage, kWrongPasswordText);
  EXPECT_FALSE(s.viewerListed);
  EXPECT_EQ(s.focusId, command_ids::kViewerPassword);
  EXPECT_TRUE(s.showFocus);

  type(s.viewerPassword, kSamplePassword);
  window.onKeyDown(keys::kEnter);
  EXPECT_TRUE(s.viewerListed);
  EXPECT_TRUE(s.viewerMessage.empty());
  EXPECT_FALSE(s.viewerEntries.empty());
}

TEST_F(OpenArchiveTest, TheProposedExtractFolderIsNeverTheArchiveItself) {
  const std::wstring in = samples.path(L"in");
  struct Case {
    std::wstring name;
    std::wstring folder;
  } cases[] = {
      {L"photos.tar.gz", L"photos.tar"}, {L"archive.zip", L"archive"}, {L"Backup.ZEB", L"Backup"},
      {L".cache", L".cache (2)"},        {L"noext", L"noext (2)"},     {L"trailing.", L"trailing"},
  };
  for (const Case& c : cases) EXPECT_EQ(proposedExtractFolder(joinPath(in, c.name)), joinPath(in, c.folder)) << c.name;
  EXPECT_EQ(proposedExtractFolder(L"photos.zip"), L"") << "no folder to put it in";
  EXPECT_EQ(proposedExtractFolder(L""), L"");
}

TEST_F(OpenArchiveTest, LoadingTheExtractArchiveListsItAndProposesADestinationOnce) {
  PageState& s = window.state();
  s.extractArchive = samples.zip();
  window.loadExtractArchive();
  EXPECT_TRUE(s.extractListed);
  EXPECT_TRUE(s.extractInfoMessage.empty());
  EXPECT_EQ(s.extractKind, uint8_t(ArchiveKind::zip));
  EXPECT_FALSE(s.extractLocked);
  EXPECT_GT(s.extractEntryCount, 0u);
  EXPECT_GT(s.extractTotalSize, 0u);
  EXPECT_GT(s.extractArchiveSize, 0u);
  EXPECT_EQ(s.extractDestination, samples.path(L"photos"));

  s.extractArchive = samples.zeb();
  window.loadExtractArchive();
  EXPECT_EQ(s.extractDestination, samples.path(L"photos")) << "a destination already there stays";
  EXPECT_EQ(s.extractKind, uint8_t(ArchiveKind::zeb));
}

TEST_F(OpenArchiveTest, LoadingTheExtractArchiveForgetsThePreviousOnesFacts) {
  PageState& s = window.state();
  s.extractArchive = samples.lockedZeb();
  window.loadExtractArchive();
  EXPECT_TRUE(s.extractLocked);
  EXPECT_FALSE(s.extractListed) << "listed without a password";
  EXPECT_FALSE(s.extractInfoMessage.empty());
  EXPECT_TRUE(s.extractDestination.empty());

  type(s.extractPassword, kSamplePassword);
  window.loadExtractArchive();
  EXPECT_TRUE(s.extractListed);
  EXPECT_TRUE(s.extractInfoMessage.empty());
  EXPECT_EQ(s.extractDestination, samples.path(L"locked"));

  s.extractArchive = samples.missing();
  window.loadExtractArchive();
  EXPECT_EQ(s.extractInfoMessage, kMissingText);
  EXPECT_FALSE(s.extractListed);
  EXPECT_FALSE(s.extractLocked) << "a lock of the previous archive would let the password start this one";
  EXPECT_EQ(s.extractEntryCount, 0u);
  EXPECT_EQ(s.extractTotalSize, 0u);
  EXPECT_EQ(s.extractArchiveSize, 0u);

  s.extractArchive.clear();
  s.extractInfoMessage = L"stale";
  window.loadExtractArchive();
  EXPECT_TRUE(s.extractInfoMessage.empty());
}

TEST_F(OpenArchiveTest, ChoosingAToolsArchiveResetsThePageAndKeepsThePasswordOnlyForTheSameOne) {
  PageState& s = window.state();
  window.showPage(Page::Tools);
  window.loadToolsArchive(samples.zeb());
  EXPECT_TRUE(s.toolsListed);
  EXPECT_EQ(s.toolsKind, uint8_t(ArchiveKind::zeb));
  EXPECT_EQ(s.toolsFileCount, 3u);
  EXPECT_EQ(s.toolsEntryCount, s.toolsFileCount + s.toolsFolderCount);
  EXPECT_GT(s.toolsFolderCount, 0u);
  EXPECT_GT(s.toolsInputBytes, 0u);
  EXPECT_GT(s.toolsArchiveBytes, 0u);
  EXPECT_GT(s.toolsChunkSize, 0u);
  EXPECT_GT(s.toolsFormatMajor + s.toolsFormatMinor, 0);

  s.splitPartMiB = 700;
  s.duplicatesShown = true;
  s.compareShown = true;
  s.compareFolder = L"elsewhere";
  s.compareResult.identical = 4;
  type(s.toolsPassword, L"typed");
  window.loadToolsArchive(samples.zeb());
  EXPECT_EQ(s.toolsPassword.text, L"typed");
  EXPECT_EQ(s.splitPartMiB, 25u);
  EXPECT_FALSE(s.duplicatesShown);
  EXPECT_FALSE(s.compareShown);
  EXPECT_TRUE(s.compareFolder.empty());
  EXPECT_EQ(s.compareResult.identical, 0u);

  window.loadToolsArchive(samples.missing());
  EXPECT_TRUE(s.toolsPassword.text.empty());
  EXPECT_TRUE(s.toolsPassword.masked);
  EXPECT_EQ(s.toolsMessage, kMissingText);
  EXPECT_FALSE(s.toolsListed);
  EXPECT_EQ(s.toolsFileCount, 0u);
  EXPECT_EQ(s.toolsKind, 0);
  EXPECT_EQ(s.page, Page::Tools) << "the tools page stays shown";
}

TEST_F(OpenArchiveTest, ALockedToolsArchiveListsWithThePasswordTypedAndEnter) {
  PageState& s = window.state();
  window.showPage(Page::Tools);
  window.loadToolsArchive(samples.lockedZeb());
  EXPECT_TRUE(s.toolsLocked);
  EXPECT_FALSE(s.toolsListed);
  EXPECT_TRUE(s.toolsMessage.empty());
  EXPECT_EQ(s.focusId, command_ids::kToolsPassword);
  EXPECT_TRUE(s.showFocus);

  window.onChar(L'x');
  window.onKeyDown(keys::kEnter);
  EXPECT_EQ(s.toolsMessage, kWrongPasswordText);
  EXPECT_EQ(s.focusId, command_ids::kToolsPassword);

  type(s.toolsPassword, kSamplePassword);
  window.onKeyDown(keys::kEnter);
  EXPECT_TRUE(s.toolsListed);
  EXPECT_TRUE(s.toolsMessage.empty());
  EXPECT_EQ(s.toolsFileCount, 3u);
  EXPECT_EQ(s.page, Page::Tools);
}

TEST_F(OpenArchiveTest, ExtractingEverythingFromTheViewerFillsTheExtractPage) {
  PageState& s = window.state();
  window.openArchive(samples.lockedZeb());
  type(s.viewerPassword, kSamplePassword);
  window.onCommand(command_ids::kUnlockViewer, -1);
  ASSERT_TRUE(s.viewerListed);
  s.extractSelection = {L"left over"};
  type(s.extractPassword, L"old");

  window.onCommand(60, -1);
  EXPECT_EQ(s.page, Page::Extract);
  EXPECT_EQ(s.extractArchive, samples.lockedZeb());
  EXPECT_TRUE(s.extractSelection.empty());
  EXPECT_EQ(s.extractPassword.text, kSamplePassword);
  EXPECT_EQ(s.extractPassword.caret, s.extractPassword.text.size());
  EXPECT_EQ(s.extractPassword.anchor, s.extractPassword.caret);
  EXPECT_TRUE(s.extractPassword.masked);
  EXPECT_TRUE(s.extractListed);
  EXPECT_TRUE(s.extractLocked);
  EXPECT_EQ(s.extractDestination, samples.path(L"locked"));
}

TEST_F(OpenArchiveTest, ExtractingTheTickedEntriesTakesThemInListingOrder) {
  PageState& s = window.state();
  window.openArchive(samples.zip());
  ASSERT_GE(s.viewerEntries.size(), 3u);
  const size_t last = s.viewerEntries.size() - 1;
  s.viewerTicked[last] = 1;
  s.viewerTicked[0] = 1;
  s.viewerRows = {int32_t(last), 0};  // a display order of its own does not matter

  window.onCommand(59, -1);
  EXPECT_EQ(s.page, Page::Extract);
  EXPECT_EQ(s.extractSelection, (std::vector<std::wstring>{s.viewerEntries[0].path, s.viewerEntries[last].path}));
  EXPECT_TRUE(s.extractListed);
}

TEST_F(OpenArchiveTest, ExtractingTickedWithNothingTickedHandsOverTheArchiveButForgetsTheOldFacts) {
  PageState& s = window.state();
  s.extractArchive = samples.zip();
  window.loadExtractArchive();
  ASSERT_TRUE(s.extractListed);
  s.extractLocked = true;

  window.openArchive(samples.zeb());
  window.onCommand(59, -1);
  EXPECT_EQ(s.page, Page::Viewer);
  EXPECT_EQ(s.extractArchive, samples.zeb());
  EXPECT_TRUE(s.extractSelection.empty());
  EXPECT_FALSE(s.extractListed);
  EXPECT_FALSE(s.extractLocked);
  EXPECT_EQ(s.extractEntryCount, 0u);
  EXPECT_EQ(s.extractTotalSize, 0u);
  EXPECT_EQ(s.extractArchiveSize, 0u);
  EXPECT_TRUE(s.extractInfoMessage.empty());
}

TEST_F(OpenArchiveTest, AViewerWithoutAListingHandsNothingOver) {
  PageState& s = window.state();
  window.openArchive(samples.missing());
  window.onCommand(60, -1);
  window.onCommand(59, -1);
  EXPECT_EQ(s.page, Page::Viewer);
  EXPECT_TRUE(s.extractArchive.empty());
}

TEST_F(OpenArchiveTest, TheExtractAndToolsPagesOpenTheirArchiveInTheViewer) {
  PageState& s = window.state();
  s.extractArchive = samples.zip();
  window.onCommand(49, -1);
  EXPECT_EQ(s.page, Page::Viewer);
  EXPECT_EQ(s.viewerArchive, samples.zip());
  EXPECT_TRUE(s.viewerListed);

  s.toolsArchive = samples.zeb();
  window.onCommand(78, -1);
  EXPECT_EQ(s.viewerArchive, samples.zeb());
  EXPECT_TRUE(s.viewerListed);
}

}  // namespace
}  // namespace tolzeb::ui::testing
