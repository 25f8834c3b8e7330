// The end-to-end driver: runs inside the program's Wine prefix and display, finds the program's
// windows and acts on them as a user would (SendInput, so hover, capture and GetKeyState behave as
// for real input), hands it WM_COPYDATA jobs, reads and dismisses its message boxes, and closes it.
// Results are `key=value` lines on stdout; line breaks and backslashes inside values are written as
// \n, \r and \\ so that every value stays on one line. Exit code 0 success, 1 failure, 2 usage.
//
//   tzdrive wait-window CLASS TIMEOUT_MS [--or-box IMAGE.exe] [--state normal|iconic|zoomed]
//   tzdrive show CLASS restore|minimize|maximize
//   tzdrive click|move|press|release CLASS X Y          (client DIPs)
//   tzdrive drag CLASS X1 Y1 X2 Y2
//   tzdrive wheel CLASS X Y DELTA
//   tzdrive key VK [ctrl] [shift] [--to CLASS]          (VK: a name such as tab, or a number)
//   tzdrive type TEXT [--to CLASS]
//   tzdrive copydata CLASS PATH [--timeout MS] [--tag N] [--cb N] [--nonull]
//   tzdrive drop CLASS X Y PATH [PATH ...]               (client DIPs of the drop point)
//   tzdrive msgbox PID|IMAGE.exe|CLASS TIMEOUT_MS [--press ok|cancel|yes|no]
//   tzdrive close CLASS TIMEOUT_MS
//   tzdrive serve                                       (commands from standard input, see serve)

#include <windows.h>
// After windows.h, which they need.
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;
constexpr DWORD kPollMilliseconds = 50;
constexpr ULONG_PTR kShellJobTag = 0x545A534A;
constexpr DWORD kDefaultCopyDataTimeout = 30000;
// How long a pressed box may take to go away before the press counts as failed.
constexpr DWORD kBoxCloseMilliseconds = 5000;
constexpr int kDragSteps = 8;
constexpr DWORD kIdleWaitMs = 5000;
constexpr int kMessageBoxTextId = 0xFFFF;

// ---- output ----

