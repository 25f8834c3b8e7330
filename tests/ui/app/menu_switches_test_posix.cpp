#include <gtest/gtest.h>

#include "app_window_fixture.h"
#include "ui/app/menu_switches.h"

namespace tolzeb::ui {
namespace {

using ExplorerMenuSwitchPosixTest = testing::AppWindowTest;

// Nothing can store the switches here: the write fails, the box shows it, and the page falls
// back to what can be read, all on.
TEST_F(ExplorerMenuSwitchPosixTest, AFailedWriteShowsTheBoxAndRereads) {
  window.onCommand(112, 0);
  ASSERT_EQ(host->messages.size(), 1u);
  EXPECT_EQ(host->messages[0].second, MessageIcon::Error);
  EXPECT_NE(host->messages[0].first.find(i18n::translate("package.registry_closed")), std::wstring::npos);
  EXPECT_EQ(window.state().menuSettings, shell::MenuSettings{});
}

}  // namespace
}  // namespace tolzeb::ui
