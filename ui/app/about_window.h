// The about window: a small modal window of its own, with its own message loop, that names the
// program, its version and its main points and offers the product's site and an OK button.
#pragma once

#include "ui/app/app_message.h"

namespace tolzeb::ui {

// Shows the window over `owner` (which is disabled meanwhile; none for the command line) and
// returns once it has been closed. False when it could not be shown at all (the caller goes on as
// if it had been closed); there is no window system natively, so it is never shown there.
bool showAboutWindow(WindowHandle owner);

// The theme override from the environment, else the system's app theme.
bool aboutUsesDarkTheme();

}  // namespace tolzeb::ui
