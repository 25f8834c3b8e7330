// The real about window: created, driven by posted messages from a thread timer that the window's
// own loop dispatches, and closed; every wait is bounded by a deadline that closes the window.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "ui/app/about_window.h"
#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/i18n_test_support.h"
#include "ui/foundation/languages.h"

namespace tolzeb::ui::testing {
namespace {

// Generous: making the renderer's fonts takes seconds under load; only a failure waits this long.
constexpr ULONGLONG kDeadlineMs = 60000;

// This thread's about window: tests in other processes of the same prefix open theirs at the same
// time, and a search by class alone could find one of those.
HWND aboutWindowOfThisThread() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM result) -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (std::wstring(name) != L"TolZebAboutWindow") return TRUE;
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// What a tick does with the about window once it exists; true when it has nothing more to do.
std::function<bool(HWND)> tick;
ULONGLONG deadline = 0;
bool timedOut = false;
bool seen = false;

void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND about = aboutWindowOfThisThread();
  if (about) seen = true;
  if (GetTickCount64() > deadline) {
    timedOut = true;
    if (about) PostMessageW(about, WM_CLOSE, 0, 0);
    return;
  }
  if (about && tick && tick(about)) tick = nullptr;
}

// Shows the window over `owner` with `step` running on every tick until it reports done.
bool showDriven(HWND owner, std::function<bool(HWND)> step) {
  tick = std::move(step);
  deadline = GetTickCount64() + kDeadlineMs;
  timedOut = false;
  seen = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, onTimer);
  const bool shown = showAboutWindow(owner);
  KillTimer(nullptr, timer);
  tick = nullptr;
  return shown;
}

void post(HWND window, UINT message, WPARAM wParam, int x = 0, int y = 0) {
  PostMessageW(window, message, wParam, MAKELPARAM(x, y));
}

SIZE clientSize(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return {client.right, client.bottom};
}

class AboutWindowTest : public ::testing::Test {
 protected:
  AboutWindowTest() {
    owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 900, 700, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~AboutWindowTest() override {
    if (owner) DestroyWindow(owner);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  i18n::testing::StateGuard language{i18n::loadCatalog(L"en-US"), nullptr, &i18n::englishLanguage()};
  HWND owner = nullptr;
};

TEST_F(AboutWindowTest, OpensOverItsDisabledOwnerAndClosesOnEscape) {
  ASSERT_NE(owner, nullptr);
  bool ownerDisabled = false, ownedByOwner = false, visible = false;
  std::wstring title;
  SIZE size{};
  const bool shown = showDriven(owner, [&](HWND about) {
    ownerDisabled = !IsWindowEnabled(owner);
    ownedByOwner = GetWindow(about, GW_OWNER) == owner;
    visible = IsWindowVisible(about) != FALSE;
    wchar_t text[64] = {};
    GetWindowTextW(about, text, 64);
    title = text;
    size = clientSize(about);
    post(about, WM_KEYDOWN, VK_ESCAPE);
    return true;
  });
  EXPECT_TRUE(shown);
  EXPECT_FALSE(timedOut) << "Escape did not close the window";
  EXPECT_TRUE(seen);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(ownedByOwner);
  EXPECT_TRUE(visible);
  EXPECT_EQ(title, L"About TolZeb");
  const UINT dpi = GetDpiForWindow(owner);
  EXPECT_EQ(size.cx, MulDiv(480, int(dpi), 96));
  EXPECT_GT(size.cy, MulDiv(400, int(dpi), 96)) << "the height follows the content";
  EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner is enabled again";
  EXPECT_EQ(aboutWindowOfThisThread(), nullptr);
}

TEST_F(AboutWindowTest, TheOkButtonClosesOnlyWhenReleasedOverIt) {
  int step = 0;
  bool stillOpenAfterSlip = false;
  const bool shown = showDriven(owner, [&](HWND about) {
    const SIZE size = clientSize(about);
    const UINT dpi = GetDpiForWindow(about);
    // The button sits 18 to 56 DIPs below the footer's top, which is 74 DIPs above the bottom.
    const int x = MulDiv(400, int(dpi), 96), y = size.cy - MulDiv(37, int(dpi), 96);
    switch (step++) {
      case 0:  // pressed on the button, released away from it
        post(about, WM_LBUTTONDOWN, MK_LBUTTON, x, y);
        post(about, WM_LBUTTONUP, 0, 5, 5);
        return false;
      case 1:
        stillOpenAfterSlip = IsWindow(about) != FALSE;
        post(about, WM_LBUTTONDOWN, MK_LBUTTON, x, y);
        post(about, WM_LBUTTONUP, 0, x, y);
        return true;
      default:
        return true;
    }
  });
  EXPECT_TRUE(shown);
  EXPECT_TRUE(stillOpenAfterSlip);
  EXPECT_FALSE(timedOut) << "a click on OK did not close the window";
}

TEST_F(AboutWindowTest, AQuitWhileOpenEndsTheWindowAndIsPostedAgain) {
  // From the command line: no owner.
  const bool shown = showDriven(nullptr, [](HWND) {
    PostQuitMessage(7);
    return true;
  });
  EXPECT_TRUE(shown);
  EXPECT_FALSE(timedOut);
  EXPECT_EQ(aboutWindowOfThisThread(), nullptr);
  MSG message{};
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

// The system's app theme under HKEY_CURRENT_USER, put back as it was afterwards.
class AppThemeValue {
 public:
  static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  AppThemeValue() {
    DWORD size = sizeof(saved_);
    hadValue_ = RegGetValueW(HKEY_CURRENT_USER, kKey, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &saved_,
                             &size) == ERROR_SUCCESS;
  }
  ~AppThemeValue() {
    if (hadValue_)
      set(saved_);
    else
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"AppsUseLightTheme");
  }
  static bool set(DWORD value) {
    return RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"AppsUseLightTheme", REG_DWORD, &value, sizeof(value)) ==
           ERROR_SUCCESS;
  }

 private:
  bool hadValue_ = false;
  DWORD saved_ = 0;
};

TEST(AboutThemeWin32Test, TheEnvironmentOverridesTheSystemThemeInAnyCase) {
  AppThemeValue restore;
  struct Case {
    const wchar_t* environment;  // null: not set
    DWORD appsUseLightTheme;
    bool dark;
  };
  const Case cases[] = {
      {L"DARK", 1, true},  {L"LiGhT", 0, false}, {L"blue", 0, true},
      {L"blue", 1, false}, {nullptr, 0, true},   {L"darkdarkdarkdarkdark", 1, false},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(AppThemeValue::set(c.appsUseLightTheme));
    SetEnvironmentVariableW(L"TOLZEB_ABOUT_THEME", c.environment);
    EXPECT_EQ(aboutUsesDarkTheme(), c.dark) << (c.environment ? "set" : "unset") << " " << c.appsUseLightTheme;
  }
  SetEnvironmentVariableW(L"TOLZEB_ABOUT_THEME", nullptr);
}

}  // namespace
}  // namespace tolzeb::ui::testing
