// The process entry of the graphical program: the UI thread's apartment, the command line, the
// settings and language, the one-shot switches, then the main window and its message loop.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ui/app/about_window.h"
#include "ui/app/app_window.h"
#include "ui/app/file_association.h"
#include "ui/app/program_arguments.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/settings.h"

namespace tolzeb::ui {
namespace {

std::vector<std::wstring> commandLineArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* split = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!split) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(split[i]);
  LocalFree(split);
  return arguments;
}

int runMessageLoop() {
  MSG message{};
  int result;
  while ((result = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return int(message.wParam);
}

}  // namespace

// One result text for whoever started the program: its console when it has one, else a box.
void reportToUser(const std::wstring& text, bool isError) {
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    HANDLE output = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (output != INVALID_HANDLE_VALUE) {
      std::wstring line = text + L"\n";
      DWORD written = 0;
      // WriteConsoleW keeps every character of the translations, which narrow output would not.
      WriteConsoleW(output, line.c_str(), DWORD(line.size()), &written, nullptr);
      CloseHandle(output);
    }
    FreeConsole();
    return;
  }
  MessageBoxW(nullptr, text.c_str(), L"TOLZEB", isError ? MB_ICONERROR : MB_ICONINFORMATION);
}

int runProgram(HINSTANCE instance, int showCommand) {
  HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  std::vector<std::wstring> arguments = commandLineArguments();
  loadSettingsAtStart();

  int exitCode = 0;
  switch (decideStartAction(arguments)) {
    case StartAction::Register:
    case StartAction::Unregister: {
      const bool registering = decideStartAction(arguments) == StartAction::Register;
      const Status done = registering ? registerFileAssociation() : unregisterFileAssociation();
      if (done.failed()) {
        reportToUser(statusText(done.code(), done.message()), true);
        exitCode = 1;
      } else {
        reportToUser(i18n::translate(registering ? "cli.registered" : "cli.unregistered"), false);
      }
      break;
    }
    case StartAction::About:
      showAboutWindow(nullptr);
      break;
    case StartAction::Window: {
      AppWindow window;
      if (!window.create(instance, showCommand)) {
        MessageBoxW(nullptr, i18n::translate("cli.start_failed").c_str(), L"TOLZEB", MB_ICONERROR);
        exitCode = 1;
        break;
      }
      std::wstring job = shellJobArgument(arguments);
      if (!job.empty())
        window.runShellJobFile(job);
      else
        window.openPaths(arguments);
      exitCode = runMessageLoop();
      break;
    }
  }
  if (SUCCEEDED(apartment)) CoUninitialize();
  return exitCode;
}

}  // namespace tolzeb::ui

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  return tolzeb::ui::runProgram(instance, showCommand);
}
