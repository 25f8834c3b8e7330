#include "ui/app/menu_switches.h"

#include <gtest/gtest.h>

#include "app_window_fixture.h"
#include "ui/foundation/i18n_test_support.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

TEST(MenuSwitchReadingRule, OnlyAFourByteDwordZeroSwitchesOff) {
  struct Case {
    const char* name;
    bool read;
    uint32_t type, size, value;
    bool on;
  };
  const Case cases[] = {
      {"missing value", false, 0, 0, 0, true},  {"DWORD 0", true, 4, 4, 0, false},
      {"DWORD 1", true, 4, 4, 1, true},         {"DWORD 7", true, 4, 4, 7, true},
      {"REG_SZ \"0\"", true, 1, 4, 0x30, true}, {"QWORD 0", true, 11, 8, 0, true},
      {"short DWORD 0", true, 4, 2, 0, true},   {"binary 0", true, 3, 4, 0, true},
  };
  for (const Case& c : cases) EXPECT_EQ(menuSwitchIsOn(c.read, c.type, c.size, c.value), c.on) << c.name;
}

TEST(MenuSwitchReadingRule, IndicesFollowTheValueNames) {
  shell::MenuSettings settings;
  for (size_t i = 0; i < kMenuSwitchCount; ++i) {
    shell::MenuSettings one;
    menuSwitch(one, i) = false;
    EXPECT_NE(one, settings) << i;
    EXPECT_FALSE(menuSwitch(one, i));
  }
  EXPECT_FALSE((shell::MenuSettings{false, true, true, true, true}.enabled));
  EXPECT_STREQ(kMenuSwitchNames[0], L"Enabled");
  EXPECT_STREQ(kMenuSwitchNames[4], L"TestArchive");
}

TEST(PackageIdentity, PublisherIdMatchesTheSystemsScheme) {
  // A publisher id every Windows installation carries in its built-in package names.
  EXPECT_EQ(publisherId(L"CN=Microsoft Corporation, O=Microsoft Corporation, L=Redmond, S=Washington, C=US"),
            L"8wekyb3d8bbwe");
  EXPECT_EQ(packageFamilyName(), L"TOLZEB.Archiver_" + publisherId(kPackagePublisher));
  const std::wstring alphabet = L"0123456789abcdefghjkmnpqrstvwxyz";
  for (const wchar_t* publisher : {L"CN=TOLZEB Development", L"", L"CN=x", L"CN=\u00e9t\u00e9"}) {
    std::wstring id = publisherId(publisher);
    ASSERT_EQ(id.size(), 13u);
    for (wchar_t c : id) EXPECT_NE(alphabet.find(c), std::wstring::npos);
    // The appended zero bit makes the last group even.
    EXPECT_EQ(alphabet.find(id.back()) % 2, 0u);
  }
}

TEST(PackageIdentity, VersionIsBetweenTheFirstTwoUnderscores) {
  EXPECT_EQ(packageVersionFromFullName(L"TOLZEB.Archiver_1.0.1.0_x64__pf2kr1zh9g8w8"), L"1.0.1.0");
  EXPECT_EQ(packageVersionFromFullName(L"TOLZEB.Archiver_1.0.0.0"), L"");
  EXPECT_EQ(packageVersionFromFullName(L"noUnderscore"), L"");
  EXPECT_EQ(packageVersionFromFullName(L"a__b"), L"");
}

class PackageStateTest : public ::testing::Test {
 protected:
  PackageStateTest() { i18n::initialise(L"en-US"); }
  i18n::testing::StateGuard guard;
};

