// The messages the workers post to the main window, and the one call that posts them. Workers
// never touch window state: they record what is new under their own mutex and post one of these.
#pragma once

#include <cstdint>

namespace tolzeb::ui {

enum class AppMessage : uint32_t {
  TaskProgress = 0x8001,    // WM_APP+1
  TaskFinished = 0x8002,    // WM_APP+2, lParam = task id
  SearchProgress = 0x8003,  // WM_APP+3
  PreviewReady = 0x8004,    // WM_APP+4, lParam = request generation
  AudioState = 0x8005,      // WM_APP+5
};

// A window of the platform's window system (an HWND on Windows); null names no window.
using WindowHandle = void*;

// Puts the message in the window's queue without waiting for it to be handled; false when it
// could not be posted. There is no window system natively, so nothing is posted there.
bool postAppMessage(WindowHandle window, AppMessage message, uintptr_t wParam, intptr_t lParam);

}  // namespace tolzeb::ui
