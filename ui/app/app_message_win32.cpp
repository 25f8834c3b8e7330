#include <windows.h>

#include "ui/app/app_message.h"

namespace tolzeb::ui {

bool postAppMessage(WindowHandle window, AppMessage message, uintptr_t wParam, intptr_t lParam) {
  return PostMessageW(static_cast<HWND>(window), static_cast<UINT>(message), wParam, lParam) != 0;
}

}  // namespace tolzeb::ui
