// The keyboard: the language list's own keys, Ctrl+P, the editing keys of the focused text field,
// typed and pasted characters, and Tab focus with the focused control scrolled into view.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/secure_bytes.h"
#include "ui/app/app_window.h"
#include "ui/app/language_list_rows.h"
#include "ui/app/tools_page.h"
#include "ui/app/viewer_rows.h"

namespace tolzeb::ui {
namespace {

constexpr wchar_t kSelectAllCharacter = 1;  // Ctrl+A
constexpr wchar_t kPasteCharacter = 22;     // Ctrl+V
constexpr wchar_t kFirstPrintable = 32;
// The focused control keeps this much room to the page area's edges when Tab scrolls to it.
constexpr float kFocusMargin = 16;

bool held(const WindowHost* host, unsigned key) { return host && host->keyDown(key); }

// While the list is open it takes every key.
bool languageListKey(AppWindow& window, unsigned key) {
  PageState& state = window.state();
  const int32_t row = state.languageListRow >= 0 ? state.languageListRow : currentLanguageRow();
  int32_t target = row;
  switch (key) {
    case keys::kEnter:
    case keys::kSpace:
      window.pickLanguage(row);
      return true;
    case keys::kEscape:
      state.languageListOpen = false;
      window.requestRepaint();
      return true;
    // A page jumps plainly; only the single steps and the ends look for a catalogue.
    case keys::kPageUp:
      target = std::max(0, row - kLanguageListVisibleRows);
      break;
    case keys::kPageDown:
      target = std::min(row + kLanguageListVisibleRows, kLanguageRows - 1);
      break;
    case keys::kHome:
      target = stepLanguageRow(kLanguageRows - 1, +1);
      break;
    case keys::kEnd:
      target = stepLanguageRow(0, -1);
      break;
    case keys::kUp:
      target = stepLanguageRow(row, -1);
      break;
    case keys::kDown:
      target = stepLanguageRow(row, +1);
      break;
    default:
      return true;
  }
  state.languageListRow = target;
  state.languageListFirstRow = languageListOffset(target, state.languageListFirstRow);
  window.requestRepaint();
  return true;
}

}  // namespace

uint32_t parseSplitPartText(const std::wstring& text, uint32_t previous) {
  uint32_t value = 0;
  bool sawDigit = false;
  for (const wchar_t unit : text) {
    if (unit >= L'0' && unit <= L'9') {
      value = std::min<uint32_t>(value * 10 + uint32_t(unit - L'0'), kLargestPartMiB);
      sawDigit = true;
    } else if (unit != L' ' && unit != L',' && unit != L'.') {
      break;
    }
  }
  return sawDigit && value != 0 ? value : previous;
}

TextField* AppWindow::focusedTextField() {
  switch (pageState.focusId) {
    case command_ids::kSearchField:
      return &pageState.searchQuery;
    case command_ids::kCompressPassword:
      return &pageState.compressPassword;
    case command_ids::kCompressPasswordRepeat:
      return &pageState.compressPasswordRepeat;
    case command_ids::kExtractPassword:
      return &pageState.extractPassword;
    case command_ids::kViewerPassword:
      return &pageState.viewerPassword;
    case command_ids::kViewerFilter:
      return &pageState.viewerFilter;
    case command_ids::kToolsPassword:
      return &pageState.toolsPassword;
    case command_ids::kSplitPartText:
      return &pageState.splitPartText;
    default:
      return nullptr;
  }
}

bool AppWindow::onKeyDown(unsigned virtualKey) {
  if (pageState.languageListOpen) return languageListKey(*this, virtualKey);

  if (virtualKey == keys::kP && held(host_.get(), keys::kControl)) {
    if (pageState.page != Page::Viewer) return false;
    togglePreviewPane();
    return true;
  }

  const bool shift = held(host_.get(), keys::kShift);
  if (TextField* field = focusedTextField()) {
    const uint16_t fieldId = pageState.focusId;
    switch (virtualKey) {
      case keys::kBackspace:
      case keys::kDelete: {
        const bool changed = virtualKey == keys::kBackspace ? field->backspace() : field->deleteForward();
        if (changed) afterTextDeleted(fieldId);
        requestRepaint();
        return true;
      }
      case keys::kLeft:
      case keys::kRight:
      case keys::kHome:
      case keys::kEnd: {
        bool moved = false;
        if (virtualKey == keys::kLeft) moved = field->moveCaret(-1, shift);
        if (virtualKey == keys::kRight) moved = field->moveCaret(+1, shift);
        if (virtualKey == keys::kHome) moved = field->moveToStart(shift);
        if (virtualKey == keys::kEnd) moved = field->moveToEnd(shift);
        if (moved) requestRepaint();
        return true;
      }
      case keys::kEnter:
        if (fieldId == command_ids::kViewerPassword) {
          onCommand(command_ids::kUnlockViewer, -1);
          return true;
        }
        if (fieldId == command_ids::kToolsPassword) {
          // Lists the tools archive again, now with the typed password.
          if (!pageState.toolsArchive.empty()) loadToolsArchive(pageState.toolsArchive);
          return true;
        }
        if (fieldId == command_ids::kSearchField) {
          startSearch();
          return true;
        }
        break;
      case keys::kEscape:
        if (fieldId == command_ids::kSearchField) {
          clearSearch();
          showPage(Page::Home);
          return true;
        }
        if (fieldId == command_ids::kViewerFilter) {
          clearViewerFilter();
          return true;
        }
        break;
      default:
        break;
    }
  }

  switch (virtualKey) {
    case keys::kTab:
      moveFocus(shift ? -1 : +1);
      return true;
    case keys::kEnter:
    case keys::kSpace:
      if (pageState.focusId == 0) return false;
      onCommand(pageState.focusId, -1);
      return true;
    case keys::kEscape:
      if (preview.busy()) {
        // The worker ends without publishing; the pane says it was stopped.
        preview.cancel();
        pageState.previewResult.state = PreviewState::stopped;
        requestRepaint();
        return true;
      }
      if (pageState.taskPanelShown) {
        // A running task's panel can only be sent to the background; an ended one is dismissed.
        onCommand(tasks.busy() ? command_ids::kHidePanel : command_ids::kClosePanel, -1);
        return true;
      }
      if (!pageState.showFocus) return false;
      pageState.showFocus = false;
      requestRepaint();
      return true;
    case keys::kPageUp:
      scrollByPage(-1);
      return true;
    case keys::kPageDown:
      scrollByPage(+1);
      return true;
    default:
      return false;
  }
}

bool AppWindow::onChar(wchar_t character) {
  TextField* field = focusedTextField();
  if (!field) return false;
  const uint16_t fieldId = pageState.focusId;

  if (character == kSelectAllCharacter) {
    field->anchor = 0;
    field->caret = field->text.size();
    requestRepaint();
    return true;
  }
  if (character == kPasteCharacter) {
    std::wstring pasted;
    if (host_ && host_->readClipboardText(pasted)) field->insert(pasted, kTextFieldLimit);
    // The clipboard may hold a password: the copy is wiped to its whole capacity before it goes.
    pasted.resize(pasted.capacity());
    secureZero(pasted.data(), pasted.size() * sizeof(wchar_t));
    afterTextInput(fieldId, true);
    requestRepaint();
    return true;
  }
  // Control characters (Ctrl+C, Enter, Tab, Escape, Backspace among them) are keys, not text.
  if (character < kFirstPrintable) return true;

  if (!field->insert(std::wstring_view(&character, 1), kTextFieldLimit)) return true;
  afterTextInput(fieldId, false);
  requestRepaint();
  return true;
}

void AppWindow::afterTextInput(uint16_t fieldId, bool pasted) {
  switch (fieldId) {
    case command_ids::kSearchField:
      // Typing in the toolbar's field searches: its page comes up, and the field keeps the focus
      // that showing a page takes away.
      if (pageState.page != Page::Search) showPage(Page::Search);
      pageState.focusId = command_ids::kSearchField;
      refreshSearchNameHits();
      break;
    case command_ids::kSplitPartText:
      if (!pasted) pageState.splitPartMiB = parseSplitPartText(pageState.splitPartText.text, pageState.splitPartMiB);
      break;
    case command_ids::kViewerFilter:
      rebuildViewerRows(pageState);
      break;
    default:
      break;
  }
}

void AppWindow::afterTextDeleted(uint16_t fieldId) {
  if (fieldId == command_ids::kViewerFilter) rebuildViewerRows(pageState);
  if (fieldId == command_ids::kSearchField) refreshSearchNameHits();
}

void AppWindow::moveFocus(int direction) {
  std::vector<const HitRegion*> focusable;
  for (const HitRegion& region : hitRegions) {
    if (region.focusable) focusable.push_back(&region);
  }
  if (focusable.empty()) return;

  const int count = int(focusable.size());
  int next = direction > 0 ? 0 : count - 1;
  for (int i = 0; i < count; ++i) {
    if (focusable[size_t(i)]->command == pageState.focusId) {
      next = i + direction;
      break;
    }
  }
  if (next < 0) next = count - 1;
  if (next >= count) next = 0;

  const HitRegion& target = *focusable[size_t(next)];
  pageState.focusId = target.command;
  pageState.showFocus = true;
  scrollIntoView(target);
  requestRepaint();
}

void AppWindow::scrollIntoView(const HitRegion& region) {
  // The title bar, the rail and the toolbar never scroll.
  if (region.left < kRailWidth || region.bottom <= kPageTop) return;
  const float viewport = frameLayout.viewportHeight;
  if (viewport <= 0) return;

  const float height = region.bottom - region.top;
  float offset = scrollOffset_;
  if (height >= viewport) {
    offset += region.top - kPageTop;
  } else {
    const float margin = std::min(kFocusMargin, std::max(0.0f, (viewport - height) / 2));
    if (region.top < kPageTop + margin) {
      offset -= kPageTop + margin - region.top;
    } else if (region.bottom > kPageTop + viewport - margin) {
      offset += region.bottom - (kPageTop + viewport - margin);
    }
  }
  offset = std::clamp(offset, 0.0f, maxScroll());
  if (offset != scrollOffset_) setScrollOffset(offset);
}

}  // namespace tolzeb::ui
