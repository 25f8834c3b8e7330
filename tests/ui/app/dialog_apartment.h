// The apartment the file dialogs need on the calling thread, as the program's UI thread has one:
// a single-threaded COM apartment on Windows, nothing elsewhere. Held for a test's lifetime.
#pragma once

namespace tolzeb::ui::testing {

class DialogApartment {
 public:
  DialogApartment();
  ~DialogApartment();
  DialogApartment(const DialogApartment&) = delete;
  DialogApartment& operator=(const DialogApartment&) = delete;

 private:
  [[maybe_unused]] bool entered_ = false;  // only Windows has an apartment to leave
};

}  // namespace tolzeb::ui::testing