TEST_F(PackageStateTest, BuildNumberFamilyAndQueryDecideTheState) {
  auto found = [](std::wstring fullName) {
    return [fullName](const std::wstring&) { return PackageLookup{PackageLookup::Outcome::Found, fullName}; };
  };
  auto none = [](const std::wstring&) { return PackageLookup{PackageLookup::Outcome::NoneInstalled, L""}; };
  auto unreadable = [](const std::wstring&) { return PackageLookup{}; };
  struct Case {
    const char* name;
    long build;
    std::wstring family;
    PackageLookupFunction lookup;
    uint8_t state;
    std::wstring installed;
    std::string messageKey;
  };
  const std::wstring family = packageFamilyName();
  const Case cases[] = {
      {"unreadable build", 0, family, none, 3, L"", "explorer.windows_10_or_older"},
      {"build 21999", 21999, family, none, 3, L"", "explorer.windows_10_or_older"},
      {"build 22000, none", 22000, family, none, 0, L"", "package.not_in_menu"},
      {"no family name", 22631, L"", none, 4, L"", "package.no_family_name"},
      {"shipped version", 22631, family, found(L"TOLZEB.Archiver_1.0.0.0_x64__id"), 1, L"1.0.0.0", "package.in_menu"},
      {"name without version", 22631, family, found(L"TOLZEB.Archiver"), 1, L"", "package.in_menu"},
      {"query unavailable", 22631, family, unreadable, 4, L"", "explorer.status_unreadable"},
      {"no query at all", 22631, family, nullptr, 4, L"", "explorer.status_unreadable"},
  };
  for (const Case& c : cases) {
    PackageStatus status = packageStateFrom(c.build, c.family, c.lookup);
    EXPECT_EQ(status.state, c.state) << c.name;
    EXPECT_EQ(status.installedVersion, c.installed) << c.name;
    EXPECT_EQ(status.shippedVersion, L"1.0.0.0") << c.name;
    EXPECT_EQ(status.message, i18n::translate(c.messageKey)) << c.name;
  }
  PackageStatus other = packageStateFrom(22631, family, found(L"TOLZEB.Archiver_1.0.1.0_x64__id"));
  EXPECT_EQ(other.state, 2);
  EXPECT_EQ(other.message, L"Installed, but at version 1.0.1.0; this build ships 1.0.0.0.");
}

TEST(ShellScriptSearch, ReleaseBuildsLookOnlyBesideTheProgram) {
  EXPECT_EQ(shellScriptCandidates(L"C:\\Program Files\\TOLZEB", L"x.ps1", false),
            std::vector<std::wstring>{L"C:\\Program Files\\TOLZEB\\scripts\\x.ps1"});
  EXPECT_TRUE(shellScriptCandidates(L"", L"x.ps1", true).empty());
}

TEST(ShellScriptSearch, DevelopmentFallbackNeverReachesARoot) {
  struct Case {
    const wchar_t* folder;
    size_t candidates;
  };
  const Case cases[] = {
      {L"C:\\src\\tolzeb\\out\\x64\\Release", 2},  // C:\src\scripts
      {L"C:\\tolzeb\\out\\x64\\Release", 1},       // would be C:\scripts
      {L"C:\\Program Files\\TZ", 1},
      {L"\\\\server\\share\\a\\b\\c\\d", 1},  // would be the share's root
      {L"\\\\server\\share\\a\\b\\c\\d\\e", 2},
      {L"C:\\a\\b\\..\\c\\d\\e\\f", 2},  // C:\a\c\d\e\f, four up is C:\a
      {L"C:\\a\\..\\b\\c\\d\\e", 1},
  };
  for (const Case& c : cases) {
    std::vector<std::wstring> found = shellScriptCandidates(c.folder, L"x.ps1", true);
    EXPECT_EQ(found.size(), c.candidates) << std::string(c.folder, c.folder + wcslen(c.folder));
  }
}

TEST(PowerShellLine, ScriptAndInstallFolderTravelQuoted) {
  EXPECT_EQ(powerShellCommandLine(L"C:\\W\\powershell.exe", L"C:\\P F\\scripts\\i.ps1",
                                  installDirArgument(L"C:\\Program Files\\TOLZEB")),
            L"\"C:\\W\\powershell.exe\" -NoProfile -ExecutionPolicy Bypass -NoExit -File "
            L"\"C:\\P F\\scripts\\i.ps1\" -InstallDir \"C:\\Program Files\\TOLZEB\"");
  EXPECT_EQ(powerShellCommandLine(L"p", L"s", L""), L"\"p\" -NoProfile -ExecutionPolicy Bypass -NoExit -File \"s\"");
}

using ExplorerMenuCommandTest = testing::AppWindowTest;

TEST_F(ExplorerMenuCommandTest, CheckingStatusFillsThePackageFields) {
  window.state().packageMessage = L"stale";
  window.onCommand(110, 0);
  PackageStatus expected = packageState();
  EXPECT_EQ(window.state().packageState, expected.state);
  EXPECT_EQ(window.state().packageMessage, expected.message);
  EXPECT_EQ(window.state().packageShippedVersion, L"1.0.0.0");
  EXPECT_EQ(window.state().menuSettings, loadMenuSettings());
}

// Neither the test program's folder nor this platform has the scripts: both controls report
// the failure instead of the "started" box.
TEST_F(ExplorerMenuCommandTest, InstallAndRemoveFailuresShowTheErrorBox) {
  window.onCommand(108, 0);
  window.onCommand(109, 0);
  ASSERT_EQ(host->messages.size(), 2u);
  for (const auto& [text, icon] : host->messages) {
    EXPECT_EQ(icon, MessageIcon::Error);
    EXPECT_NE(text, i18n::translate("dialog.explorer_install_started"));
  }
}

}  // namespace
}  // namespace tolzeb::ui
