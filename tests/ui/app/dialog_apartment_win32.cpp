#include <windows.h>
// After windows.h, which it needs.
#include <objbase.h>

#include "dialog_apartment.h"

namespace tolzeb::ui::testing {

DialogApartment::DialogApartment()
    : entered_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}

DialogApartment::~DialogApartment() {
  if (entered_) CoUninitialize();
}

}  // namespace tolzeb::ui::testing
