// A main window without a window: the English catalogue, settings and history in a scratch
// folder, a recording host, and painting onto a recording canvas at the window's first size.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "support/temp_folder.h"
#include "ui/app/app_window.h"
#include "ui/foundation/app_data.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/recording_canvas.h"
#include "fake_window_host.h"
#include "ui/foundation/i18n_test_support.h"

namespace tolzeb::ui::testing {

// The client area of a window of 1204 x 816 DIPs less its side and bottom resize borders.
inline constexpr Size kClientSize{1172, 800};

class AppWindowTest : public ::testing::Test {
 protected:
  AppWindowTest() : AppWindowTest(TaskRunnerServices{}, platformAudioServices(), defaultPreviewServices()) {}
  // A window whose workers use the given stand-ins.
  AppWindowTest(TaskRunnerServices tasks, AudioPlayerServices audio, PreviewServices preview)
      : window(std::move(tasks), std::move(audio), std::move(preview)) {
    setLocalAppDataForTesting(folder.path());
    i18n::initialise(L"en-US");
    auto fake = std::make_unique<FakeWindowHost>();
    host = fake.get();
    window.attachHost(std::move(fake));
    window.applyStartSettings();
  }
  ~AppWindowTest() override { setLocalAppDataForTesting(std::nullopt); }

  // One paint, as WM_PAINT does it: the regions and the frame layout then match the state.
  void paint(Size client = kClientSize) {
    canvas.clearCalls();
    window.paint(canvas, icons, client);
    window.paintDone();
  }
  const HitRegion* region(uint16_t id) const {
    for (const HitRegion& r : window.regions())
      if (r.command == id) return &r;
    return nullptr;
  }
  // A press and release in the middle of the region with this id.
  void click(uint16_t id) {
    paint();
    const HitRegion* target = region(id);
    ASSERT_NE(target, nullptr) << "no region " << id;
    float x = (target->left + target->right) / 2, y = (target->top + target->bottom) / 2;
    window.onMouseDown(x, y);
    window.onMouseUp(x, y);
  }

  i18n::testing::StateGuard languageGuard;  // empties the shared language state afterwards
  tolzeb::testing::TempFolder folder;
  AppWindow window;
  FakeWindowHost* host = nullptr;
  RecordingCanvas canvas;
  IconSet icons;
};

}  // namespace tolzeb::ui::testing
