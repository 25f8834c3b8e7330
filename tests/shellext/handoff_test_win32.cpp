// The hand-off: job files in the user's job folder, finding TolZeb beside the library, and
// offering the job to a main window (here one of this process).
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "shellext/handoff.h"
#include "shellext/job_image.h"
#include "support/temp_folder.h"

namespace tolzeb::shell {
namespace {

namespace fs = std::filesystem;

std::set<std::wstring> jobFiles() {
  std::set<std::wstring> names;
  for (const auto& entry : fs::directory_iterator(shellJobFolder()))
    if (entry.path().extension() == L".tzjob") names.insert(entry.path().filename().wstring());
  return names;
}

std::vector<uint8_t> readAll(const std::wstring& path) {
  std::ifstream in(fs::path(path), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(ShellHandOffQuoting, CommandLineSplittingGivesEveryArgumentBack) {
  const wchar_t* arguments[] = {L"C:\\Program Files\\TOLZEB\\TolZeb.exe",
                                L"C:\\ends\\in\\backslash\\",
                                L"C:\\with space\\ends\\",
                                L"",
                                L"quote\"inside",
                                L"back\\\\\"slashes\" a",
                                L"tab\tand\nline"};
  for (const wchar_t* argument : arguments) {
    std::wstring line = L"x.exe " + quoteArgument(argument) + L" --shell-job";
    int count = 0;
    LPWSTR* split = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(split, nullptr);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(std::wstring(split[1]), std::wstring(argument));
    LocalFree(split);
  }
}

TEST(ShellJobFiles, AJobIsWrittenWhole) {
  ShellJob job{3, {L"C:\\in\\a.zip", L"C:\\in\\b c.7z"}};
  std::wstring path = writeShellJobFile(job);
  ASSERT_FALSE(path.empty());
  std::wstring name = fs::path(path).filename().wstring();
  EXPECT_EQ(name.size(), 32u + 6u);
  EXPECT_EQ(name.find_first_not_of(L"0123456789abcdef"), 32u);
  EXPECT_EQ(fs::path(path).parent_path().wstring(), shellJobFolder());
  std::vector<uint8_t> expected;
  ASSERT_TRUE(serializeShellJob(job, expected));
  EXPECT_EQ(readAll(path), expected);
  DeleteFileW(path.c_str());
  EXPECT_TRUE(writeShellJobFile(ShellJob{9, {L"C:\\a"}}).empty());
}

TEST(ShellJobFiles, PurgeDeletesOnlyFilesOfAnHourOrMore) {
  struct Case {
    const wchar_t* name;
    int64_t minutesOld;
    bool kept;
  };
  const Case cases[] = {
      {L"00000000000000000000000000000059.tzjob", 59, true},
      {L"00000000000000000000000000000060.tzjob", 60, false},
      {L"00000000000000000000000000000061.tzjob", 61, false},
      {L"000000000000000000000000000000f5.tzjob", -5, true},  // written in the future
  };
  std::wstring folder = shellJobFolder();
  ASSERT_FALSE(folder.empty());
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  uint64_t ticksNow = (uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  for (const Case& c : cases) {
    std::wstring path = folder + L"\\" + c.name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    // Five seconds towards the side each file must stay on, so the run's own time cannot move a
    // file across the line: the 59-minute file younger, the 60-minute one older.
    int64_t margin = c.minutesOld == 59 ? 50000000 : c.minutesOld == 60 ? -50000000 : 0;
    uint64_t written = ticksNow - c.minutesOld * 600000000LL + margin;
    FILETIME time{DWORD(written), DWORD(written >> 32)};
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
  }
  purgeOldJobs(60);
  for (const Case& c : cases) {
    std::wstring path = folder + L"\\" + c.name;
    EXPECT_EQ(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES, c.kept) << c.minutesOld;
    DeleteFileW(path.c_str());
  }
}

// A copy of the library in a scratch folder, so what lies beside it is up to the test.
class LibraryCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root() / "ext");
    std::string built = TOLZEB_SHELLEXT_DLL;
    fs::copy_file(fs::path(built), root() / "ext" / "TolZebShellExt.dll");
    library = LoadLibraryW((root() / "ext" / "TolZebShellExt.dll").wstring().c_str());
    ASSERT_NE(library, nullptr);
  }
  void TearDown() override {
    if (library) FreeLibrary(library);
  }
  void touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "";
  }

  fs::path root() const { return fs::path(folder.path()); }

