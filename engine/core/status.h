// Failures as values: every fallible operation returns Status or Result<T>.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace tolzeb {

enum class StatusCode : int32_t {
  general = 1,
  invalid_argument = 2,
  corrupt_archive = 3,
  authentication_failed = 4,
  io_failure = 5,
  canceled = 6,
  unsupported_version = 7,
  resource_limit = 8,
  path_unsafe = 9,
  already_exists = 10,
  not_found = 11,
};

// The code's lower-case word, "general" to "not_found".
const wchar_t* statusCodeWord(StatusCode code);

struct Failure {
  StatusCode code = StatusCode::general;
  std::wstring message;  // English, composed where the failure was found
};

inline Failure makeFailure(StatusCode code, std::wstring message) {
  return Failure{code, std::move(message)};
}

// The readers' most common failure: bytes the format does not allow.
inline Failure corrupt(std::wstring message) { return Failure{StatusCode::corrupt_archive, std::move(message)}; }

class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Failure&& failure) : failure_(std::move(failure)), failed_(true) {}
  Status(const Failure& failure) : failure_(failure), failed_(true) {}
  Status(StatusCode code, std::wstring&& message) : failure_{code, std::move(message)}, failed_(true) {}

  bool failed() const { return failed_; }
  bool ok() const { return !failed_; }
  const Failure& failure() const& { return failure_; }
  Failure&& failure() && { return std::move(failure_); }
  StatusCode code() const { return failure_.code; }
  const std::wstring& message() const { return failure_.message; }

 private:
  Failure failure_;  // code 1 and no message on success; nobody reads it then
  bool failed_ = false;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T&& value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(const T& value) : state_(std::in_place_index<0>, value) {}
  Result(Failure&& failure) : state_(std::in_place_index<1>, std::move(failure)) {}
  Result(const Failure& failure) : state_(std::in_place_index<1>, failure) {}
  Result(StatusCode code, std::wstring&& message)
      : state_(std::in_place_index<1>, Failure{code, std::move(message)}) {}
  // A failed Status passes its failure on; a successful one must not reach here.
  Result(Status&& status) : Result(std::move(status).failure()) {}

  bool hasValue() const { return state_.index() == 0; }
  bool failed() const { return state_.index() == 1; }
  bool empty() const { return state_.valueless_by_exception(); }

  // Throw std::bad_variant_access on the wrong alternative.
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  const Failure& failure() const& { return std::get<1>(state_); }
  Failure&& failure() && { return std::get<1>(std::move(state_)); }

  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  // The failure as a Status, for functions that return Status.
  Status status() const& { return failed() ? Status(failure()) : Status(); }
  Status status() && { return failed() ? Status(std::get<1>(std::move(state_))) : Status(); }

 private:
  std::variant<T, Failure> state_;
};

}  // namespace tolzeb

// Return the failure of a Status-valued expression from the enclosing function.
#define TOLZEB_TRY(expr)                                       \
  do {                                                         \
    ::tolzeb::Status tolzeb_try_status_ = (expr);              \
    if (tolzeb_try_status_.failed())                           \
      return std::move(tolzeb_try_status_).failure();          \
  } while (false)

#define TOLZEB_CONCAT_INNER(a, b) a##b
#define TOLZEB_CONCAT(a, b) TOLZEB_CONCAT_INNER(a, b)

// Declare `lhs` from a Result-valued expression, or return its failure.
#define TOLZEB_ASSIGN_OR_RETURN(lhs, expr) \
  TOLZEB_ASSIGN_OR_RETURN_IMPL(TOLZEB_CONCAT(tolzeb_result_, __LINE__), lhs, expr)
#define TOLZEB_ASSIGN_OR_RETURN_IMPL(tmp, lhs, expr) \
  auto tmp = (expr);                                 \
  if (tmp.failed()) return std::move(tmp).failure(); \
  lhs = std::move(tmp).value()
