// A single-threaded COM apartment for the length of a test; left only when it was entered.
#pragma once

#include <objbase.h>

namespace tolzeb::ui::testing {

class ComApartment {
 public:
  ComApartment() : entered_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (entered_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool entered_;
};

}  // namespace tolzeb::ui::testing
