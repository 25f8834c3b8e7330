// The switches in the registry of the test prefix, and what the settings page's controls do
// with them.
#include <gtest/gtest.h>
#include <windows.h>

#include "app_window_fixture.h"
#include "ui/app/menu_switches.h"

namespace tolzeb::ui {
namespace {

class MenuSwitchRegistryTest : public testing::AppWindowTest {
 protected:
  MenuSwitchRegistryTest() { RegDeleteTreeW(HKEY_CURRENT_USER, kMenuSettingsKey); }
  ~MenuSwitchRegistryTest() override { RegDeleteTreeW(HKEY_CURRENT_USER, kMenuSettingsKey); }

  void write(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, kMenuSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  // The stored value as (type, value); type 0 when it is missing.
  std::pair<DWORD, DWORD> stored(const wchar_t* name) {
    DWORD type = 0, value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kMenuSettingsKey, name, RRF_RT_ANY, &type, &value, &size) != ERROR_SUCCESS)
      return {0, 0};
    return {type, value};
  }
};

TEST_F(MenuSwitchRegistryTest, ReadingFollowsTheRule) {
  EXPECT_EQ(loadMenuSettings(), shell::MenuSettings{});  // no key: all on
  const wchar_t zeroText[] = L"0";
  write(L"Enabled", REG_SZ, zeroText, sizeof(zeroText));
  ULONGLONG zero64 = 0;
  write(L"Compress", REG_QWORD, &zero64, sizeof(zero64));
  DWORD seven = 7, zero = 0;
  write(L"ExtractHere", REG_DWORD, &seven, sizeof(seven));
  write(L"TestArchive", REG_DWORD, &zero, sizeof(zero));
  EXPECT_EQ(loadMenuSettings(), (shell::MenuSettings{true, true, true, true, false}));
}

TEST_F(MenuSwitchRegistryTest, SavingWritesAllFiveAsDwords) {
  ASSERT_FALSE(saveMenuSettings(shell::MenuSettings{true, false, true, false, true}).failed());
  for (size_t i = 0; i < kMenuSwitchCount; ++i)
    EXPECT_EQ(stored(kMenuSwitchNames[i]), std::make_pair(DWORD(REG_DWORD), DWORD(i % 2 == 0 ? 1 : 0))) << i;
  EXPECT_EQ(loadMenuSettings(), (shell::MenuSettings{true, false, true, false, true}));
}

TEST_F(MenuSwitchRegistryTest, EachSwitchControlTogglesAndStoresItsSwitch) {
  for (uint16_t id = 111; id <= 115; ++id) {
    window.onCommand(id, 0);
    size_t index = id - 111;
    EXPECT_FALSE(menuSwitch(window.state().menuSettings, index)) << id;
    EXPECT_EQ(stored(kMenuSwitchNames[index]).second, 0u) << id;
  }
  window.onCommand(113, 0);
  EXPECT_EQ(stored(L"ExtractHere").second, 1u);
  EXPECT_TRUE(host->messages.empty());
  window.onCommand(110, 0);  // checking the status reads them back
  EXPECT_EQ(window.state().menuSettings, (shell::MenuSettings{false, false, true, false, false}));
}

TEST_F(MenuSwitchRegistryTest, InstallingWithoutScriptsBesideTheProgramStartsNothing) {
  // The test program's folder has no "scripts" folder.
  EXPECT_EQ(findShellScript(kInstallScriptName), L"");
  Status started = installShellExtension(L"C:\\Program Files\\TOLZEB");
  ASSERT_TRUE(started.failed());
  EXPECT_EQ(started.failure().code, StatusCode::not_found);
  EXPECT_EQ(started.failure().message, i18n::translate("package.scripts_missing"));
}

TEST_F(MenuSwitchRegistryTest, PackageStateOnThisSystemNeverFails) {
  PackageStatus status = packageState();
  // The test prefix reports an older Windows, or a newer one without the package query.
  EXPECT_TRUE(status.state == 3 || status.state == 4) << int(status.state);
  EXPECT_FALSE(status.message.empty());
  EXPECT_EQ(programFolder().empty(), false);
}

// The Windows build under HKLM decides whether the package is asked for at all; the prefix's own
// value is put back afterwards.
class WindowsBuildTest : public MenuSwitchRegistryTest {
 protected:
  static constexpr wchar_t kVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  WindowsBuildTest() {
    DWORD size = sizeof(original_);
    hadOriginal_ = RegGetValueW(HKEY_LOCAL_MACHINE, kVersionKey, L"CurrentBuildNumber", RRF_RT_REG_SZ, nullptr,
                                original_, &size) == ERROR_SUCCESS;
  }
  ~WindowsBuildTest() override {
    if (hadOriginal_) setBuild(original_);
  }
  bool setBuild(const wchar_t* number) {
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, kVersionKey, L"CurrentBuildNumber", REG_SZ, number,
                           DWORD((wcslen(number) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  wchar_t original_[64] = {};
  bool hadOriginal_ = false;
};

TEST_F(WindowsBuildTest, OnlyWindows11BuildsAskForThePackage) {
  if (!setBuild(L"21999")) GTEST_SKIP() << "the Windows build cannot be written here";
  PackageStatus older = packageState();
  EXPECT_EQ(older.state, 3);
  EXPECT_EQ(older.message, i18n::translate("explorer.windows_10_or_older"));

  ASSERT_TRUE(setBuild(L"22000"));
  PackageStatus newer = packageState();
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (GetProcAddress(kernel, "FindPackagesByPackageFamily") == nullptr) {
    // Without the query the state is unknown, and the program still runs.
    EXPECT_EQ(newer.state, 4);
    EXPECT_EQ(newer.message, i18n::translate("explorer.status_unreadable"));
  } else {
    EXPECT_LE(newer.state, 2);
  }
  EXPECT_EQ(newer.shippedVersion, L"1.0.0.0");
}

}  // namespace
}  // namespace tolzeb::ui