  tolzeb::testing::TempFolder folder;
  HMODULE library = nullptr;
};

TEST_F(LibraryCopyTest, TheProgramIsFoundBesideTheLibraryOrInUi) {
  EXPECT_EQ(locateGui(library), L"");
  EXPECT_EQ(launchShellJob(library, 1, {L"C:\\a.txt"}), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(launchShellJob(library, 1, {}), E_INVALIDARG);
  touch(root() / "ui" / "TolZeb.exe");
  EXPECT_EQ(locateGui(library), (root() / "ext").wstring() + L"\\..\\ui\\TolZeb.exe");
  fs::create_directories(root() / "ext" / "TolZeb.exe");  // a folder of that name does not count
  EXPECT_EQ(locateGui(library), (root() / "ext").wstring() + L"\\..\\ui\\TolZeb.exe");
  fs::remove(root() / "ext" / "TolZeb.exe");
  touch(root() / "ext" / "TolZeb.exe");
  EXPECT_EQ(locateGui(library), (root() / "ext" / "TolZeb.exe").wstring());
}

TEST_F(LibraryCopyTest, AProgramThatCannotStartLeavesNoJobBehind) {
  touch(root() / "ext" / "TolZeb.exe");  // empty: not a program
  std::set<std::wstring> before = jobFiles();
  HRESULT result = launchShellJob(library, 1, {L"C:\\a.txt"});
  EXPECT_TRUE(FAILED(result));
  EXPECT_EQ(HRESULT_FACILITY(result), FACILITY_WIN32);
  EXPECT_EQ(jobFiles(), before);
}

// A main window in this process; SendMessageTimeoutW calls it directly.
struct WindowReply {
  LRESULT reply = 1;
  bool deleteJob = false;  // as the program's reader does with every file it opened
  int received = 0;
  std::wstring path;
  ULONG_PTR tag = 0;
};
WindowReply* gReply = nullptr;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA && gReply) {
    auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    ++gReply->received;
    gReply->tag = data->dwData;
    gReply->path.assign(static_cast<const wchar_t*>(data->lpData), data->cbData / 2 - 1);
    if (gReply->deleteJob) DeleteFileW(gReply->path.c_str());
    return gReply->reply;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class MainWindowTest : public LibraryCopyTest {
 protected:
  HWND makeWindow(const wchar_t* className, bool visible) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, className, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (visible) ShowWindow(window, SW_SHOWNOACTIVATE);
    windows.push_back(window);
    return window;
  }
  void TearDown() override {
    for (HWND window : windows) DestroyWindow(window);
    gReply = nullptr;
    LibraryCopyTest::TearDown();
  }
  std::vector<HWND> windows;
};

TEST_F(MainWindowTest, OnlyAVisibleWindowOfExactlyThatClassIsOffered) {
  makeWindow(L"TolZebMainWindowX", true);
  makeWindow(L"TolZebMainWindow", false);
  HWND found = nullptr;
  EnumWindows(findMainWindowProc, reinterpret_cast<LPARAM>(&found));
  EXPECT_EQ(found, nullptr);
  HWND visible = makeWindow(L"TolZebMainWindow", true);
  EnumWindows(findMainWindowProc, reinterpret_cast<LPARAM>(&found));
  EXPECT_EQ(found, visible);
}

TEST_F(MainWindowTest, TheWindowGetsTheJobPath) {
  touch(root() / "ext" / "TolZeb.exe");  // present but never started
  makeWindow(L"TolZebMainWindow", true);
  WindowReply reply;
  gReply = &reply;
  std::set<std::wstring> before = jobFiles();
  EXPECT_EQ(launchShellJob(library, 2, {L"C:\\in\\a.zip"}), S_OK);
  ASSERT_EQ(reply.received, 1);
  EXPECT_EQ(reply.tag, kHandOffTag);
  ShellJob expected{2, {L"C:\\in\\a.zip"}};
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(serializeShellJob(expected, bytes));
  EXPECT_EQ(readAll(reply.path), bytes);
  DeleteFileW(reply.path.c_str());
  EXPECT_EQ(jobFiles(), before);
}

TEST_F(MainWindowTest, ARefusalAfterReadingStartsNoSecondProgram) {
  touch(root() / "ext" / "TolZeb.exe");  // would fail to start if it were tried
  makeWindow(L"TolZebMainWindow", true);
  WindowReply reply;
  reply.reply = 0;
  reply.deleteJob = true;
  gReply = &reply;
  EXPECT_EQ(launchShellJob(library, 4, {L"C:\\in\\a.zip"}), S_OK);
  EXPECT_EQ(reply.received, 1);

  // Refused without reading: the program is started, which fails here, and the job goes.
  reply.deleteJob = false;
  std::set<std::wstring> before = jobFiles();
  EXPECT_TRUE(FAILED(launchShellJob(library, 4, {L"C:\\in\\a.zip"})));
  EXPECT_EQ(jobFiles(), before);
}

}  // namespace
}  // namespace tolzeb::shell
