// A single-threaded COM apartment for the length of a test; left only when it was entered.
#pragma once

#include <objbase.h>

namespace tolzeb::ui::testing {

class ComApartment {
 public:
  explicit ComApartment(DWORD flags = COINIT_APARTMENTTHREADED)
      : entered_(SUCCEEDED(CoInitializeEx(nullptr, flags))) {}
  ~ComApartment() {
    if (entered_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool entered_;
};

}  // namespace tolzeb::ui::testing