std::string toUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(size_t(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::string escaped(const std::wstring& value) {
  std::string out;
  for (char c : toUtf8(value)) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

void put(const char* key, const std::wstring& value) { std::printf("%s=%s\n", key, escaped(value).c_str()); }
void put(const char* key, long long value) { std::printf("%s=%lld\n", key, value); }
void putHex(const char* key, unsigned long long value) { std::printf("%s=0x%llx\n", key, value); }

int fail(const std::wstring& why) {
  put("error", why);
  return kFailure;
}

int usage() {
  std::fputs(
      "usage: tzdrive wait-window CLASS TIMEOUT_MS [--or-box IMAGE.exe] [--state normal|iconic|zoomed]\n"
      "       tzdrive show CLASS restore|minimize|maximize\n"
      "       tzdrive click|move|press|release CLASS X Y\n"
      "       tzdrive drag CLASS X1 Y1 X2 Y2\n"
      "       tzdrive wheel CLASS X Y DELTA\n"
      "       tzdrive key VK [ctrl] [shift] [--to CLASS]\n"
      "       tzdrive type TEXT [--to CLASS]\n"
      "       tzdrive wait-focus CLASS TIMEOUT_MS    (the keyboard focus on a control of that class)\n"
      "       tzdrive copydata CLASS PATH [--timeout MS] [--tag N] [--cb N] [--nonull]\n"
      "       tzdrive msgbox PID|IMAGE.exe|CLASS TIMEOUT_MS [--press ok|cancel|yes|no]\n"
      "       tzdrive close CLASS TIMEOUT_MS\n",
      stderr);
  return kUsage;
}

// ---- arguments ----

bool parseNumber(const wchar_t* text, long long& value) {
  if (!text || !*text) return false;
  wchar_t* end = nullptr;
  value = std::wcstoll(text, &end, 0);  // base 0: 0x1B and 27 both work
  return end && *end == 0;
}

bool parseDip(const wchar_t* text, double& value) {
  if (!text || !*text) return false;
  wchar_t* end = nullptr;
  value = std::wcstod(text, &end);
  return end && *end == 0;
}

// The value after `flag` among args[from..], or null.
const wchar_t* option(const std::vector<std::wstring>& args, size_t from, const wchar_t* flag) {
  for (size_t i = from; i + 1 < args.size(); ++i) {
    if (args[i] == flag) return args[i + 1].c_str();
  }
  return nullptr;
}

bool hasWord(const std::vector<std::wstring>& args, size_t from, const wchar_t* word) {
  for (size_t i = from; i < args.size(); ++i) {
    if (_wcsicmp(args[i].c_str(), word) == 0) return true;
  }
  return false;
}

// ---- windows and processes ----

struct Deadline {
  ULONGLONG end;
  explicit Deadline(DWORD milliseconds) : end(GetTickCount64() + milliseconds) {}
  bool passed() const { return GetTickCount64() >= end; }
  DWORD left() const {
    const ULONGLONG now = GetTickCount64();
    return now >= end ? 0 : DWORD(end - now);
  }
};

std::wstring windowText(HWND window) {
  wchar_t buffer[4096] = {};
  GetWindowTextW(window, buffer, int(std::size(buffer)));
  return buffer;
}

std::wstring className(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, int(std::size(buffer)));
  return buffer;
}

DWORD processOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

// The file name of a process's image ("TolZeb.exe"), empty when it cannot be asked.
std::wstring imageName(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return {};
  wchar_t path[MAX_PATH * 4] = {};
  DWORD size = DWORD(std::size(path));
  std::wstring name;
  if (QueryFullProcessImageNameW(process, 0, path, &size)) {
    name = path;
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
  }
  CloseHandle(process);
  return name;
}

// The first visible top-level window of the class: a hidden one of the same class (a dialog that
// is closing) may come first in the z-order.
HWND findVisibleWindow(const std::wstring& windowClass) {
  struct Search {
    const std::wstring* windowClass;
    HWND found;
  } search{&windowClass, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* wanted = reinterpret_cast<Search*>(data);
        wchar_t name[256] = {};
        GetClassNameW(window, name, 256);
        if (IsWindowVisible(window) && *wanted->windowClass == name) {
          wanted->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Who owns the message boxes to look for: a process id, an image name, or a main window class.
struct BoxOwner {
  DWORD pid = 0;
  std::wstring image;
  std::wstring windowClass;

  static BoxOwner parse(const std::wstring& text) {
    BoxOwner owner;
    long long pid = 0;
    if (parseNumber(text.c_str(), pid) && pid > 0) {
      owner.pid = DWORD(pid);
    } else if (text.size() > 4 && _wcsicmp(text.c_str() + text.size() - 4, L".exe") == 0) {
      owner.image = text;
    } else {
      owner.windowClass = text;
    }
    return owner;
  }

  bool owns(HWND window) const {
    const DWORD windowPid = processOf(window);
    if (pid) return windowPid == pid;
    if (!image.empty()) return _wcsicmp(imageName(windowPid).c_str(), image.c_str()) == 0;
    HWND main = FindWindowW(windowClass.c_str(), nullptr);
    return main && processOf(main) == windowPid;
  }
};

struct BoxSearch {
  const BoxOwner* owner;
  HWND found;
};

BOOL CALLBACK visitTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<BoxSearch*>(context);
  if (IsWindowVisible(window) && className(window) == L"#32770" && search->owner->owns(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND findMessageBox(const BoxOwner& owner) {
  BoxSearch search{&owner, nullptr};
  EnumWindows(visitTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring messageBoxText(HWND box) {
  wchar_t buffer[8192] = {};
  GetDlgItemTextW(box, kMessageBoxTextId, buffer, int(std::size(buffer)));
  return buffer;
}

void reportBox(HWND box) {
  putHex("box", reinterpret_cast<ULONG_PTR>(box));
  put("caption", windowText(box));
  put("text", messageBoxText(box));
}

// ---- input ----

// Client DIPs of `window` to screen pixels, at the window's DPI.
POINT screenPoint(HWND window, double x, double y) {
  const double scale = GetDpiForWindow(window) / 96.0;
  POINT point{LONG(x * scale + 0.5), LONG(y * scale + 0.5)};
  ClientToScreen(window, &point);
  return point;
}

bool sendInputs(std::vector<INPUT>& inputs) {
  return SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

INPUT mouseInput(DWORD flags, DWORD data = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  input.mi.mouseData = data;
  return input;
}

// A hardware move to a screen point, with `buttons` (such as MOUSEEVENTF_LEFTUP) at that point.
INPUT absoluteMove(POINT point, DWORD buttons) {
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  INPUT move = mouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | buttons);
  // Pixel centres, so the system's scaling back to pixels lands on the same pixel.
  move.mi.dx = LONG(((point.x - left) * 65536LL + 32768) / (width > 1 ? width : 1));
  move.mi.dy = LONG(((point.y - top) * 65536LL + 32768) / (height > 1 ? height : 1));
  return move;
}

// SetCursorPos gives the window its WM_MOUSEMOVE; an absolute SendInput move follows so the
// position also arrives as hardware input, as a real pointer's would.
bool movePointer(POINT point) {
  if (!SetCursorPos(point.x, point.y)) return false;
  std::vector<INPUT> inputs{absoluteMove(point, 0)};
  sendInputs(inputs);
  POINT now{};
  GetCursorPos(&now);
  if (now.x != point.x || now.y != point.y) SetCursorPos(point.x, point.y);
  return true;
}

// Input goes in only once the window's program has handled what came before and waits for more,
// as a person waits to see what one action did before the next; bounded, so a busy program only
// slows the driver down.
void waitUntilIdle(HWND window) {
  DWORD processId = 0;
  if (!window || !GetWindowThreadProcessId(window, &processId)) return;
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return;
  WaitForInputIdle(process, kIdleWaitMs);
  CloseHandle(process);
}

bool bringToFront(HWND window) {
  if (GetForegroundWindow() == window) return true;
  SetForegroundWindow(window);
  Deadline deadline(2000);
  while (GetForegroundWindow() != window && !deadline.passed()) Sleep(20);
  return GetForegroundWindow() == window;
}

struct KeyName {
  const wchar_t* name;
  WORD key;
};

constexpr KeyName kKeyNames[] = {
    {L"backspace", VK_BACK}, {L"tab", VK_TAB},     {L"enter", VK_RETURN}, {L"return", VK_RETURN},
    {L"escape", VK_ESCAPE},  {L"esc", VK_ESCAPE},  {L"space", VK_SPACE},  {L"pageup", VK_PRIOR},
    {L"pagedown", VK_NEXT},  {L"end", VK_END},     {L"home", VK_HOME},    {L"left", VK_LEFT},
    {L"up", VK_UP},          {L"right", VK_RIGHT}, {L"down", VK_DOWN},    {L"delete", VK_DELETE},
    {L"f4", VK_F4},          {L"f10", VK_F10},     {L"ctrl", VK_CONTROL}, {L"shift", VK_SHIFT},
    {L"alt", VK_MENU},
};

bool parseVirtualKey(const std::wstring& text, WORD& key) {
  for (const KeyName& named : kKeyNames) {
    if (_wcsicmp(text.c_str(), named.name) == 0) {
      key = named.key;
      return true;
    }
  }
  if (text.size() == 1 && iswalnum(text[0])) {
    key = WORD(towupper(text[0]));  // letters and digits are their own virtual keys
    return true;
  }
  long long number = 0;
  if (!parseNumber(text.c_str(), number) || number <= 0 || number > 0xFE) return false;
  key = WORD(number);
  return true;
}

bool isExtendedKey(WORD key) {
  switch (key) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
      return true;
    default:
      return false;
  }
}

INPUT keyInput(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = WORD(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (isExtendedKey(key) ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

// ---- commands ----

// The show state a window is in: "normal", "iconic" or "zoomed".
std::wstring showState(HWND window) {
  if (IsIconic(window)) return L"iconic";
  return IsZoomed(window) ? L"zoomed" : L"normal";
}

int waitWindow(const std::vector<std::wstring>& args) {
  long long timeout = 0;
  if (args.size() < 4 || !parseNumber(args[3].c_str(), timeout)) return usage();
  const wchar_t* boxImage = option(args, 4, L"--or-box");
  const wchar_t* wantedState = option(args, 4, L"--state");
  BoxOwner boxOwner;
  if (boxImage) boxOwner.image = boxImage;

  Deadline deadline{DWORD(timeout)};
  HWND window = nullptr;
  for (;;) {
    window = findVisibleWindow(args[2]);
    if (window && (!wantedState || showState(window) == wantedState)) break;
    if (boxImage) {
      if (HWND box = findMessageBox(boxOwner)) {
        reportBox(box);
        return fail(L"a message box came up instead of the window");
      }
    }
    if (deadline.passed()) {
      if (window) return fail(L"the window stayed " + showState(window) + L", not " + wantedState);
      return fail(L"no visible window of class " + args[2]);
    }
    Sleep(kPollMilliseconds);
  }
  RECT frame{};
  GetWindowRect(window, &frame);
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  putHex("hwnd", reinterpret_cast<ULONG_PTR>(window));
  put("pid", processOf(window));
  put("title", windowText(window));
  put("visible", IsWindowVisible(window) ? 1 : 0);
  put("window_left", frame.left);
  put("window_top", frame.top);
  put("window_width", frame.right - frame.left);
  put("window_height", frame.bottom - frame.top);
  put("client_left", origin.x);
  put("client_top", origin.y);
  put("client_width", client.right - client.left);
  put("client_height", client.bottom - client.top);
  put("dpi", GetDpiForWindow(window));
  put("zoomed", IsZoomed(window) ? 1 : 0);
  put("iconic", IsIconic(window) ? 1 : 0);
  put("state", showState(window));
  put("foreground", GetForegroundWindow() == window ? 1 : 0);
  return kSuccess;
}

// ShowWindowAsync, so a busy program cannot stall the driver.
int show(const std::vector<std::wstring>& args) {
  if (args.size() < 4) return usage();
  int command = 0;
  if (args[3] == L"restore") {
    command = SW_RESTORE;
  } else if (args[3] == L"minimize") {
    command = SW_MINIMIZE;
  } else if (args[3] == L"maximize") {
    command = SW_MAXIMIZE;
  } else {
    return usage();
  }
  HWND window = findVisibleWindow(args[2]);
  if (!window) return fail(L"no visible window of class " + args[2]);
  return ShowWindowAsync(window, command) ? kSuccess : fail(L"ShowWindowAsync failed");
}

// move, press, release and click at one point; drag between two.
int pointer(const std::vector<std::wstring>& args) {
  const std::wstring& verb = args[1];
  const size_t points = verb == L"drag" ? 2 : 1;
  double coordinates[4] = {};
  if (args.size() < 3 + 2 * points) return usage();
  for (size_t i = 0; i < 2 * points; ++i) {
    if (!parseDip(args[3 + i].c_str(), coordinates[i])) return usage();
  }
  HWND window = findVisibleWindow(args[2]);
  if (!window) return fail(L"no visible window of class " + args[2]);
  put("foreground", bringToFront(window) ? 1 : 0);
  waitUntilIdle(window);

  const POINT start = screenPoint(window, coordinates[0], coordinates[1]);
  if (!movePointer(start)) return fail(L"SetCursorPos failed");
  std::vector<INPUT> inputs;
  if (verb == L"press" || verb == L"click" || verb == L"drag") inputs.push_back(mouseInput(MOUSEEVENTF_LEFTDOWN));
  if (verb == L"release" || verb == L"click") inputs.push_back(mouseInput(MOUSEEVENTF_LEFTUP));
  if (!inputs.empty() && !sendInputs(inputs)) return fail(L"SendInput failed");

  if (verb == L"drag") {
    const POINT end = screenPoint(window, coordinates[2], coordinates[3]);
    // The moves and the release go through one input queue, in order: a warped pointer's move
    // would reach the window later than the release, which then ends the drag early.
    for (int step = 1; step <= kDragSteps; ++step) {
      std::vector<INPUT> move{absoluteMove(
          {start.x + (end.x - start.x) * step / kDragSteps, start.y + (end.y - start.y) * step / kDragSteps}, 0)};
      if (!sendInputs(move)) return fail(L"SendInput failed");
      Sleep(10);  // spreads the moves out like a hand would; the result is polled for, not timed
    }
    std::vector<INPUT> up{absoluteMove(end, MOUSEEVENTF_LEFTUP)};
    if (!sendInputs(up)) return fail(L"SendInput failed");
    SetCursorPos(end.x, end.y);
  }
  put("screen_x", start.x);
  put("screen_y", start.y);
  put("under", className(WindowFromPoint(start)));
  return kSuccess;
}

int wheel(const std::vector<std::wstring>& args) {
  double x = 0, y = 0;
  long long delta = 0;
  if (args.size() < 6 || !parseDip(args[3].c_str(), x) || !parseDip(args[4].c_str(), y) ||
      !parseNumber(args[5].c_str(), delta)) {
    return usage();
  }
  HWND window = findVisibleWindow(args[2]);
  if (!window) return fail(L"no visible window of class " + args[2]);
  bringToFront(window);
  waitUntilIdle(window);
  if (!movePointer(screenPoint(window, x, y))) return fail(L"SetCursorPos failed");
  std::vector<INPUT> inputs{mouseInput(MOUSEEVENTF_WHEEL, DWORD(LONG(delta)))};
  return sendInputs(inputs) ? kSuccess : fail(L"SendInput failed");
}

// Keys go to the foreground window; --to brings that window to the front first.
bool focusTarget(const std::vector<std::wstring>& args, size_t from) {
  const wchar_t* target = option(args, from, L"--to");
  if (!target) return true;
  HWND window = findVisibleWindow(target);
  return window && bringToFront(window);
}

// Keys go to the foreground window, once its program is ready for them.
bool readyForKeys(const std::vector<std::wstring>& args, size_t from) {
  if (!focusTarget(args, from)) return false;
  waitUntilIdle(GetForegroundWindow());
  return true;
}

int key(const std::vector<std::wstring>& args) {
  WORD virtualKey = 0;
  if (args.size() < 3 || !parseVirtualKey(args[2], virtualKey)) return usage();
  if (!readyForKeys(args, 3)) return fail(L"the target window is not in front");
  const bool control = hasWord(args, 3, L"ctrl");
  const bool shift = hasWord(args, 3, L"shift");
  std::vector<INPUT> inputs;
  if (control) inputs.push_back(keyInput(VK_CONTROL, false));
  if (shift) inputs.push_back(keyInput(VK_SHIFT, false));
  inputs.push_back(keyInput(virtualKey, false));
  inputs.push_back(keyInput(virtualKey, true));
  if (shift) inputs.push_back(keyInput(VK_SHIFT, true));
  if (control) inputs.push_back(keyInput(VK_CONTROL, true));
  return sendInputs(inputs) ? kSuccess : fail(L"SendInput failed");
}

int type(const std::vector<std::wstring>& args) {
  if (args.size() < 3) return usage();
  if (!readyForKeys(args, 3)) return fail(L"the target window is not in front");
  std::vector<INPUT> inputs;
  for (wchar_t unit : args[2]) {
    for (bool up : {false, true}) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wScan = unit;
      input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
      inputs.push_back(input);
    }
  }
  return inputs.empty() || sendInputs(inputs) ? kSuccess : fail(L"SendInput failed");
}

// Until the foreground window's keyboard focus is on a control of the class: a dialog that has
// drawn itself may still be building its controls, and keys typed before would go elsewhere.
int waitFocus(const std::vector<std::wstring>& args) {
  long long timeout = 0;
  if (args.size() < 4 || !parseNumber(args[3].c_str(), timeout)) return usage();
  const Deadline deadline{DWORD(timeout)};
  std::wstring focused;
  do {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (HWND front = GetForegroundWindow();
        front && GetGUIThreadInfo(GetWindowThreadProcessId(front, nullptr), &info) && info.hwndFocus) {
      focused = className(info.hwndFocus);
      if (focused == args[2]) {
        put("focus", focused);
        return kSuccess;
      }
    }
    Sleep(20);
  } while (!deadline.passed());
  return fail(L"the focus stayed on " + (focused.empty() ? std::wstring(L"no control") : focused));
}

// The hand-off message as the shell extension sends it; --tag, --cb and --nonull make it malformed.
int copyData(const std::vector<std::wstring>& args) {
  if (args.size() < 4) return usage();
  long long timeout = kDefaultCopyDataTimeout;
  long long tag = kShellJobTag;
  const wchar_t* timeoutText = option(args, 4, L"--timeout");
  const wchar_t* tagText = option(args, 4, L"--tag");
  if ((timeoutText && !parseNumber(timeoutText, timeout)) || (tagText && !parseNumber(tagText, tag))) return usage();

  std::wstring path = args[3];
  std::vector<wchar_t> payload(path.begin(), path.end());
  if (!hasWord(args, 4, L"--nonull")) payload.push_back(0);
  long long byteCount = (long long)(payload.size() * sizeof(wchar_t));
  const wchar_t* countText = option(args, 4, L"--cb");
  if (countText && !parseNumber(countText, byteCount)) return usage();
  // A stated size larger than the path still needs that many readable bytes behind it.
  if (byteCount > (long long)(payload.size() * sizeof(wchar_t))) payload.resize(size_t(byteCount + 1) / 2, 0);

  HWND window = findVisibleWindow(args[2]);
  if (!window) return fail(L"no visible window of class " + args[2]);
  COPYDATASTRUCT data{};
  data.dwData = ULONG_PTR(tag);
  data.cbData = DWORD(byteCount);
  data.lpData = payload.data();
  DWORD_PTR reply = 0;
  const LRESULT sent = SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                                           UINT(timeout), &reply);
  put("sent", sent ? 1 : 0);
  if (!sent) return fail(L"SendMessageTimeoutW failed or timed out, error " + std::to_wstring(GetLastError()));
  put("reply", (long long)reply);
  return kSuccess;
}

// Files dropped on the window as Explorer drops them: WM_DROPFILES with a DROPFILES block. The
// block is written into the program's own memory, where DragQueryFileW reads it; an HGLOBAL of
// this process would mean nothing there. DragFinish cannot free such a block, so each drop leaves
// its few bytes in the program until it ends.
int drop(const std::vector<std::wstring>& args) {
  if (args.size() < 6) return usage();
  long long x = 0, y = 0;
  if (!parseNumber(args[3].c_str(), x) || !parseNumber(args[4].c_str(), y)) return usage();
  HWND window = findVisibleWindow(args[2]);
  if (!window) return fail(L"no visible window of class " + args[2]);

  std::vector<wchar_t> names;
  for (size_t i = 5; i < args.size(); ++i) {
    names.insert(names.end(), args[i].begin(), args[i].end());
    names.push_back(0);
  }
  names.push_back(0);
  DROPFILES header{};
  header.pFiles = sizeof(DROPFILES);
  const UINT dpi = GetDpiForWindow(window);
  header.pt = {LONG(x * dpi / 96), LONG(y * dpi / 96)};
  header.fNC = FALSE;
  header.fWide = TRUE;
  std::vector<BYTE> block(sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  memcpy(block.data(), &header, sizeof(header));
  memcpy(block.data() + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));

  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
  if (!process) return fail(L"OpenProcess failed, error " + std::to_wstring(GetLastError()));
  void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  SIZE_T written = 0;
  const bool copied =
      remote && WriteProcessMemory(process, remote, block.data(), block.size(), &written) && written == block.size();
  const DWORD error = GetLastError();
  CloseHandle(process);
  if (!copied) return fail(L"writing the drop into the program failed, error " + std::to_wstring(error));
  if (!PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0)) return fail(L"PostMessageW failed");
  put("dropped", (long long)(args.size() - 5));
  return kSuccess;
}

struct ButtonName {
  const wchar_t* name;
  WORD id;
};

constexpr ButtonName kButtons[] = {{L"ok", IDOK}, {L"cancel", IDCANCEL}, {L"yes", IDYES}, {L"no", IDNO}};

int messageBox(const std::vector<std::wstring>& args) {
  long long timeout = 0;
  if (args.size() < 4 || !parseNumber(args[3].c_str(), timeout)) return usage();
  const wchar_t* pressText = option(args, 4, L"--press");
  WORD button = 0;
  if (pressText) {
    for (const ButtonName& named : kButtons) {
      if (_wcsicmp(pressText, named.name) == 0) button = named.id;
    }
    if (!button) return usage();
  }
  const BoxOwner owner = BoxOwner::parse(args[2]);
  Deadline deadline{DWORD(timeout)};
  HWND box = nullptr;
  while (!(box = findMessageBox(owner))) {
    if (deadline.passed()) return fail(L"no message box of " + args[2]);
    Sleep(kPollMilliseconds);
  }
  reportBox(box);
  if (!button) return kSuccess;
  if (!PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0)) return fail(L"PostMessageW failed");
  Deadline gone(kBoxCloseMilliseconds);
  while (IsWindow(box) && IsWindowVisible(box)) {
    if (gone.passed()) return fail(L"the box stayed after the press");
    Sleep(kPollMilliseconds);
  }
  put("pressed", pressText);
  return kSuccess;
}

int close(const std::vector<std::wstring>& args) {
  long long timeout = 0;
  if (args.size() < 4 || !parseNumber(args[3].c_str(), timeout)) return usage();
  HWND window = FindWindowW(args[2].c_str(), nullptr);
  if (!window) return fail(L"no window of class " + args[2]);
  const DWORD pid = processOf(window);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return fail(L"OpenProcess failed, error " + std::to_wstring(GetLastError()));
  put("pid", pid);
  int result = kSuccess;
  if (!PostMessageW(window, WM_CLOSE, 0, 0)) {
    result = fail(L"PostMessageW failed");
  } else if (WaitForSingleObject(process, DWORD(timeout)) != WAIT_OBJECT_0) {
    result = fail(L"the process did not end in time");
  } else {
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    put("exit_code", code);
  }
  CloseHandle(process);
  return result;
}

// Screen pixels and client pixels must agree with what the window reports at its DPI.
void becomeDpiAware() {
  if (!SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) &&
      !SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)) {
    SetProcessDPIAware();
  }
}

}  // namespace

namespace {

int run(const std::vector<std::wstring>& args) {
  if (args.size() < 2) return usage();
  const std::wstring& command = args[1];
  if (command == L"wait-window") return waitWindow(args);
  if (command == L"click" || command == L"move" || command == L"press" || command == L"release" ||
      command == L"drag")
    return pointer(args);
  if (command == L"show") return show(args);
  if (command == L"wheel") return wheel(args);
  if (command == L"key") return key(args);
  if (command == L"type") return type(args);
  if (command == L"wait-focus") return waitFocus(args);
  if (command == L"copydata") return copyData(args);
  if (command == L"drop") return drop(args);
  if (command == L"msgbox") return messageBox(args);
  if (command == L"close") return close(args);
  return usage();
}

std::wstring fromUtf8(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  std::wstring text(size_t(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()), text.data(), size);
  return text;
}

// One Wine process for a whole scenario: each line of standard input is one command with its
// arguments separated by tabs (UTF-8); its output follows, then "end=<exit code>". Starting a Wine
// process per command is what made the scenarios slow.
int serve() {
  std::string line;
  int c;
  for (;;) {
    line.clear();
    while ((c = std::getchar()) != EOF && c != '\n') line += char(c);
    if (c == EOF && line.empty()) return kSuccess;
    std::vector<std::wstring> args{L"tzdrive"};
    size_t start = 0;
    for (;;) {
      const size_t tab = line.find('\t', start);
      args.push_back(fromUtf8(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    const int result = run(args);
    std::printf("end=%d\n", result);
    std::fflush(stdout);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Raw UTF-8 bytes, whatever the console code page.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stdin), _O_BINARY);
  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  becomeDpiAware();
  const std::vector<std::wstring> args(argv, argv + argc);
  if (args.size() == 2 && args[1] == L"serve") return serve();
  const int result = run(args);
  std::fflush(stdout);
  return result;
}
