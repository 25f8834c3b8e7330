// The about window on Windows: its class, creation, size and place, the nested message loop that
// makes it modal, and the window procedure that feeds the view.
#include <dwmapi.h>
#include <shellapi.h>
#include <windows.h>
#include <windowsx.h>

#include <memory>
#include <optional>
#include <string>

#include "ui/app/about_view.h"
#include "ui/app/about_window.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/program_info.h"
#include "ui/foundation/renderer.h"

namespace tolzeb::ui {
namespace {

constexpr wchar_t kAboutClass[] = L"TolZebAboutWindow";
constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
// DWMWA_USE_IMMERSIVE_DARK_MODE, named only by newer headers.
constexpr DWORD kDarkCaptionAttribute = 20;

bool classRegistered = false;

struct AboutWindow {
  explicit AboutWindow(HWND ownerWindow, bool dark) : owner(ownerWindow), view(dark) {}

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  void paint();
  void fitToContent();
  void centreOnOwner();
  void openLink();
  void activate(AboutAction action);
  void close() { PostMessageW(hwnd, WM_CLOSE, 0, 0); }
  void repaint() { InvalidateRect(hwnd, nullptr, FALSE); }
  float toDips(int pixels) const { return float(pixels) * 96.0f / dpi; }
  void releaseResources() {
    icons.release();
    renderer.reset();
  }

  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::unique_ptr<Renderer> renderer = std::make_unique<Renderer>();
  IconSet icons;
  AboutView view;
  float dpi = 96;
  bool trackingMouse = false;
  bool open = true;
};

LRESULT CALLBACK AboutWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* window = static_cast<AboutWindow*>(create->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    window->hwnd = hwnd;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  auto* window = reinterpret_cast<AboutWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!window) return DefWindowProcW(hwnd, message, wParam, lParam);
  return window->handle(message, wParam, lParam);
}

void AboutWindow::paint() {
  PAINTSTRUCT paintStruct;
  BeginPaint(hwnd, &paintStruct);
  bool drawing = renderer->beginDraw();
  if (!drawing && renderer->attach(hwnd, dpi)) drawing = renderer->beginDraw();
  if (drawing) {
    renderer->clear(view.palette.background);
    view.paint(*renderer, icons, true);
    if (!renderer->endDraw()) renderer->attach(hwnd, dpi);
  }
  EndPaint(hwnd, &paintStruct);
}

void AboutWindow::fitToContent() {
  const float height = view.paint(*renderer, icons, false);
  int clientWidth = 0, clientHeight = 0;
  aboutClientPixels(height, dpi, clientWidth, clientHeight);
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, UINT(dpi));
  SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutWindow::centreOnOwner() {
  RECT own{};
  GetWindowRect(hwnd, &own);
  RECT reference = own;
  const bool ownerShown = owner && IsWindow(owner) && IsWindowVisible(owner);
  if (ownerShown) GetWindowRect(owner, &reference);
  std::optional<PixelRect> work;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  HWND nearest = owner && IsWindow(owner) ? owner : hwnd;
  if (GetMonitorInfoW(MonitorFromWindow(nearest, MONITOR_DEFAULTTONEAREST), &monitor)) {
    work = PixelRect{monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};
  }
  int x = 0, y = 0;
  centredPosition({reference.left, reference.top, reference.right, reference.bottom}, own.right - own.left,
                  own.bottom - own.top, work, x, y);
  SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutWindow::openLink() {
  auto result =
      reinterpret_cast<INT_PTR>(ShellExecuteW(hwnd, L"open", kProductAddress, nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return;
  const std::wstring text = i18n::translate("about.browser_failed") + L"\r\n\r\n" + kProductAddress;
  MessageBoxW(hwnd, text.c_str(), L"TolZeb", MB_ICONWARNING);
}

void AboutWindow::activate(AboutAction action) {
  if (action == AboutAction::OpenLink) openLink();
  if (action == AboutAction::Close) close();
}

LRESULT AboutWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      open = false;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      hwnd = nullptr;
      return 0;
    case WM_SIZE:
      renderer->resize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_PAINT:
      paint();
      return 0;
    case WM_CLOSE:
      if (owner && IsWindow(owner)) EnableWindow(owner, TRUE);
      DestroyWindow(hwnd);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && view.handCursor()) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_KEYDOWN: {
      const AboutView::KeyResult result = view.keyDown(unsigned(wParam));
      if (!result.handled) break;
      if (result.repaint) repaint();
      activate(result.action);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (!trackingMouse) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
        trackingMouse = TrackMouseEvent(&track) != FALSE;
      }
      if (view.mouseMove(toDips(GET_X_LPARAM(lParam)), toDips(GET_Y_LPARAM(lParam)))) repaint();
      return 0;
    case WM_LBUTTONDOWN:
      if (view.mouseDown(toDips(GET_X_LPARAM(lParam)), toDips(GET_Y_LPARAM(lParam)))) SetCapture(hwnd);
      repaint();
      return 0;
    case WM_LBUTTONUP: {
      const AboutAction action = view.mouseUp(toDips(GET_X_LPARAM(lParam)), toDips(GET_Y_LPARAM(lParam)));
      if (GetCapture() == hwnd) ReleaseCapture();
      repaint();
      activate(action);
      return 0;
    }
    case WM_MOUSELEAVE:
      trackingMouse = false;
      if (view.mouseLeave()) repaint();
      return 0;
    case WM_DPICHANGED: {
      dpi = float(HIWORD(wParam));
      renderer->setDpi(dpi);
      if (auto* suggested = reinterpret_cast<const RECT*>(lParam)) {
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      fitToContent();
      centreOnOwner();
      repaint();
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool registerAboutClass(HINSTANCE instance) {
  if (classRegistered) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = AboutWindow::windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.lpszClassName = kAboutClass;
  // The class may be left registered by an earlier window of this process.
  classRegistered = RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return classRegistered;
}

}  // namespace

bool aboutUsesDarkTheme() {
  std::optional<std::wstring> environment;
  wchar_t buffer[16] = {};
  const DWORD length = GetEnvironmentVariableW(L"TOLZEB_ABOUT_THEME", buffer, 16);
  // A value that does not fit reports the size it needs (16 or more) and is left out.
  if (length > 0 && length < 16) environment = std::wstring(buffer, length);
  std::optional<uint32_t> appsUseLightTheme;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                   L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS) {
    appsUseLightTheme = value;
  }
  return aboutDarkTheme(environment, appsUseLightTheme);
}

bool showAboutWindow(WindowHandle ownerHandle) {
  HWND owner = static_cast<HWND>(ownerHandle);
  HINSTANCE instance =
      owner ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)) : GetModuleHandleW(nullptr);
  if (!registerAboutClass(instance)) return false;

  AboutWindow window(owner, aboutUsesDarkTheme());
  window.view.version = versionText();
  if (!window.renderer->createFactories()) {
    window.releaseResources();
    return false;
  }
  const std::wstring title = i18n::translate("about.title");
  if (!CreateWindowExW(kExStyle, kAboutClass, title.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 10, 10, owner,
                       nullptr, instance, &window)) {
    window.releaseResources();
    return false;
  }
  HWND hwnd = window.hwnd;

  const UINT windowDpi = GetDpiForWindow(hwnd);
  window.dpi = windowDpi > 0 ? float(windowDpi) : 96;
  const BOOL darkCaption = aboutUsesDarkTheme() ? TRUE : FALSE;
  DwmSetWindowAttribute(hwnd, kDarkCaptionAttribute, &darkCaption, sizeof(darkCaption));
  // Without icons or a target the window still opens: the program icon has a substitute, and the
  // first paint attaches again.
  window.icons.build(window.renderer->factory());
  window.fitToContent();
  window.centreOnOwner();
  window.renderer->attach(hwnd, window.dpi);

  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  SetFocus(hwnd);

  MSG message{};
  while (window.open) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // The program is ending: the loop that owns the process must see WM_QUIT too.
      PostQuitMessage(int(message.wParam));
      break;
    }
    if (got == -1) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }

  if (owner && IsWindow(owner)) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
  if (window.hwnd) DestroyWindow(window.hwnd);
  window.releaseResources();
  return true;
}

}  // namespace tolzeb::ui
