// Pointer input, the wheel and the scrolling of the page area. A click is a press and a release
// over regions of one command id; five controls are dragged instead, each with a flag of its own
// from the press to the release.
#include <algorithm>
#include <cmath>

#include "ui/app/app_window.h"
#include "ui/app/language_list_rows.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

constexpr int kWheelNotch = 120;
constexpr unsigned kFallbackWheelLines = 3;
constexpr unsigned kMaxWheelLines = 20;
constexpr float kScrollPerWheelLine = 24;
constexpr int32_t kLanguageRowsPerNotch = 3;
constexpr float kPageScrollOverlap = 48;
constexpr float kMinimumPageScroll = 80;
// A thumb that can travel less than this cannot scroll anything.
constexpr float kMinimumThumbTravel = 0.5f;
constexpr int32_t kRecoverySteps = 29;

}  // namespace

int32_t recoveryPercentAt(double fraction) {
  const double limited = fraction > 0 ? std::min(fraction, 1.0) : 0.0;
  return int32_t(limited * kRecoverySteps + 0.5) + 1;
}

const HitRegion* AppWindow::hitRegionAt(float x, float y) const { return hitTest(hitRegions, x, y); }

const HitRegion* AppWindow::findRegion(uint16_t id) const {
  for (const HitRegion& region : hitRegions) {
    if (region.command == id) return &region;
  }
  return nullptr;
}

void AppWindow::setPaintResultForTesting(HitRegions regions, const FrameLayout& layout, Size client) {
  hitRegions = std::move(regions);
  frameLayout = layout;
  clientSize_ = client;
}

void AppWindow::onMouseMove(float x, float y) {
  if (!trackingMouse) {
    if (host_) host_->trackMouseLeave();
    trackingMouse = true;
  }

  const uint16_t pressed = pageState.pressedId;
  const bool dragging =
      (pressed == command_ids::kSplitPartSlider && pageState.draggingSplitSize) ||
      (pressed == command_ids::kAudioSeek && pageState.draggingSeek) || (pressed == command_ids::kRecoverySlider && pageState.draggingRecovery) ||
      (pressed == command_ids::kScrollBar && draggingScrollBar) || (pressed == command_ids::kPreviewSplitter && pageState.draggingSplitter);
  if (dragging) return dragTo(pressed, x, y);

  const HitRegion* region = hitRegionAt(x, y);
  const uint16_t id = region ? region->command : 0;
  const int32_t argument = region ? region->argument : -1;
  if (id == pageState.hoverId && argument == pageState.hoverIndex) return;
  pageState.hoverId = id;
  pageState.hoverIndex = argument;
  requestRepaint();
}

void AppWindow::dragTo(uint16_t id, float x, float y) {
  // The control may have gone since the press (a page change, a pane hidden): then nothing moves.
  const HitRegion* region = findRegion(id);
  if (!region) return;
  switch (id) {
    case command_ids::kSplitPartSlider:
      setSplitPartSize(splitSizeFromFraction(sliderValueAt(*region, x)));
      break;
    case command_ids::kRecoverySlider: {
      const int32_t percent = recoveryPercentAt(sliderValueAt(*region, x));
      if (percent == pageState.compressRecoveryPercent) break;
      pageState.compressRecoveryPercent = percent;
      requestRepaint();
      break;
    }
    case command_ids::kScrollBar:
      scrollToThumb(y - scrollGrabOffset);
      break;
    case command_ids::kPreviewSplitter: {
      const float width = clientSize_.width;
      if (width <= 0) break;
      const float pane = previewPaneWidth(width - (x + pageState.splitterGrabOffset), width - kRailWidth);
      if (pane == pageState.previewPaneWidth) break;
      pageState.previewPaneWidth = pane;
      requestRepaint();
      break;
    }
    case command_ids::kAudioSeek: {
      const double target = sliderValueAt(*region, x) * pageState.audioState.duration;
      if (target == pageState.seekTarget) break;
      pageState.seekTarget = target;
      requestRepaint();
      break;
    }
    default:
      break;
  }
}

