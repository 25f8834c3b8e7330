// What the main window's logic needs of the window system, on the UI thread. The Windows build
// answers with the real window; tests answer with a stand-in that records what was asked.
#pragma once

#include <cstdint>
#include <string>

#include "ui/app/app_message.h"

namespace tolzeb::ui {

// Virtual-key codes of the keys the window handles (the Windows numbering).
namespace keys {
inline constexpr unsigned kBackspace = 0x08;
inline constexpr unsigned kTab = 0x09;
inline constexpr unsigned kEnter = 0x0D;
inline constexpr unsigned kShift = 0x10;
inline constexpr unsigned kControl = 0x11;
inline constexpr unsigned kEscape = 0x1B;
inline constexpr unsigned kSpace = 0x20;
inline constexpr unsigned kPageUp = 0x21;
inline constexpr unsigned kPageDown = 0x22;
inline constexpr unsigned kEnd = 0x23;
inline constexpr unsigned kHome = 0x24;
inline constexpr unsigned kLeft = 0x25;
inline constexpr unsigned kUp = 0x26;
inline constexpr unsigned kRight = 0x27;
inline constexpr unsigned kDown = 0x28;
inline constexpr unsigned kDelete = 0x2E;
inline constexpr unsigned kP = 0x50;
inline constexpr unsigned kF10 = 0x79;
}  // namespace keys

enum class MessageIcon : uint8_t { Error, Warning, Information };

class WindowHost {
 public:
  virtual ~WindowHost() = default;

  // The window, for posted worker messages and as the owner of dialogs; null before creation.
  virtual WindowHandle handle() const = 0;
  // Asks for one WM_PAINT of the whole client area.
  virtual void invalidate() = 0;

  // Pointer capture while a button is held; release only when this window holds it.
  virtual void captureMouse() = 0;
  virtual void releaseMouse() = 0;
  // Arms one "pointer left" notification.
  virtual void trackMouseLeave() = 0;
  // Whether a modifier key (keys::kControl, keys::kShift) is down now.
  virtual bool keyDown(unsigned virtualKey) const = 0;
  // The system's wheel setting in lines per notch, as the system reports it.
  virtual unsigned wheelScrollLines() const = 0;

  // CF_UNICODETEXT; false when the clipboard could not be read or holds no text.
  virtual bool readClipboardText(std::wstring& text) = 0;
  virtual bool writeClipboardText(const std::wstring& text) = 0;

  virtual void minimize() = 0;
  virtual void maximizeOrRestore() = 0;
  virtual bool isMaximized() const = 0;
  // Posts WM_CLOSE to the window.
  virtual void postClose() = 0;

  // A modal message box owned by the window with the caption "TOLZEB"; runs a nested loop.
  virtual void showMessage(const std::wstring& text, MessageIcon icon) = 0;
  // Opens a web address in the user's browser; false when that failed.
  virtual bool openWebAddress(const std::wstring& address) = 0;
  // Opens a folder in the file manager; false when that failed.
  virtual bool openFolder(const std::wstring& path) = 0;
  // Opens the folder of an existing item with the item selected; false when that failed.
  virtual bool showInFolder(const std::wstring& path) = 0;
  // Restores the window when it is minimised and brings it to the foreground.
  virtual void bringToFront() {}
  // Shows the about window over this one and returns when it has been closed.
  virtual void showAbout() {}
};

}  // namespace tolzeb::ui
