#include "dialog_apartment.h"

namespace tolzeb::ui::testing {

// The POSIX dialogs are answered without any system object.
DialogApartment::DialogApartment() = default;
DialogApartment::~DialogApartment() = default;

}  // namespace tolzeb::ui::testing
