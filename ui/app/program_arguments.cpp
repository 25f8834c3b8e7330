#include "ui/app/program_arguments.h"

namespace tolzeb::ui {

StartAction decideStartAction(const std::vector<std::wstring>& arguments) {
  for (const std::wstring& argument : arguments) {
    if (argument == L"--register") return StartAction::Register;
    if (argument == L"--unregister") return StartAction::Unregister;
  }
  for (const std::wstring& argument : arguments)
    if (argument == L"--about") return StartAction::About;
  return StartAction::Window;
}

std::wstring shellJobArgument(const std::vector<std::wstring>& arguments) {
  for (size_t i = 0; i + 1 < arguments.size(); ++i)
    if (arguments[i] == L"--shell-job") return arguments[i + 1];
  return {};
}

}  // namespace tolzeb::ui
