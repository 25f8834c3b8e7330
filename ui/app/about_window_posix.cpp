// Natively there is no window system: the about window is never shown, and the theme comes from the
// environment alone.
#include <cstdlib>

#include "ui/app/about_view.h"
#include "ui/app/about_window.h"

namespace tolzeb::ui {

bool showAboutWindow(WindowHandle) { return false; }

bool aboutUsesDarkTheme() {
  const char* value = std::getenv("TOLZEB_ABOUT_THEME");
  if (!value) return aboutDarkTheme(std::nullopt, std::nullopt);
  const std::string narrow(value);
  // Only ASCII words are recognised, so a byte-wise widening is enough.
  return aboutDarkTheme(std::wstring(narrow.begin(), narrow.end()), std::nullopt);
}

}  // namespace tolzeb::ui
