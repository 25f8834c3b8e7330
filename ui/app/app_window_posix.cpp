// There is no window system in the native build: the window's logic runs with a test's host.
#include "ui/app/app_window.h"

namespace tolzeb::ui {

bool AppWindow::create(void*, int) { return false; }

}  // namespace tolzeb::ui
