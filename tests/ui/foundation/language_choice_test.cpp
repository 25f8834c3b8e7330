#include <gtest/gtest.h>

#include "i18n_test_support.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui::i18n {
namespace {

using testing::ProgramFolder;
using testing::StateGuard;

// A translation that lacks most keys, so lookups show whether English stands behind it.
constexpr const char* kGerman = R"({"nav":{"home":"Startseite"}})";

TEST(Initialise, StoredLanguageWithEnglishBehindIt) {
  StateGuard state;
  ProgramFolder folder;
  folder.writeCatalogue("de-DE", kGerman);
  EXPECT_EQ(initialise(L"DE-de"), L"de-DE");
  EXPECT_EQ(currentLanguageTag(), L"de-DE");
  EXPECT_EQ(translate("nav.home"), L"Startseite");
  EXPECT_EQ(translate("nav.tools"), L"Tools");
  EXPECT_EQ(snapshot().fallback->tag(), L"en-US");
}

TEST(Initialise, UnknownOrUnloadableLanguagesStartInEnglish) {
  struct Case {
    const char* name;
    const wchar_t* stored;
    const char* germanFile;  // null: none written
  };
  const Case cases[] = {
      {"tag in no row", L"xx-YY", nullptr},
      {"catalogue does not parse", L"de-DE", "{\"nav\":{\"home\":1}}"},
      {"English itself", L"en-US", kGerman},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StateGuard state;
    ProgramFolder folder;
    if (c.germanFile) folder.writeCatalogue("de-DE", c.germanFile);
    EXPECT_EQ(initialise(c.stored), L"en-US");
    EXPECT_EQ(currentLanguageTag(), L"en-US");
    EXPECT_EQ(translate("nav.home"), L"Home");
    Snapshot now = snapshot();
    EXPECT_EQ(now.current, now.fallback);
  }
}

TEST(Initialise, ABrokenEnglishOverrideLeavesEveryTextShowingItsKey) {
  StateGuard state;
  ProgramFolder folder;
  folder.writeCatalogue("en-US", "{");
  EXPECT_EQ(initialise(L"en-US"), L"en-US");
  EXPECT_EQ(translate("nav.home"), L"nav.home");
}

TEST(SetLanguage, SwitchesOnlyToALanguageThatLoads) {
  StateGuard state;
  ProgramFolder folder;
  folder.writeCatalogue("de-DE", kGerman);
  folder.writeCatalogue("fr-FR", "[]");
  initialise(L"en-US");
  EXPECT_FALSE(setLanguage(L"xx-YY"));
  EXPECT_FALSE(setLanguage(L"fr-FR"));
  EXPECT_EQ(currentLanguageTag(), L"en-US");
  EXPECT_TRUE(setLanguage(L"DE-de"));
  EXPECT_EQ(currentLanguageTag(), L"de-DE");
  EXPECT_EQ(snapshot().current->tag(), L"de-DE");
  EXPECT_EQ(translate("nav.home"), L"Startseite");
  EXPECT_EQ(translate("nav.tools"), L"Tools");
}

TEST(SetLanguage, TheFirstLanguageBecomesTheFallbackWhenThereIsNone) {
  StateGuard state;
  ProgramFolder folder;
  folder.writeCatalogue("de-DE", kGerman);
  ASSERT_TRUE(setLanguage(L"de-DE"));
  EXPECT_EQ(snapshot().fallback->tag(), L"de-DE");
}

TEST(FormatsFollowLanguage, IsAFlagOfTheState) {
  StateGuard state;
  EXPECT_FALSE(snapshot().formatsFollowLanguage);
  setFormatsFollowLanguage(true);
  EXPECT_TRUE(snapshot().formatsFollowLanguage);
}

}  // namespace
}  // namespace tolzeb::ui::i18n
