#include "engine/core/status.h"

#include <gtest/gtest.h>

#include <variant>
#include <vector>

namespace tolzeb {
namespace {

TEST(StatusTest, SuccessIsNotFailedEvenThoughItsCodeReadsGeneral) {
  Status ok;
  EXPECT_FALSE(ok.failed());
  EXPECT_EQ(ok.code(), StatusCode::general);
  EXPECT_TRUE(ok.message().empty());
}

TEST(StatusTest, FailureCarriesCodeAndMessage) {
  Status s(StatusCode::corrupt_archive, L"Manifest references chunk 7");
  EXPECT_TRUE(s.failed());
  EXPECT_EQ(s.failure().code, StatusCode::corrupt_archive);
  EXPECT_EQ(s.failure().message, L"Manifest references chunk 7");
}

TEST(StatusTest, MovingAFailureLeavesTheSourceMessageEmpty) {
  Failure f = makeFailure(StatusCode::not_found, L"gone");
  Status s(std::move(f));
  EXPECT_TRUE(f.message.empty());
  EXPECT_EQ(s.message(), L"gone");
}

TEST(ResultTest, WrongAlternativeThrows) {
  Result<int> value(5);
  Result<int> failure(makeFailure(StatusCode::io_failure, L"x"));
  EXPECT_TRUE(value.hasValue());
  EXPECT_EQ(value.value(), 5);
  EXPECT_THROW((void)value.failure(), std::bad_variant_access);
  EXPECT_FALSE(failure.hasValue());
  EXPECT_THROW((void)failure.value(), std::bad_variant_access);
  EXPECT_EQ(failure.failure().code, StatusCode::io_failure);
}

Result<int> half(int x) {
  if (x % 2) return makeFailure(StatusCode::invalid_argument, L"odd");
  return x / 2;
}

Result<int> quarter(int x) {
  TOLZEB_ASSIGN_OR_RETURN(int h, half(x));
  TOLZEB_ASSIGN_OR_RETURN(int q, half(h));
  return q;
}

Status checkEven(int x) {
  TOLZEB_TRY(half(x).status());
  return {};
}

TEST(ResultTest, HelpersPassTheDeepestFailureOnUnchanged) {
  EXPECT_EQ(quarter(8).value(), 2);
  Result<int> r = quarter(6);
  ASSERT_TRUE(r.failed());
  EXPECT_EQ(r.failure().message, L"odd");
  EXPECT_FALSE(checkEven(4).failed());
  EXPECT_EQ(checkEven(3).code(), StatusCode::invalid_argument);
}

TEST(StatusCodeTest, Words) {
  EXPECT_STREQ(statusCodeWord(StatusCode::invalid_argument), L"invalid_argument");
  EXPECT_STREQ(statusCodeWord(StatusCode::not_found), L"not_found");
}

}  // namespace
}  // namespace tolzeb
