#include "ui/app/program_arguments.h"

#include <gtest/gtest.h>

namespace tolzeb::ui {
namespace {

TEST(ProgramArgumentsTest, TheFirstRegistrationSwitchDecidesThenAboutThenTheWindow) {
  struct Case {
    std::vector<std::wstring> arguments;
    StartAction expected;
  } cases[] = {
      {{}, StartAction::Window},
      {{L"--unregister", L"--register"}, StartAction::Unregister},
      {{L"--register", L"--about"}, StartAction::Register},
      {{L"a.zeb", L"--about", L"b.txt"}, StartAction::About},
      {{L"--REGISTER"}, StartAction::Window},
      {{L"--about=1", L" --about"}, StartAction::Window},
      {{L"--shell-job", L"--register"}, StartAction::Register},
  };
  for (const Case& c : cases) EXPECT_EQ(decideStartAction(c.arguments), c.expected) << c.arguments.size();
}

TEST(ProgramArgumentsTest, AShellJobNeedsAPathAfterItsSwitch) {
  struct Case {
    std::vector<std::wstring> arguments;
    std::wstring job;
  } cases[] = {
      {{L"--shell-job", L"C:\\t\\job.tzjob"}, L"C:\\t\\job.tzjob"},
      {{L"x", L"--shell-job", L"j1", L"--shell-job", L"j2"}, L"j1"},
      {{L"--shell-job"}, L""},
      {{L"a.zeb", L"--shell-job"}, L""},
      {{L"--shell-job", L""}, L""},
      {{L"--Shell-Job", L"j"}, L""},
  };
  for (const Case& c : cases) EXPECT_EQ(shellJobArgument(c.arguments), c.job);
}

}  // namespace
}  // namespace tolzeb::ui
