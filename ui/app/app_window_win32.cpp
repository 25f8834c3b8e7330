// The real main window: class registration, creation and placement, the custom frame, and the
// window procedure that feeds messages to the window's logic.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>

#include "ui/app/about_window.h"
#include "ui/app/app_window.h"
#include "ui/app/shell_job_message.h"
#include "ui/foundation/history.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/renderer.h"

namespace tolzeb::ui {
namespace {

constexpr wchar_t kWindowClass[] = L"TolZebMainWindow";
constexpr UINT_PTR kLoadTimer = 1;
// Retries attaching the renderer after a failed paint, instead of invalidating at once, so a
// display that keeps refusing a target does not spin the processor.
constexpr UINT_PTR kAttachRetryTimer = 2;
constexpr UINT kAttachRetryMs = 500;

class MainWindowHost : public WindowHost {
 public:
  explicit MainWindowHost(AppWindow& window) : app(window) {}

  WindowHandle handle() const override { return hwnd; }
  void invalidate() override {
    if (hwnd) InvalidateRect(hwnd, nullptr, FALSE);
  }
  void captureMouse() override { SetCapture(hwnd); }
  void releaseMouse() override {
    if (GetCapture() == hwnd) ReleaseCapture();
  }
  void trackMouseLeave() override {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
    TrackMouseEvent(&track);
  }
  bool keyDown(unsigned virtualKey) const override { return GetKeyState(int(virtualKey)) < 0; }
  unsigned wheelScrollLines() const override {
    UINT lines = 3;
    if (!SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) return 3;
    return lines;
  }
  bool readClipboardText(std::wstring& text) override {
    if (!OpenClipboard(hwnd)) return false;
    bool read = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      if (auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
        size_t capacity = GlobalSize(data) / sizeof(wchar_t);
        size_t length = 0;
        while (length < capacity && units[length] != 0) ++length;
        text.assign(units, length);
        GlobalUnlock(data);
        read = true;
      }
    }
    CloseClipboard();
    return read;
  }
  bool writeClipboardText(const std::wstring& text) override {
    if (!OpenClipboard(hwnd)) return false;
    bool written = false;
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
      if (void* target = GlobalLock(memory)) {
        memcpy(target, text.c_str(), bytes);
        GlobalUnlock(memory);
        if (EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory)) written = true;
      }
      if (!written) GlobalFree(memory);
    }
    CloseClipboard();
    return written;
  }
  void minimize() override { ShowWindow(hwnd, SW_MINIMIZE); }
  void maximizeOrRestore() override { ShowWindow(hwnd, isMaximized() ? SW_RESTORE : SW_MAXIMIZE); }
  bool isMaximized() const override {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    return GetWindowPlacement(hwnd, &placement) && placement.showCmd == SW_MAXIMIZE;
  }
  void postClose() override { PostMessageW(hwnd, WM_CLOSE, 0, 0); }
  void showMessage(const std::wstring& text, MessageIcon icon) override {
    UINT style = icon == MessageIcon::Error     ? MB_ICONERROR
                 : icon == MessageIcon::Warning ? MB_ICONWARNING
                                                : MB_ICONINFORMATION;
    MessageBoxW(hwnd, text.c_str(), L"TOLZEB", style);
  }
  void bringToFront() override {
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
    SetForegroundWindow(hwnd);
  }
  void showAbout() override { showAboutWindow(hwnd); }
  bool openWebAddress(const std::wstring& address) override { return shellOpen(address); }
  bool openFolder(const std::wstring& path) override { return shellOpen(path); }
  bool showInFolder(const std::wstring& path) override {
    PIDLIST_ABSOLUTE item = nullptr;
    if (FAILED(SHParseDisplayName(path.c_str(), nullptr, &item, 0, nullptr)) || !item) return false;
    const HRESULT shown = SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
    CoTaskMemFree(item);
    return SUCCEEDED(shown);
  }

  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  AppWindow& app;
  HWND hwnd = nullptr;
  Renderer renderer;
  IconSet icons;

 private:
  float scale() const { return app.dpi / 96.0f; }
  // ShellExecuteW's "open" verb; a result above 32 is success.
  bool shellOpen(const std::wstring& target) const {
    auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteW(hwnd, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
  }
  int frameBorder() const {
    UINT dpi = UINT(app.dpi);
    return GetSystemMetricsForDpi(SM_CXPADDEDBORDER, dpi) + GetSystemMetricsForDpi(SM_CXFRAME, dpi);
  }
  void paint();
  void dropFiles(HDROP drop);
};

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* host = static_cast<MainWindowHost*>(create->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
    host->hwnd = hwnd;
  }
  auto* host = reinterpret_cast<MainWindowHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!host) return DefWindowProcW(hwnd, message, wParam, lParam);
  return host->handleMessage(message, wParam, lParam);
}

void MainWindowHost::paint() {
  PAINTSTRUCT paintStruct;
  BeginPaint(hwnd, &paintStruct);
  bool drawn = renderer.beginDraw();
  if (drawn) {
    app.paint(renderer, icons, renderer.size());
    drawn = renderer.endDraw();
  }
  if (!drawn) {
    if (renderer.attach(hwnd, app.dpi))
      InvalidateRect(hwnd, nullptr, FALSE);
    else
      SetTimer(hwnd, kAttachRetryTimer, kAttachRetryMs, nullptr);
  }
  EndPaint(hwnd, &paintStruct);
  app.paintDone();
}

void MainWindowHost::dropFiles(HDROP drop) {
  std::vector<std::wstring> names;
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileW(drop, i, nullptr, 0);
    if (length == 0) continue;
    std::wstring name(length + 1, L'\0');
    if (DragQueryFileW(drop, i, name.data(), length + 1) != length) continue;
    name.resize(length);
    names.push_back(std::move(name));
  }
  DragFinish(drop);
  app.openPaths(names);
}

