#include "ui/app/form_rules.h"

#include <gtest/gtest.h>

namespace tolzeb::ui {
namespace {

TEST(FormRulesTest, ACompressFormIsReadyWithSourcesADestinationAndMatchingPasswords) {
  struct Case {
    bool sources, destination, encrypt;
    uint8_t format;
    std::wstring password, repeat;
    bool ready;
  } cases[] = {
      {true, true, false, 1, L"", L"", true},
      {false, true, false, 1, L"", L"", false},
      {true, false, false, 1, L"", L"", false},
      {true, true, true, 1, L"", L"", false},
      {true, true, true, 1, L"pw", L"pw", true},
      {true, true, true, 1, L"pw", L"pW", false},
      {true, true, true, 1, L"pw", L"", false},
      {true, true, true, 2, L"", L"", true},  // encryption is for ".zeb" only
  };
  for (const Case& c : cases) {
    PageState state;
    if (c.sources) state.compressSources = {L"a"};
    if (c.destination) state.compressDestination = L"a.zeb";
    state.compressEncrypt = c.encrypt;
    state.compressFormat = c.format;
    state.compressPassword.insert(c.password, 1024);
    state.compressPasswordRepeat.insert(c.repeat, 1024);
    EXPECT_EQ(compressFormReady(state), c.ready) << c.sources << c.destination << c.encrypt << int(c.format);
  }
}

TEST(FormRulesTest, AnExtractFormIsReadyWithAnArchiveADestinationAndWhatItsLockNeeds) {
  struct Case {
    std::wstring archive, destination;
    bool locked;
    std::wstring password, message;
    bool ready;
  } cases[] = {
      {L"a.zeb", L"out", false, L"", L"", true},
      {L"", L"out", false, L"", L"", false},
      {L"a.zeb", L"", false, L"", L"", false},
      {L"a.zeb", L"out", false, L"", L"That file is no longer there", false},
      {L"a.zeb", L"out", true, L"", L"", false},
      {L"a.zeb", L"out", true, L"pw", L"Wrong password", true},
  };
  for (const Case& c : cases) {
    PageState state;
    state.extractArchive = c.archive;
    state.extractDestination = c.destination;
    state.extractLocked = c.locked;
    state.extractPassword.insert(c.password, 1024);
    state.extractInfoMessage = c.message;
    EXPECT_EQ(extractFormReady(state), c.ready) << c.archive << "|" << c.destination << "|" << c.locked;
  }
}

}  // namespace
}  // namespace tolzeb::ui
