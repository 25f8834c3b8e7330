// Handing a clicked command to the graphical program: a job file in the user's job folder,
// offered to a running main window, else a new TolZeb started with it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/app/shell_job.h"

namespace tolzeb::shell {

inline constexpr ULONG_PTR kHandOffTag = 0x545A534A;
inline constexpr UINT kHandOffTimeoutMilliseconds = 3000;
inline constexpr uint64_t kJobAgeLimitMinutes = 60;

HRESULT launchShellJob(HMODULE module, uint32_t operation, const std::vector<std::wstring>& paths);

// TolZeb.exe beside the library, else in "..\ui" from it; empty when neither exists.
std::wstring locateGui(HMODULE module);
// %LOCALAPPDATA%\TOLZEB\shelljobs, created when missing; empty on failure.
std::wstring shellJobFolder();
// Deletes job files at least `minutes` old; a write time in the future keeps a file.
void purgeOldJobs(uint64_t minutes);
std::wstring randomJobFileName();
// The full path of the new job file; empty when nothing was written.
std::wstring writeShellJobFile(const ShellJob& job);
// EnumWindows callback: stores the first visible window of class "TolZebMainWindow" in the HWND
// that `found` points at.
BOOL CALLBACK findMainWindowProc(HWND window, LPARAM found);
bool startGui(const std::wstring& program, const std::wstring& jobPath);

}  // namespace tolzeb::shell
