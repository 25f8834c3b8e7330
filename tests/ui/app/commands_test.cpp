// The command dispatcher, driven as the user drives it: clicks on painted regions where the
// control is painted, onCommand where its page is painted by a later piece of work.
#include <gtest/gtest.h>

#include "app_window_fixture.h"
#include "engine/core/fs.h"
#include "ui/foundation/languages.h"

namespace tolzeb::ui::testing {
namespace {

using CommandsTest = AppWindowTest;

TEST_F(CommandsTest, TheRailShowsItsPagesAndAPageChangeResetsScrollAndFocus) {
  struct Case {
    uint16_t id;
    Page page;
  } cases[] = {{2, Page::Compress}, {3, Page::Extract}, {4, Page::Tasks}, {5, Page::Tools},
               {6, Page::Settings}, {7, Page::Support}, {1, Page::Home}};
  for (const Case& c : cases) {
    window.state().focusId = 12;
    click(c.id);
    EXPECT_EQ(window.state().page, c.page) << c.id;
    EXPECT_EQ(window.state().focusId, 0) << "showing a page drops the focus the press gave";
    EXPECT_EQ(window.scrollOffset(), 0);
  }
}

TEST_F(CommandsTest, ShowingThePageAlreadyShownAsksForNoRepaint) {
  window.showPage(Page::Home);
  EXPECT_FALSE(window.repaintPending());
  window.showPage(Page::Tools);
  EXPECT_TRUE(window.repaintPending());
}

TEST_F(CommandsTest, LeavingTheSupportPageForgetsItsMessage) {
  window.onCommand(7, -1);
  host->clipboardWritable = false;
  window.onCommand(117, -1);
  EXPECT_TRUE(window.state().supportMessageIsError);
  EXPECT_EQ(window.state().supportMessage, L"Could not reach the clipboard. Try again.");
  window.onCommand(1, -1);
  EXPECT_TRUE(window.state().supportMessage.empty());
  EXPECT_FALSE(window.state().supportMessageIsError);
}

TEST_F(CommandsTest, TheSupportLinkIsCopiedOrOpened) {
  window.onCommand(117, -1);
  EXPECT_EQ(host->clipboardWritten, kDonationAddress);
  EXPECT_FALSE(window.state().supportMessageIsError);
  EXPECT_EQ(window.state().supportMessage, L"Link copied to the clipboard.");

  window.state().supportMessage.clear();
  window.onCommand(116, -1);
  EXPECT_EQ(host->addressesOpened, std::vector<std::wstring>{kDonationAddress});
  EXPECT_TRUE(window.state().supportMessage.empty());
  host->browserOpens = false;
  window.onCommand(116, -1);
  EXPECT_TRUE(window.state().supportMessageIsError);
  EXPECT_EQ(window.state().supportMessage, L"Could not open a browser. Copy the link instead.");
}

TEST_F(CommandsTest, TheWindowButtonsReachTheWindow) {
  click(15);
  EXPECT_EQ(host->minimizes, 1);
  click(16);
  EXPECT_TRUE(host->maximized);
  click(16);
  EXPECT_FALSE(host->maximized);
  click(17);
  EXPECT_EQ(host->closesPosted, 1);
}

TEST_F(CommandsTest, TheAboutButtonOpensTheAboutWindowOverTheMainWindow) {
  window.onCommand(101, -1);
  EXPECT_EQ(host->aboutsShown, 1);
  EXPECT_EQ(window.state().page, Page::Home);
}

TEST_F(CommandsTest, ChangingTheFormatRewritesOnlyItsOwnExtensionAndSwitchesZebOnlyChoicesOff) {
  PageState& s = window.state();
  struct Case {
    std::wstring destination;
    uint16_t command;
    std::wstring expected;
  } cases[] = {
      {L"D:\\x\\Backup.ZEB", 30, L"D:\\x\\Backup.zip"},
      {L"D:\\x\\Backup.dat", 30, L"D:\\x\\Backup.dat"},
      {L"D:\\x\\Backup.zeb", 31, L"D:\\x\\Backup.7z"},
      {L"", 30, L""},
      {L"zeb", 30, L"zeb"},
  };
  for (const Case& c : cases) {
    s.compressFormat = 1;
    s.compressDestination = c.destination;
    window.onCommand(c.command, -1);
    EXPECT_EQ(s.compressDestination, c.expected) << c.destination;
  }

  window.onCommand(29, -1);
  s.compressDestination = L"a.zeb";
  window.onCommand(37, -1);
  window.onCommand(40, -1);
  s.compressPassword.insert(L"secret", kTextFieldLimit);
  s.compressPasswordRepeat.insert(L"secret", kTextFieldLimit);
  window.onCommand(30, -1);
  EXPECT_FALSE(s.compressEncrypt);
  EXPECT_FALSE(s.compressRecovery);
  EXPECT_TRUE(s.compressPassword.text.empty());
  EXPECT_TRUE(s.compressPasswordRepeat.text.empty());
  window.onCommand(29, -1);
  EXPECT_FALSE(s.compressEncrypt) << "going back to zeb does not switch encryption on again";
  EXPECT_FALSE(s.compressRecovery);
  EXPECT_EQ(s.compressDestination, L"a.zeb");

  window.onCommand(30, -1);
  window.onCommand(37, -1);
  window.onCommand(40, -1);
  EXPECT_FALSE(s.compressEncrypt) << "encryption is for zeb archives only";
  EXPECT_FALSE(s.compressRecovery);
}

TEST_F(CommandsTest, SourcesAreAddedOnceAndTheFirstProposesTheDestination) {
  PageState& s = window.state();
  const std::wstring photos = joinPath(folder.path(), L"photos");
  const std::wstring upperPhotos = joinPath(folder.path(), L"PHOTOS");
  const std::wstring text = joinPath(folder.path(), L"b.txt");
  window.addSources({photos, L"", photos, upperPhotos});
  EXPECT_EQ(s.compressSources, (std::vector<std::wstring>{photos, upperPhotos})) << "compared with case";
  EXPECT_EQ(s.compressDestination, photos + L".zeb");
  window.addSources({text});
  EXPECT_EQ(s.compressDestination, photos + L".zeb") << "a proposed destination stays";

  window.onCommand(27, 5);
  window.onCommand(27, -1);
  EXPECT_EQ(s.compressSources.size(), 3u);
  window.onCommand(27, 0);
  EXPECT_EQ(s.compressSources, (std::vector<std::wstring>{upperPhotos, text}));
  window.onCommand(26, -1);
  EXPECT_TRUE(s.compressSources.empty());
}

TEST_F(CommandsTest, ANewZipArchiveIsProposedWithItsOwnExtension) {
  window.onCommand(30, -1);
  window.addSources({joinPath(folder.path(), L"b.txt")});
  EXPECT_EQ(window.state().compressDestination, joinPath(folder.path(), L"b.txt.zip"));
}

TEST_F(CommandsTest, PartSizesSnapToTheSliderTable) {
  struct Case {
    double value;
    uint32_t expected;
  } cases[] = {{0, 1},       {1, 1},        {32, 32},     {33, 32},     {33.5, 32},   {34, 35},
               {64, 65},     {137.5, 125},  {138, 150},   {1049.9, 1000}, {4000, 4000}, {4048, 4000},
               {4049, 4096}, {1e9, 4096}};
  for (const Case& c : cases) EXPECT_EQ(snapSplitPartSize(c.value), c.expected) << c.value;
  EXPECT_EQ(splitSizeFromFraction(0), 1u);
  EXPECT_EQ(splitSizeFromFraction(0.5), 65u);
  EXPECT_EQ(splitSizeFromFraction(1), 4096u);
}

TEST_F(CommandsTest, PartSizePresetsAndLimits) {
  PageState& s = window.state();
  window.onCommand(80, 3);
  EXPECT_EQ(s.splitPartMiB, 700u);
  EXPECT_EQ(s.splitPartText.text, L"700");
  window.onCommand(80, 4);
  window.onCommand(80, -1);
  EXPECT_EQ(s.splitPartMiB, 700u);
  window.setSplitPartSize(0);
  EXPECT_EQ(s.splitPartMiB, 1u);
  window.setSplitPartSize(99999);
  EXPECT_EQ(s.splitPartMiB, 4096u);
  s.focusId = command_ids::kSplitPartText;
  window.setSplitPartSize(10);
  EXPECT_EQ(s.splitPartMiB, 10u);
  EXPECT_EQ(s.splitPartText.text, L"4096") << "the field the user is typing in is left alone";
}

TEST_F(CommandsTest, SettingsChangesReachAnUnusedFormAndTheFileButNotAFormInUse) {
  PageState& s = window.state();
  window.onCommand(90, 2);
  EXPECT_EQ(s.compressMode, 2);
  window.onCommand(91, -1);
  EXPECT_FALSE(s.compressVerify);
  window.onCommand(96, 1);
  EXPECT_EQ(s.extractOverwrite, 1);
  Settings stored;
  stored.load();
  EXPECT_EQ(stored.mode, 2);
  EXPECT_FALSE(stored.verify);

  window.addSources({L"/data"});
  window.onCommand(99, -1);
  EXPECT_EQ(s.settings.mode, 1);
  EXPECT_TRUE(s.settings.verify);
  EXPECT_EQ(s.compressMode, 2) << "a form already in use keeps its choices";
  EXPECT_FALSE(s.compressVerify);
  EXPECT_EQ(s.extractOverwrite, 0);
}

TEST_F(CommandsTest, PresetIndicesOutsideTheirTablesDoNothing) {
  PageState& s = window.state();
  Settings before = s.settings;
  for (uint16_t id : {90, 93, 94, 95, 96})
    for (int32_t index : {-1, 5, 1000}) window.onCommand(id, index);
  EXPECT_EQ(s.settings, before);
  window.onCommand(93, 4);
  window.onCommand(94, 0);
  window.onCommand(95, 4);
  EXPECT_EQ(s.settings.threads, 8u);
  EXPECT_EQ(s.settings.memoryBytes, 134217728u);
  EXPECT_EQ(s.settings.chunkBytes, 4194304u);
}

TEST_F(CommandsTest, PickingALanguageSwitchesTheTextsAndStoresTheChoice) {
  auto table = i18n::languageTable();
  int32_t german = -1;
  for (size_t row = 0; row < table.size(); ++row)
    if (std::wstring(table[row].tag) == L"de-DE") german = int32_t(row);
  ASSERT_GE(german, 0);
  window.onCommand(6, -1);
  window.onCommand(102, -1);
  EXPECT_TRUE(window.state().languageListOpen);
  EXPECT_EQ(window.state().languageListRow, currentLanguageRow());
  window.onCommand(103, german);
  EXPECT_FALSE(window.state().languageListOpen);
  EXPECT_EQ(i18n::currentLanguageTag(), L"de-DE");
  EXPECT_EQ(currentLanguageRow(), german);
  Settings stored;
  stored.load();
  EXPECT_EQ(stored.language, L"de-DE");
  window.onCommand(103, 28);
  EXPECT_EQ(i18n::currentLanguageTag(), L"de-DE");
}

TEST_F(CommandsTest, TheTaskPanelClosesOnlyWhenNoTaskRunsAndHidesAnyTime) {
  PageState& s = window.state();
  s.taskPanelShown = true;
  window.onCommand(123, -1);
  EXPECT_FALSE(s.taskPanelShown);
  s.taskPanelShown = true;
  window.onCommand(120, -1);
  EXPECT_FALSE(s.taskPanelShown) << "no task runs";
}

TEST_F(CommandsTest, CommandsWithoutMeaningOrWithAnIndexOutOfRangeChangeNothing) {
  for (uint16_t id : {0, 41, 67, 72, 81, 82, 118, 124, 130, 65535}) window.onCommand(id, -1);
  for (uint16_t id : {23, 73, 125, 126, 127}) window.onCommand(id, 0);
  EXPECT_EQ(window.state().page, Page::Home);
  EXPECT_TRUE(host->messages.empty());
}

}  // namespace
}  // namespace tolzeb::ui::testing