LRESULT MainWindowHost::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCALCSIZE: {
      if (wParam == 0) break;
      auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
      RECT& client = params->rgrc[0];
      int border = frameBorder();
      client.left += border;
      client.right -= border;
      client.bottom -= border;
      if (isMaximized()) {
        UINT dpi = UINT(app.dpi);
        client.top += GetSystemMetricsForDpi(SM_CXPADDEDBORDER, dpi) + GetSystemMetricsForDpi(SM_CYFRAME, dpi);
      }
      return 0;
    }
    case WM_NCHITTEST: {
      LRESULT hit = DefWindowProcW(hwnd, message, wParam, lParam);
      if (hit != HTCLIENT) return hit;
      POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(hwnd, &point);
      if (!isMaximized() && point.y < frameBorder()) return HTTOP;
      float x = float(point.x) / scale(), y = float(point.y) / scale();
      if (y < kCaptionHeight) return app.hitRegionAt(x, y) ? HTCLIENT : HTCAPTION;
      return HTCLIENT;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      paint();
      return 0;
    case WM_SIZE:
      renderer.resize(LOWORD(lParam), HIWORD(lParam));
      app.onResize();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = LONG(kMinimumWindowWidth * scale());
      info->ptMinTrackSize.y = LONG(kMinimumWindowHeight * scale());
      return 0;
    }
    case WM_DPICHANGED: {
      app.dpi = float(LOWORD(wParam));
      renderer.setDpi(app.dpi);
      if (auto* suggested = reinterpret_cast<const RECT*>(lParam))
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      app.requestRepaint();
      return 0;
    }
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      app.requestRepaint();
      break;
    case WM_TIMER:
      if (wParam == kLoadTimer) {
        app.onTimer();
        return 0;
      }
      if (wParam == kAttachRetryTimer) {
        KillTimer(hwnd, kAttachRetryTimer);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
      app.onMouseMove(float(GET_X_LPARAM(lParam)) / scale(), float(GET_Y_LPARAM(lParam)) / scale());
      return 0;
    case WM_LBUTTONDOWN:
      app.onMouseDown(float(GET_X_LPARAM(lParam)) / scale(), float(GET_Y_LPARAM(lParam)) / scale());
      return 0;
    case WM_LBUTTONUP:
      app.onMouseUp(float(GET_X_LPARAM(lParam)) / scale(), float(GET_Y_LPARAM(lParam)) / scale());
      return 0;
    case WM_MOUSEWHEEL:
      app.onWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_MOUSELEAVE:
      app.onMouseLeave();
      return 0;
    case WM_KEYDOWN:
      if (app.onKeyDown(unsigned(wParam))) return 0;
      break;
    case WM_CHAR:
      if (app.onChar(wchar_t(wParam))) return 0;
      break;
    case WM_DROPFILES:
      dropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_COPYDATA: {
      auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (!data) return 0;
      std::optional<std::wstring> path = shell::shellJobPathFromMessage(data->dwData, data->lpData, data->cbData);
      if (!path) return 0;
      return app.runShellJobFile(*path) ? 1 : 0;
    }
    case WM_CLOSE:
      app.stopWorkers();
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kLoadTimer);
      KillTimer(hwnd, kAttachRetryTimer);
      app.stopWorkers();
      PostQuitMessage(0);
      return 0;
    default:
      if (message == UINT(AppMessage::TaskProgress)) {
        app.onTaskProgress();
        return 0;
      }
      if (message == UINT(AppMessage::PreviewReady)) {
        app.onPreviewReady(uint64_t(lParam));
        return 0;
      }
      if (message == UINT(AppMessage::AudioState)) {
        app.onAudioState();
        return 0;
      }
      if (message == UINT(AppMessage::TaskFinished)) {
        app.onTaskFinished(uint64_t(lParam));
        return 0;
      }
      if (message == UINT(AppMessage::SearchProgress)) {
        app.onSearchProgress();
        return 0;
      }
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool registerWindowClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassExW(&windowClass) != 0;
}

}  // namespace

bool AppWindow::create(void* instanceHandle, int showCommand) {
  auto instance = static_cast<HINSTANCE>(instanceHandle);
  auto host = std::make_unique<MainWindowHost>(*this);
  MainWindowHost& window = *host;
  attachHost(std::move(host));
  if (!window.renderer.createFactories()) return false;
  if (!registerWindowClass(instance)) return false;

  history.load();
  history.checkPresence();
  pageState.settings.load();
  applyStartSettings();

  HWND hwnd = CreateWindowExW(0, kWindowClass, L"TOLZEB", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                              CW_USEDEFAULT, int(kWindowWidth), int(kWindowHeight), nullptr, nullptr, instance, &window);
  if (!hwnd) return false;

  dpi = float(GetDpiForWindow(hwnd));
  if (dpi <= 0) dpi = 96;
  float scale = dpi / 96.0f;
  int width = int(kWindowWidth * scale), height = int(kWindowHeight * scale);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    width = std::min<int>(width, work.right - work.left);
    height = std::min<int>(height, work.bottom - work.top);
    SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  if (!window.icons.build(window.renderer.factory())) return false;
  if (!window.renderer.attach(hwnd, dpi)) return false;
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  ShowWindow(hwnd, showCommand);
  UpdateWindow(hwnd);
  DragAcceptFiles(hwnd, TRUE);
  SetTimer(hwnd, kLoadTimer, 500, nullptr);
  return true;
}

}  // namespace tolzeb::ui
