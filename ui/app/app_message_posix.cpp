#include "ui/app/app_message.h"

namespace tolzeb::ui {

// The native build has no window to post to; its tests hand the runner a poster of their own.
bool postAppMessage(WindowHandle, AppMessage, uintptr_t, intptr_t) { return false; }

}  // namespace tolzeb::ui
