// The column every page lays itself out in.
#include "ui/app/page_painters.h"

#include <algorithm>

namespace tolzeb::ui {
namespace {

constexpr float kColumnInset = 28;
constexpr float kColumnTop = 24;

}  // namespace

PageColumn pageColumn(Rect page, float scrollOffset, float minimumWidth) {
  PageColumn column;
  column.left = page.left + kColumnInset;
  column.right = std::max(page.right - kColumnInset, column.left + minimumWidth);
  column.top = page.top + kColumnTop - scrollOffset;
  return column;
}

}  // namespace tolzeb::ui
