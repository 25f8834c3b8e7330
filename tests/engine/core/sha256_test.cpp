#include "engine/core/sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "support/hex_text.h"

namespace tolzeb {
namespace {

using testing::toHex;

// FIPS 180-2 appendix B examples plus the digest of the empty message.
struct KnownAnswer {
  std::string message;
  const char* digest;
};

std::vector<KnownAnswer> knownAnswers() {
  return {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrst"
       "u",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
}

TEST(Sha256Test, OneShotKnownAnswers) {
  for (const KnownAnswer& c : knownAnswers()) {
    Result<Sha256Digest> digest = sha256(c.message.data(), c.message.size());
    ASSERT_TRUE(digest.hasValue()) << c.message.size();
    EXPECT_EQ(toHex(*digest), c.digest) << c.message.size();
  }
  Result<Sha256Digest> empty = sha256(nullptr, 0);
  ASSERT_TRUE(empty.hasValue());
  EXPECT_EQ(toHex(*empty), knownAnswers()[0].digest);
}

// Pieces that straddle the 64-byte block boundary in every way, including empty ones.
TEST(Sha256Test, IncrementalMatchesOneShotWhateverThePieces) {
  const size_t pieceSizes[] = {0, 1, 63, 64, 65, 127, 1000, 4096};
  for (const KnownAnswer& c : knownAnswers()) {
    Sha256 hasher;
    ASSERT_TRUE(hasher.isValid());
    size_t offset = 0;
    for (size_t turn = 0; offset < c.message.size(); ++turn) {
      size_t piece = std::min(pieceSizes[turn % std::size(pieceSizes)], c.message.size() - offset);
      ASSERT_TRUE(hasher.update(c.message.data() + offset, piece).ok());
      offset += piece;
    }
    Result<Sha256Digest> digest = hasher.finish();
    ASSERT_TRUE(digest.hasValue());
    EXPECT_EQ(toHex(*digest), c.digest) << c.message.size();
  }
}

TEST(Sha256Test, FinishedOrEmptyHasherRefusesWork) {
  Sha256 hasher;
  ASSERT_TRUE(hasher.update("abc", 3).ok());
  ASSERT_TRUE(hasher.finish().hasValue());

  Status late = hasher.update("d", 1);
  EXPECT_EQ(late.code(), StatusCode::general);
  EXPECT_EQ(late.message(), L"SHA-256 context already finalized");
  Result<Sha256Digest> again = hasher.finish();
  ASSERT_TRUE(again.failed());
  EXPECT_EQ(again.failure().code, StatusCode::general);
  EXPECT_EQ(again.failure().message, L"SHA-256 already finalized");

  // A moved-from hasher has no state left.
  Sha256 fresh;
  Sha256 taken = std::move(fresh);
  EXPECT_FALSE(fresh.isValid());
  EXPECT_EQ(fresh.update("a", 1).message(), L"SHA-256 context is not initialized");
  EXPECT_EQ(fresh.finish().failure().message, L"SHA-256 context is not initialized");
  ASSERT_TRUE(taken.update("abc", 3).ok());
  EXPECT_EQ(toHex(*taken.finish()), knownAnswers()[1].digest);
}

TEST(Sha256Test, MoveAssignmentCarriesTheStateAndItsProgress) {
  Sha256 first;
  ASSERT_TRUE(first.update("ab", 2).ok());
  Sha256 second;
  ASSERT_TRUE(second.update("xyz", 3).ok());
  second = std::move(first);
  ASSERT_TRUE(second.update("c", 1).ok());
  EXPECT_EQ(toHex(*second.finish()), knownAnswers()[1].digest);
}

TEST(ConstantTimeEqualTest, ComparesEveryByte) {
  const uint8_t a[] = {1, 2, 3, 4, 5, 6, 7, 8};
  const uint8_t lastDiffers[] = {1, 2, 3, 4, 5, 6, 7, 9};
  const uint8_t firstDiffers[] = {0, 2, 3, 4, 5, 6, 7, 8};
  const uint8_t same[] = {1, 2, 3, 4, 5, 6, 7, 8};
  struct Case {
    const uint8_t* other;
    size_t length;
    bool equal;
  } cases[] = {
      {same, 8, true}, {lastDiffers, 8, false}, {firstDiffers, 8, false}, {lastDiffers, 7, true}, {nullptr, 0, true},
  };
  for (const Case& c : cases) EXPECT_EQ(constantTimeEqual(a, c.other, c.length), c.equal) << c.length;
  EXPECT_TRUE(constantTimeEqual(nullptr, nullptr, 0));
}

}  // namespace
}  // namespace tolzeb
