// The text field under arbitrary sequences of typing, pasting, deleting and caret moves: no
// crash and no undefined behaviour, the caret and anchor stay inside the text, the text keeps to
// its maximum and never holds a control unit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/foundation/text_field.h"

namespace {

constexpr uint64_t kMaximum = 48;

bool isControlUnit(wchar_t unit) { return unit < 0x20 || unit == 0x7F; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tolzeb::ui::TextField field;
  size_t at = 0;
  while (at < size) {
    const uint8_t op = data[at++];
    const bool extend = (op & 0x10) != 0;
    switch (op % 9) {
      case 0: {  // a paste of up to 15 UTF-16 units
        const size_t units = std::min<size_t>(op >> 4, (size - at) / 2);
        std::wstring text;
        for (size_t i = 0; i < units; ++i, at += 2) {
          text.push_back(static_cast<wchar_t>(data[at] | (data[at + 1] << 8)));
        }
        field.insert(text, kMaximum);
        break;
      }
      case 1:
        field.backspace();
        break;
      case 2:
        field.deleteForward();
        break;
      case 3:
        field.deleteSelection();
        break;
      case 4:
        field.moveCaret(-1, extend);
        break;
      case 5:
        field.moveCaret(+1, extend);
        break;
      case 6:
        field.moveToStart(extend);
        break;
      case 7:
        field.moveToEnd(extend);
        break;
      default:
        if (op > 0xF0) field.clear();
        break;
    }
    const size_t length = field.text.size();
    if (field.caret > length || field.anchor > length || length > kMaximum) std::abort();
    if (std::any_of(field.text.begin(), field.text.end(), isControlUnit)) std::abort();
  }
  return 0;
}
