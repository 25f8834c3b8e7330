// The settings page's commands, each seen through settings.txt as the next start would read it.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app_window_fixture.h"
#include "ui/app/file_association.h"
#include "ui/foundation/format.h"
#include "ui/foundation/languages.h"

namespace tolzeb::ui {
namespace {

int32_t rowOf(const std::wstring& tag) {
  const auto table = i18n::languageTable();
  for (size_t row = 0; row < table.size(); ++row)
    if (table[row].tag == tag) return int32_t(row);
  return -1;
}

class SettingsCommands : public testing::AppWindowTest {
 protected:
  Settings stored() const {
    Settings settings;
    EXPECT_EQ(settings.load(), SettingsSource::file);
    return settings;
  }
};

TEST_F(SettingsCommands, EveryChangeIsInSettingsTxtAtOnce) {
  struct {
    uint16_t id;
    int32_t argument;
    std::function<bool(const Settings&)> changed;
  } cases[] = {
      {90, 0, [](const Settings& s) { return s.mode == 0; }},
      {90, 2, [](const Settings& s) { return s.mode == 2; }},
      {91, -1, [](const Settings& s) { return !s.verify; }},
      {92, -1, [](const Settings& s) { return !s.blockHashes; }},
      {93, 0, [](const Settings& s) { return s.threads == 0; }},
      {93, 3, [](const Settings& s) { return s.threads == 4; }},
      {94, 3, [](const Settings& s) { return s.memoryBytes == 1073741824; }},
      {94, 4, [](const Settings& s) { return s.memoryBytes == 2147483648; }},
      {95, 0, [](const Settings& s) { return s.chunkBytes == 262144; }},
      {95, 2, [](const Settings& s) { return s.chunkBytes == 1048576; }},
      {96, 2, [](const Settings& s) { return s.overwrite == 2; }},
      {97, -1, [](const Settings& s) { return !s.restoreTimestamps; }},
      {98, -1, [](const Settings& s) { return !s.restoreAttributes; }},
      {105, -1, [](const Settings& s) { return s.formatFollowsLanguage; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " " + std::to_string(c.argument));
    window.onCommand(99, -1);
    ASSERT_EQ(stored(), Settings{});
    window.onCommand(c.id, c.argument);
    EXPECT_TRUE(c.changed(stored()));
    EXPECT_EQ(stored(), window.state().settings) << "the file holds exactly the window's copy";
  }
}

TEST_F(SettingsCommands, TogglesFlipBackAndForth) {
  for (uint16_t id : {91, 92, 97, 98, 105}) {
    SCOPED_TRACE(id);
    const Settings before = window.state().settings;
    window.onCommand(id, -1);
    EXPECT_NE(stored(), before);
    window.onCommand(id, -1);
    EXPECT_EQ(stored(), before);
  }
}

TEST_F(SettingsCommands, FormatsFollowTheLanguageAsSoonAsAsked) {
  EXPECT_FALSE(i18n::formatsFollowLanguage());
  window.onCommand(105, -1);
  EXPECT_TRUE(i18n::formatsFollowLanguage());
  window.onCommand(105, -1);
  EXPECT_FALSE(i18n::formatsFollowLanguage());
}

TEST_F(SettingsCommands, ResetKeepsTheLanguageInUseButForgetsTheChoice) {
  window.onCommand(103, rowOf(L"de-DE"));
  ASSERT_EQ(i18n::currentLanguageTag(), L"de-DE");
  window.onCommand(105, -1);
  window.onCommand(93, 4);
  window.onCommand(99, -1);
  EXPECT_EQ(stored(), Settings{});
  EXPECT_EQ(stored().language, L"") << "the next start follows the Windows language";
  EXPECT_EQ(i18n::currentLanguageTag(), L"de-DE") << "this run keeps its texts";
  EXPECT_TRUE(i18n::formatsFollowLanguage()) << "and its formatting";
}

// Whatever the platform's registry allows, the page then shows what is really in place, and a
// failure is explained in an error box.
TEST_F(SettingsCommands, RegisteringAndRemovingTheAssociationShowTheStateAfterwards) {
  PageState& s = window.state();
  window.onCommand(106, -1);
  const AssociationState now = fileAssociationState();
  EXPECT_EQ(s.association.extensionPointsHere, now.extensionPointsHere);
  EXPECT_EQ(s.association.entriesPresent, now.entriesPresent);
  EXPECT_EQ(s.association.openCommand, now.openCommand);
  if (host->messages.empty()) {
    EXPECT_TRUE(s.association.extensionPointsHere);
    EXPECT_FALSE(s.association.openCommand.empty());
  } else {
    ASSERT_EQ(host->messages.size(), 1u);
    EXPECT_EQ(host->messages[0].second, MessageIcon::Error);
    EXPECT_FALSE(host->messages[0].first.empty());
    EXPECT_FALSE(s.association.extensionPointsHere);
  }
  const size_t boxes = host->messages.size();

  window.onCommand(107, -1);
  EXPECT_FALSE(s.association.extensionPointsHere);
  EXPECT_FALSE(s.association.entriesPresent);
  EXPECT_TRUE(s.association.openCommand.empty());
  EXPECT_EQ(host->messages.size(), boxes) << "removal never fails";
}

TEST_F(SettingsCommands, EnteringThePageReadsTheAssociationAfresh) {
  PageState& s = window.state();
  s.association.extensionPointsHere = true;
  s.association.entriesPresent = true;
  s.association.openCommand = L"stale";
  window.onCommand(6, -1);
  EXPECT_EQ(s.page, Page::Settings);
  const AssociationState now = fileAssociationState();
  EXPECT_EQ(s.association.extensionPointsHere, now.extensionPointsHere);
  EXPECT_EQ(s.association.openCommand, now.openCommand);
}

}  // namespace
}  // namespace tolzeb::ui
