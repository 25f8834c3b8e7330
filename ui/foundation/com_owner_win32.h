// One reference to a COM interface, released when its owner goes. Serves the compiler's
// interfaces and the ones declared by hand as a table of function pointers (a `vtbl` member
// first), whose Release is reached through the IUnknown slot every COM table starts with.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <type_traits>
#include <utility>

namespace tolzeb::ui {

template <typename Interface>
concept ComInterface = std::is_convertible_v<Interface*, IUnknown*> || requires(Interface* p) { p->vtbl; };

template <ComInterface Interface>
class ComOwner {
 public:
  ComOwner() = default;
  // Takes over a reference the caller already holds.
  explicit ComOwner(Interface* adopted) : pointer_(adopted) {}
  ComOwner(ComOwner&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComOwner& operator=(ComOwner&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ComOwner(const ComOwner&) = delete;
  ComOwner& operator=(const ComOwner&) = delete;
  ~ComOwner() { reset(); }

  // For a function that hands out a new reference; the owner must be empty.
  Interface** out() { return &pointer_; }
  void** outVoid() { return reinterpret_cast<void**>(&pointer_); }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // Releases the reference now rather than at the end of the scope.
  void reset() {
    if (pointer_ == nullptr) return;
    if constexpr (std::is_convertible_v<Interface*, IUnknown*>) {
      pointer_->Release();
    } else {
      reinterpret_cast<IUnknown*>(pointer_)->Release();
    }
    pointer_ = nullptr;
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace tolzeb::ui
