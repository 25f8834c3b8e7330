#include "shellext/handoff.h"

#include <bcrypt.h>
#include <shlobj.h>

#include "shellext/job_image.h"

namespace tolzeb::shell {
namespace {

constexpr int kNameAttempts = 8;
constexpr uint64_t kTicksPerMinute = 600000000;  // FILETIME units

bool isFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool makeFolder(const std::wstring& path) {
  return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

uint64_t ticks(const FILETIME& time) { return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

std::wstring folderOf(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

// True when the window answered that it took the job.
bool offerToWindow(HWND window, const std::wstring& jobPath) {
  // The permission must be in place before the window handles the message, or its attempt to
  // come to the front is refused.
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != 0) AllowSetForegroundWindow(process);
  COPYDATASTRUCT data{};
  data.dwData = kHandOffTag;
  data.cbData = DWORD((jobPath.size() + 1) * sizeof(wchar_t));
  data.lpData = const_cast<wchar_t*>(jobPath.c_str());
  DWORD_PTR reply = 0;
  LRESULT sent = SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                                     kHandOffTimeoutMilliseconds, &reply);
  return sent != 0 && reply != 0;
}

}  // namespace

std::wstring locateGui(HMODULE module) {
  std::vector<wchar_t> buffer(32768);
  DWORD length = GetModuleFileNameW(module, buffer.data(), DWORD(buffer.size()));
  if (length == 0 || length > 32767) return {};
  std::wstring folder = folderOf(std::wstring(buffer.data(), length));
  if (folder.empty()) return {};
  for (const wchar_t* relative : {L"\\TolZeb.exe", L"\\..\\ui\\TolZeb.exe"}) {
    std::wstring candidate = folder + relative;
    if (isFile(candidate)) return candidate;
  }
  return {};
}

std::wstring shellJobFolder() {
  PWSTR base = nullptr;
  HRESULT found = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &base);
  std::wstring folder = SUCCEEDED(found) && base ? base : L"";
  CoTaskMemFree(base);
  if (folder.empty()) return {};
  folder += L"\\TOLZEB";
  if (!makeFolder(folder)) return {};
  folder += std::wstring(L"\\") + kShellJobFolderName;
  if (!makeFolder(folder)) return {};
  return folder;
}

void purgeOldJobs(uint64_t minutes) {
  std::wstring folder = shellJobFolder();
  if (folder.empty()) return;
  FILETIME nowTime;
  GetSystemTimeAsFileTime(&nowTime);
  uint64_t now = ticks(nowTime);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*" + kShellJobExtension).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    uint64_t written = ticks(found.ftLastWriteTime);
    if (written <= now && now - written >= minutes * kTicksPerMinute)
      DeleteFileW((folder + L"\\" + found.cFileName).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

std::wstring randomJobFileName() {
  uint8_t bytes[16];
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG))) return {};
  return jobFileNameFromBytes(bytes);
}

std::wstring writeShellJobFile(const ShellJob& job) {
  std::vector<uint8_t> bytes;
  if (!serializeShellJob(job, bytes)) return {};
  std::wstring folder = shellJobFolder();
  if (folder.empty()) return {};
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::wstring name = randomJobFileName();
    if (name.empty()) return {};
    std::wstring path = folder + L"\\" + name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      return {};
    }
    DWORD written = 0;
    BOOL wrote = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!wrote || written != bytes.size()) {
      DeleteFileW(path.c_str());
      return {};
    }
    return path;
  }
  return {};
}

BOOL CALLBACK findMainWindowProc(HWND window, LPARAM found) {
  wchar_t name[128];
  if (GetClassNameW(window, name, 128) == 0) return TRUE;
  if (wcscmp(name, L"TolZebMainWindow") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

bool startGui(const std::wstring& program, const std::wstring& jobPath) {
  std::wstring line = quoteArgument(program) + L" --shell-job " + quoteArgument(jobPath);
  std::vector<wchar_t> writable(line.begin(), line.end());
  writable.push_back(0);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  std::wstring folder = folderOf(program);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

HRESULT launchShellJob(HMODULE module, uint32_t operation, const std::vector<std::wstring>& paths) {
  if (paths.empty()) return E_INVALIDARG;
  std::wstring program = locateGui(module);
  if (program.empty()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  purgeOldJobs(kJobAgeLimitMinutes);
  ShellJob job;
  job.operation = operation;
  job.paths = paths;
  std::wstring jobPath = writeShellJobFile(job);
  if (jobPath.empty()) return E_FAIL;
  HWND window = nullptr;
  EnumWindows(findMainWindowProc, reinterpret_cast<LPARAM>(&window));
  if (window) {
    if (offerToWindow(window, jobPath)) return S_OK;
    // Every reading attempt but a failed open deletes the file: when it is gone, the window took
    // the job (and refused it or is still showing a box about it), and a second program would
    // only report it unreadable.
    if (!exists(jobPath)) return S_OK;
  }
  if (startGui(program, jobPath)) return S_OK;
  DWORD error = GetLastError();
  DeleteFileW(jobPath.c_str());
  return HRESULT_FROM_WIN32(error);
}

}  // namespace tolzeb::shell
