// Hit-region ids that more than the page drawing them knows by number: the input handling for
// press-and-drag controls and text fields, and the pages and panes that draw them.
#pragma once

#include <cstdint>

namespace tolzeb::ui {

// Press-and-drag controls, text fields and other ids the input handling knows by number.
namespace command_ids {
inline constexpr uint16_t kSearchField = 8;
inline constexpr uint16_t kClearSearch = 9;
inline constexpr uint16_t kCompressPassword = 38;
inline constexpr uint16_t kCompressPasswordRepeat = 39;
inline constexpr uint16_t kRecoverySlider = 41;
inline constexpr uint16_t kExtractPassword = 51;
inline constexpr uint16_t kViewerPassword = 62;
inline constexpr uint16_t kUnlockViewer = 63;
inline constexpr uint16_t kViewerFilter = 64;
inline constexpr uint16_t kClearViewerFilter = 65;
inline constexpr uint16_t kTogglePreviewPane = 66;
inline constexpr uint16_t kPreviewSplitter = 67;
inline constexpr uint16_t kPlayAudio = 71;
inline constexpr uint16_t kAudioSeek = 72;
inline constexpr uint16_t kToolsPassword = 79;
inline constexpr uint16_t kSplitPartSlider = 81;
inline constexpr uint16_t kSplitPartText = 82;
inline constexpr uint16_t kPickLanguage = 103;
inline constexpr uint16_t kScrollBar = 118;
inline constexpr uint16_t kHidePanel = 123;
inline constexpr uint16_t kClosePanel = 120;
inline constexpr uint16_t kTaskRow = 124;
}  // namespace command_ids

}  // namespace tolzeb::ui
