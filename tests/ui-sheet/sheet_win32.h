// One PNG sheet drawn offscreen with the real renderer, and the sheets the program writes.
#pragma once

#include <string>

#include "offscreen_target_win32.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/renderer.h"

namespace tolzeb::ui {

struct Sheet {
  testing::OffscreenTarget target;
  Renderer renderer;
  IconSet icons;
  Sheet(unsigned width, unsigned height) : target(width, height) {}
  bool start() {
    return target.valid() && renderer.createFactories() && renderer.attachToBitmap(target.bitmap(), 96) &&
           icons.build(renderer.factory()) && renderer.beginDraw();
  }
};

// task-panel-<language>.png for each shipped language: the panel in each of its looks, with its
// hit regions outlined.
bool writeTaskPanelSheets(const std::wstring& folder);

}  // namespace tolzeb::ui
