// The POSIX stand-in takes the user's languages from the environment, as a desktop session
// sets it; these tests check that the choice walks them in order.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "i18n_test_support.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui::i18n {
namespace {

class Environment {
 public:
  Environment(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~Environment() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(PreferredLanguage, FirstSupportedLanguageOfTheUsersList) {
  struct Case {
    const char* languages;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {"nb_NO:pt_AO:de_DE", L"pt-PT"},
      {"zh_HK", L"zh-TW"},
      {"nb_NO", L"en-US"},
      {"", L"en-US"},
  };
  Environment lcAll("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr), lang("LANG", nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.languages);
    Environment language("LANGUAGE", c.languages);
    EXPECT_EQ(preferredLanguageTag(), c.expected);
  }
}

TEST(PreferredLanguage, DecidesTheStartWhenNothingIsStored) {
  testing::StateGuard state;
  testing::ProgramFolder folder;
  folder.writeCatalogue("sv-SE", R"({"nav":{"home":"Hem"}})");
  Environment language("LANGUAGE", "sv_FI");
  EXPECT_EQ(initialise(L""), L"sv-SE");
  EXPECT_EQ(translate("nav.home"), L"Hem");
}

}  // namespace
}  // namespace tolzeb::ui::i18n
