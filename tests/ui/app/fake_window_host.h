// A window system for the main window's logic without a window: it records what the logic asked
// for and answers from fields the test sets.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ui/app/window_host.h"

namespace tolzeb::ui::testing {

class FakeWindowHost : public WindowHost {
 public:
  // Answers.
  std::set<unsigned> keysHeld;
  unsigned wheelLines = 3;
  bool clipboardReadable = true;
  std::wstring clipboardText;
  bool clipboardWritable = true;
  bool browserOpens = true;
  bool maximized = false;
  bool folderOpens = true;
  bool itemShows = true;

  // Records.
  int invalidations = 0;
  bool captured = false;
  int leaveTrackings = 0;
  std::wstring clipboardWritten;
  int minimizes = 0;
  int maximizesOrRestores = 0;
  int closesPosted = 0;
  std::vector<std::pair<std::wstring, MessageIcon>> messages;
  std::vector<std::wstring> addressesOpened;
  std::vector<std::wstring> foldersOpened;
  std::vector<std::wstring> itemsShown;
  int aboutsShown = 0;

  WindowHandle handle() const override { return nullptr; }
  void invalidate() override { ++invalidations; }
  void captureMouse() override { captured = true; }
  void releaseMouse() override { captured = false; }
  void trackMouseLeave() override { ++leaveTrackings; }
  bool keyDown(unsigned virtualKey) const override { return keysHeld.count(virtualKey) != 0; }
  unsigned wheelScrollLines() const override { return wheelLines; }
  bool readClipboardText(std::wstring& text) override {
    if (!clipboardReadable) return false;
    text = clipboardText;
    return true;
  }
  bool writeClipboardText(const std::wstring& text) override {
    if (!clipboardWritable) return false;
    clipboardWritten = text;
    return true;
  }
  void minimize() override { ++minimizes; }
  void maximizeOrRestore() override {
    ++maximizesOrRestores;
    maximized = !maximized;
  }
  bool isMaximized() const override { return maximized; }
  void postClose() override { ++closesPosted; }
  void showMessage(const std::wstring& text, MessageIcon icon) override { messages.emplace_back(text, icon); }
  bool openWebAddress(const std::wstring& address) override {
    addressesOpened.push_back(address);
    return browserOpens;
  }
  bool openFolder(const std::wstring& path) override {
    foldersOpened.push_back(path);
    return folderOpens;
  }
  void showAbout() override { ++aboutsShown; }
  bool showInFolder(const std::wstring& path) override {
    itemsShown.push_back(path);
    return itemShows;
  }
};

}  // namespace tolzeb::ui::testing
