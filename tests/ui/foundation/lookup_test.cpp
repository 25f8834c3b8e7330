#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "i18n_test_support.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui::i18n {
namespace {

using testing::catalogFromJson;
using testing::StateGuard;

TEST(Translate, CurrentLanguageThenEnglishThenTheKey) {
  StateGuard state(catalogFromJson(L"de-DE", R"({"nav":{"home":"Start"}})"),
                   catalogFromJson(L"en-US", R"({"nav":{"home":"Home","tools":"Tools"}})"), findLanguage(L"de-DE"));
  EXPECT_EQ(translate("nav.home"), L"Start");
  EXPECT_EQ(translate("nav.tools"), L"Tools");
  EXPECT_EQ(translate("nav.settings"), L"nav.settings");
  EXPECT_EQ(translate("NAV.HOME"), L"NAV.HOME");
}

TEST(Translate, BeforeAnyLanguageIsChosenEveryLookupGivesItsKey) {
  StateGuard state;
  EXPECT_EQ(translate("nav.home"), L"nav.home");
  EXPECT_EQ(translateWithArgs("unit.kb", {Arg("count", L"3")}), L"unit.kb");
  EXPECT_EQ(translatePlural("count.files", 2), L"count.files");
  EXPECT_EQ(std::wstring(currentLanguage().tag), L"en-US");
  EXPECT_EQ(currentLanguageTag(), L"en-US");
}

TEST(Substitute, FillsNamedPlaceholdersAndLeavesEverythingElse) {
  struct Case {
    const wchar_t* text;
    const wchar_t* expected;
  };
  const Arg args[] = {Arg("count", L"3"), Arg("onDisk", L"{count}"), Arg("name", L"a.zeb")};
  const Case cases[] = {
      {L"{count} files", L"3 files"},
      {L"{name} and {name}", L"a.zeb and a.zeb"},
      {L"{onDisk} on disk", L"{count} on disk"},  // values are not scanned again
      {L"{unknown} stays", L"{unknown} stays"},
      {L"{Count} is another name", L"{Count} is another name"},
      {L"open { and no close", L"open { and no close"},
      {L"{count} then {count", L"3 then {count"},
      {L"ends in {", L"ends in {"},
      {L"{}", L"{}"},
      {L"{{count}}", L"{{count}}"},
      {L"close } alone {count}", L"close } alone 3"},
      {L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    EXPECT_EQ(substitute(c.text, std::begin(args), std::end(args)), c.expected);
  }
  EXPECT_EQ(substitute(L"{count} files", nullptr, nullptr), L"{count} files");
}

TEST(TranslatePlural, PicksTheFormOfTheLanguagesRule) {
  // Czech (rule 5) has one, few and other.
  StateGuard state(catalogFromJson(L"cs-CZ", R"({"count":{"files":{"one":"{count} soubor","few":"{count} soubory",
                                               "other":"{count} souborů"}}})"),
                   catalogFromJson(L"en-US", R"({"count":{"files":{"one":"{count} file","other":"{count} files"}}})"),
                   findLanguage(L"cs-CZ"));
  EXPECT_EQ(translatePlural("count.files", 1), L"1 soubor");
  EXPECT_EQ(translatePlural("count.files", 3), L"3 soubory");
  EXPECT_EQ(translatePlural("count.files", -3), L"-3 soubory");
  EXPECT_EQ(translatePlural("count.files", 0), L"0 souborů");
  EXPECT_EQ(translatePlural("count.files", 5), L"5 souborů");
}

TEST(TranslatePlural, FallsBackToOtherThenEnglishThenTheKey) {
  // Russian (rule 3): 21 is "one", 11 is "many"; this translation has only "one".
  StateGuard state(catalogFromJson(L"ru-RU", R"({"count":{"files":{"one":"{count} файл"}},
                                               "only":{"one":"{count} one"}})"),
                   catalogFromJson(L"en-US", R"({"count":{"files":{"one":"{count} file","other":"{count} files"}}})"),
                   findLanguage(L"ru-RU"));
  EXPECT_EQ(translatePlural("count.files", 21), L"21 файл");
  EXPECT_EQ(translatePlural("count.files", 11), L"11 files");  // no "many" anywhere, English "other"
  EXPECT_EQ(translatePlural("only", 11), L"only");
  EXPECT_EQ(translatePlural("missing", 1), L"missing");
}

TEST(TranslatePlural, JapaneseUsesOtherAndNeverOne) {
  StateGuard state(catalogFromJson(L"ja-JP", R"({"count":{"files":{"one":"{count} file"}}})"),
                   catalogFromJson(L"en-US", R"({"count":{"files":{"one":"{count} file"}}})"), findLanguage(L"ja-JP"));
  EXPECT_EQ(translatePlural("count.files", 1), L"count.files");
}

TEST(TranslatePlural, CountComesFirstAndTheCallersCountNeverTakesEffect) {
  // English formats, so that the count is grouped by commas.
  StateGuard state(nullptr, catalogFromJson(L"en-US", R"({"k":{"other":"{count} in {name}"}})"),
                   &englishLanguage(), true);
  EXPECT_EQ(translatePlural("k", 2, {Arg("count", L"X"), Arg("name", L"{count}")}), L"2 in {count}");
  EXPECT_EQ(translatePlural("k", INT64_MIN), L"-9,223,372,036,854,775,808 in {name}");
}

TEST(Snapshot, KeepsItsCataloguesAliveAcrossASwitch) {
  StateGuard state(catalogFromJson(L"de-DE", R"({"a":"alt"})"), nullptr, findLanguage(L"de-DE"));
  Snapshot before = snapshot();
  {
    State& shared = sharedState();
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.current = catalogFromJson(L"fr-FR", R"({"a":"nouveau"})");
  }
  ASSERT_TRUE(before.current);
  EXPECT_EQ(*before.current->find("a"), L"alt");
  EXPECT_EQ(translate("a"), L"nouveau");
}

TEST(Translate, ConcurrentLookupsSeeOneCatalogueOrTheOtherWhileLanguagesSwitch) {
  std::shared_ptr<const Catalog> german = catalogFromJson(L"de-DE", R"({"a":"alt","b":"zwei"})");
  std::shared_ptr<const Catalog> french = catalogFromJson(L"fr-FR", R"({"a":"nouveau","b":"deux"})");
  StateGuard state(german, nullptr, findLanguage(L"de-DE"));
  std::atomic<bool> stop{false};
  std::atomic<int> mixed{0};
  std::vector<std::thread> readers;
  for (int i = 0; i < 4; ++i) {
    readers.emplace_back([&] {
      while (!stop) {
        const std::wstring a = translate("a");
        if (a != L"alt" && a != L"nouveau") ++mixed;
      }
    });
  }
  for (int i = 0; i < 2000; ++i) {
    State& shared = sharedState();
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.current = i % 2 ? german : french;
    shared.row = findLanguage(i % 2 ? L"de-DE" : L"fr-FR");
  }
  stop = true;
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(mixed, 0);
}

}  // namespace
}  // namespace tolzeb::ui::i18n