void AppWindow::onMouseDown(float x, float y) {
  const HitRegion* hit = hitRegionAt(x, y);
  if (!hit) return;
  const HitRegion region = *hit;
  if (host_) host_->captureMouse();
  pageState.pressedId = region.command;
  // The focus moves first, so that the part-size field, losing it, shows what the slider sets.
  pageState.focusId = region.command;
  pageState.showFocus = false;

  switch (region.command) {
    case command_ids::kSplitPartSlider:
      pageState.draggingSplitSize = true;
      dragTo(region.command, x, y);
      break;
    case command_ids::kScrollBar: {
      draggingScrollBar = true;
      const FrameLayout& bar = frameLayout;
      if (y >= bar.thumbTop && y < bar.thumbTop + bar.thumbLength) {
        scrollGrabOffset = y - bar.thumbTop;
      } else {
        // A press on the track centres the thumb under the pointer.
        scrollGrabOffset = bar.thumbLength / 2;
        scrollToThumb(y - scrollGrabOffset);
      }
      break;
    }
    case command_ids::kPreviewSplitter:
      pageState.draggingSplitter = true;
      pageState.splitterGrabOffset = region.right - x;
      break;
    case command_ids::kAudioSeek:
      pageState.draggingSeek = true;
      pageState.seekTarget = sliderValueAt(region, x) * pageState.audioState.duration;
      break;
    case command_ids::kRecoverySlider:
      pageState.draggingRecovery = true;
      dragTo(region.command, x, y);
      break;
    default:
      break;
  }
  requestRepaint();
}

void AppWindow::onMouseUp(float x, float y) {
  if (host_) host_->releaseMouse();
  const uint16_t pressed = pageState.pressedId;
  const bool splitterDragged = pageState.draggingSplitter;
  const bool seekDragged = pageState.draggingSeek;
  pageState.pressedId = 0;
  pageState.draggingRecovery = false;
  pageState.draggingSplitSize = false;
  pageState.draggingSeek = false;
  pageState.draggingSplitter = false;
  draggingScrollBar = false;

  switch (pressed) {
    case 0:
      return;
    case command_ids::kRecoverySlider:
    case command_ids::kSplitPartSlider:
    case command_ids::kScrollBar:
      requestRepaint();
      return;
    case command_ids::kAudioSeek:
      // Seeking waits for the release, so a drag does not make the engine seek at every step.
      if (seekDragged) audio.seek(pageState.seekTarget);
      requestRepaint();
      return;
    case command_ids::kPreviewSplitter:
      if (splitterDragged) {
        pageState.settings.previewPaneWidth = uint32_t(std::lround(pageState.previewPaneWidth));
        pageState.settings.save();
      }
      requestRepaint();
      return;
    default:
      break;
  }

  const HitRegion* released = hitRegionAt(x, y);
  requestRepaint();
  if (!released || released->command != pressed) return;
  // The argument is the one under the release: a press on one row of a list and a release on
  // another of the same list picks the second.
  const int32_t argument = released->argument;
  onCommand(pressed, argument);
}

void AppWindow::onMouseLeave() {
  trackingMouse = false;
  if (pageState.hoverId == 0) return;
  pageState.hoverId = 0;
  pageState.hoverIndex = -1;
  requestRepaint();
}

void AppWindow::setScrollOffset(float offset) {
  scrollOffset_ = offset;
  pageState.scrollOffset = offset;
}

float AppWindow::maxScroll() const { return maxScrollOffset(frameLayout.contentHeight, frameLayout.viewportHeight); }

void AppWindow::onWheel(int delta) {
  if (pageState.languageListOpen) {
    const int32_t notches = delta / kWheelNotch;
    pageState.languageListFirstRow =
        std::clamp(pageState.languageListFirstRow - kLanguageRowsPerNotch * notches, 0, kLanguageListLastFirstRow);
    requestRepaint();
    return;
  }
  if (delta == 0) return;
  unsigned lines = host_ ? host_->wheelScrollLines() : kFallbackWheelLines;
  // 0, the "one screen per notch" setting and anything above 20 scroll three lines.
  if (lines < 1 || lines > kMaxWheelLines) lines = kFallbackWheelLines;
  const float target = scrollOffset_ - float(lines) * kScrollPerWheelLine * (float(delta) / kWheelNotch);
  const float offset = std::clamp(target, 0.0f, maxScroll());
  if (offset == scrollOffset_) return;
  setScrollOffset(offset);
  requestRepaint();
}

void AppWindow::scrollByPage(int direction) {
  const float step = std::max(frameLayout.viewportHeight - kPageScrollOverlap, kMinimumPageScroll);
  const float offset = std::clamp(scrollOffset_ + float(direction) * step, 0.0f, maxScroll());
  if (offset == scrollOffset_) return;
  setScrollOffset(offset);
  requestRepaint();
}

void AppWindow::scrollToThumb(float top) {
  const FrameLayout& bar = frameLayout;
  const float travel = bar.trackHeight - bar.thumbLength;
  const float largest = maxScroll();
  float offset = 0;
  if (bar.scrollBarShown && travel > kMinimumThumbTravel && largest > 0) {
    offset = largest * std::clamp((top - bar.trackTop) / travel, 0.0f, 1.0f);
  }
  if (offset == scrollOffset_) return;
  setScrollOffset(offset);
  requestRepaint();
}

void AppWindow::onResize() {
  const float largest = maxScroll();
  if (scrollOffset_ > largest) setScrollOffset(largest);
  requestRepaint();
}

}  // namespace tolzeb::ui
