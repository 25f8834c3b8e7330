// Stands in for the window program beside the extension library in the end-to-end scenarios:
// appends how it was started to "started.txt" beside itself, one argument a line (UTF-8) between
// a "start" and an "end" line, and exits. The library starts it when no window takes a job.

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

namespace {

std::string toUtf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(size_t(size > 1 ? size - 1 : 0), '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

}  // namespace

int wmain() {
  wchar_t self[32768];
  const DWORD length = GetModuleFileNameW(nullptr, self, 32768);
  if (length == 0 || length >= 32768) return 1;
  std::wstring record(self, length);
  record.resize(record.find_last_of(L"\\/") + 1);
  record += L"started.txt";

  // The line as CommandLineToArgvW splits it, which is how the program reads it.
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments) return 1;
  std::string text = "start\n";
  for (int k = 0; k < count; ++k) text += toUtf8(arguments[k]) + "\n";
  text += "end\n";
  LocalFree(arguments);

  // One write per start, appended, so the scenario sees a record whole or not at all.
  HANDLE file = CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL wrote = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
  CloseHandle(file);
  return wrote && written == text.size() ? 0 : 1;
}
