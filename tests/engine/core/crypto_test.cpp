#include "engine/core/crypto.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/crypto_platform.h"
#include "engine/core/sha256.h"
#include "support/hex_text.h"

namespace tolzeb {
namespace {

using testing::fromHex;
using testing::toHex;

const uint64_t kAbove32Bits = uint64_t(0xFFFFFFFFu) + 1;

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

void expectFailure(const Status& status, StatusCode code, const std::wstring& message) {
  ASSERT_TRUE(status.failed()) << std::string(message.begin(), message.end());
  EXPECT_EQ(status.code(), code);
  EXPECT_EQ(status.message(), message);
}

TEST(NonceTest, PrefixThenCounterLittleEndian) {
  const uint8_t prefix[4] = {1, 2, 3, 4};
  struct Case {
    uint64_t counter;
    const char* nonce;
  } cases[] = {
      {0, "010203040000000000000000"},
      {258, "010203040201000000000000"},
      {UINT64_MAX, "01020304ffffffffffffffff"},
      {UINT64_MAX - 2, "01020304fdffffffffffffff"},
  };
  for (const Case& c : cases) {
    uint8_t nonce[12];
    makeNonce(prefix, c.counter, nonce);
    EXPECT_EQ(toHex(nonce, 12), c.nonce) << c.counter;
  }
}

TEST(RandomBytesTest, ArgumentChecks) {
  EXPECT_TRUE(randomBytes(nullptr, 0).ok());
  expectFailure(randomBytes(nullptr, 1), StatusCode::invalid_argument, L"randomBytes: null buffer");
  uint8_t buffer[1];  // never written: the length is refused first
  expectFailure(randomBytes(buffer, kAbove32Bits), StatusCode::invalid_argument, L"randomBytes: request too large");
}

TEST(RandomBytesTest, CallsGiveDifferentBytes) {
  uint8_t first[32] = {};
  uint8_t second[32] = {};
  ASSERT_TRUE(randomBytes(first, sizeof first).ok());
  ASSERT_TRUE(randomBytes(second, sizeof second).ok());
  EXPECT_NE(toHex(first, 32), toHex(second, 32));
  EXPECT_NE(toHex(first, 32), std::string(64, '0'));
}

// Published PBKDF2-HMAC-SHA256 vectors (RFC 7914 section 11 and the RFC 6070 inputs). Their
// iteration counts are below what the public function accepts, so they go to the library call.
TEST(Pbkdf2Test, LibraryCallKnownAnswers) {
  struct Case {
    std::string password, salt;
    uint32_t iterations;
    const char* key;
  } cases[] = {
      {"password", "salt", 1, "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b"},
      {"password", "salt", 2, "ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43"},
      {"password", "salt", 4096, "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"},
      {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
       "348c89dbcbd32b2f32d814b8116e84cf2b17347ebc1800181c4e2a1fb8dd53e1c635518c7dac47e9"},
      {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, "89b69d0516f829893c696226650a8687"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> password = bytesOf(c.password), salt = bytesOf(c.salt);
    std::vector<uint8_t> key(std::strlen(c.key) / 2);
    ASSERT_TRUE(detail::derivePbkdf2(password.data(), password.size(), salt.data(), salt.size(), c.iterations,
                                     key.data(), key.size())
                    .ok());
    EXPECT_EQ(toHex(key), c.key) << c.password;
  }
}

// Expected keys computed with an independent PBKDF2 (Python's hashlib) at the lowest count we accept.
TEST(Pbkdf2Test, DerivesAtTheLowestAcceptedCount) {
  struct Case {
    std::string password;
    const char* key;
  } cases[] = {
      {"password", "0394a2ede332c9a13eb82e9b24631604c31df978b4e2f0fbd2c549944f9d79a5"},
      {"", "378a8bda976ade0a4497d2a04bd1ce352bc66c389947624ae5fab8c62074a371"},
  };
  const uint8_t salt[] = {'s', 'a', 'l', 't'};
  for (const Case& c : cases) {
    std::vector<uint8_t> password = bytesOf(c.password);
    Result<SecureBytes> key =
        deriveKeyPbkdf2(password.empty() ? nullptr : password.data(), password.size(), salt, 4, 100'000, 32);
    ASSERT_TRUE(key.hasValue()) << c.password;
    EXPECT_EQ(toHex(key->data(), key->size()), c.key);
  }
}

TEST(Pbkdf2Test, ArgumentChecksInOrder) {
  const std::wstring keySize = L"PBKDF2: unreasonable key size";
  const std::wstring iterationCount = L"PBKDF2: iteration count outside the range this build accepts";
  const std::wstring badSalt = L"PBKDF2: bad salt";
  const std::wstring passwordTooLong = L"PBKDF2: password too long";
  uint8_t salt[1025] = {};
  const uint8_t password[] = {'p'};
  struct Case {
    size_t keyLength;
    uint32_t iterations;
    size_t saltLength;
    uint64_t passwordLength;
    const std::wstring& message;
  } cases[] = {
      {0, 100'000, 16, 1, keySize},
      {1025, 100'000, 16, 1, keySize},
      {0, 1, 0, kAbove32Bits, keySize},  // the key size is checked before everything else
      {32, 99'999, 16, 1, iterationCount},
      {32, 10'000'001, 16, 1, iterationCount},
      {32, 0, 0, kAbove32Bits, iterationCount},
      {32, 100'000, 0, 1, badSalt},
      {32, 100'000, 1025, 1, badSalt},
      {32, 100'000, 0, kAbove32Bits, badSalt},
      {32, 100'000, 16, kAbove32Bits, passwordTooLong},
  };
  for (const Case& c : cases) {
    Result<SecureBytes> key =
        deriveKeyPbkdf2(password, c.passwordLength, salt, c.saltLength, c.iterations, c.keyLength);
    ASSERT_TRUE(key.failed()) << c.keyLength << " " << c.iterations << " " << c.saltLength;
    EXPECT_EQ(key.failure().code, StatusCode::invalid_argument);
    EXPECT_EQ(key.failure().message, c.message);
  }
  Result<SecureBytes> nullSalt = deriveKeyPbkdf2(password, 1, nullptr, 16, 100'000, 32);
  ASSERT_TRUE(nullSalt.failed());
  EXPECT_EQ(nullSalt.failure().message, badSalt);
}

TEST(Pbkdf2Test, AcceptsTheExtremeKeyAndSaltLengths) {
  const uint8_t salt[1024] = {};
  for (size_t length : {size_t(1), size_t(1024)}) {
    Result<SecureBytes> key = deriveKeyPbkdf2(nullptr, 0, salt, length, 100'000, length);
    ASSERT_TRUE(key.hasValue()) << length;
    EXPECT_EQ(key->size(), length);
  }
}

// NIST GCM test cases 13 to 16 (the 256-bit key cases of the original GCM submission).
struct GcmCase {
  const char* name;
  const char* key;
  const char* nonce;
  const char* aad;
  const char* plaintext;
  const char* ciphertext;
  const char* tag;
};

const std::string kKey15 = "feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308";
const std::string kPlain15 =
    "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba"
    "637b391aafd255";
const std::string kCipher15 =
    "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abc"
    "c9f662898015ad";
// Case 16 is case 15 shortened to 60 bytes, with authenticated data.
const std::string kPlain16 = kPlain15.substr(0, 120);
const std::string kCipher16 = kCipher15.substr(0, 120);

const GcmCase kGcmCases[] = {
    {"13", "0000000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000", "", "", "",
     "530f8afbc74536b9a963b4f1c4cb738b"},
    {"14", "0000000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000", "",
     "00000000000000000000000000000000", "cea7403d4d606b6e074ec5d3baf39d18", "d0d1c8a799996bf0265b98b5d48ab919"},
    {"15", kKey15.c_str(), "cafebabefacedbaddecaf888", "", kPlain15.c_str(), kCipher15.c_str(),
     "b094dac5d93471bdec1a502270e3cc6c"},
    {"16", kKey15.c_str(), "cafebabefacedbaddecaf888", "feedfacedeadbeeffeedfacedeadbeefabaddad2", kPlain16.c_str(),
     kCipher16.c_str(), "76fc6ece0f4e1768cddf8853bb2d551b"},
};

// The vectors as bytes, with a key made from them.
struct GcmVector {
  std::unique_ptr<AesGcmKey> key;
  std::vector<uint8_t> nonce, aad, plaintext, ciphertext, tag;

  explicit GcmVector(const GcmCase& c)
      : nonce(fromHex(c.nonce)),
        aad(fromHex(c.aad)),
        plaintext(fromHex(c.plaintext)),
        ciphertext(fromHex(c.ciphertext)),
        tag(fromHex(c.tag)) {
    std::vector<uint8_t> keyBytes = fromHex(c.key);
    EXPECT_TRUE(makeAesGcmKey(key, keyBytes.data(), keyBytes.size()).ok());
  }
  const uint8_t* aadOrNull() const { return aad.empty() ? nullptr : aad.data(); }
};

TEST(AesGcmTest, KnownAnswersBothWays) {
  for (const GcmCase& c : kGcmCases) {
    SCOPED_TRACE(c.name);
    GcmVector v(c);
    std::vector<uint8_t> ciphertext(v.plaintext.size());
    uint8_t tag[16] = {};
    ASSERT_TRUE(aesGcmEncrypt(v.key, v.nonce.data(), v.aadOrNull(), v.aad.size(), v.plaintext.data(),
                              v.plaintext.size(), ciphertext.data(), tag)
                    .ok());
    EXPECT_EQ(toHex(ciphertext), c.ciphertext);
    EXPECT_EQ(toHex(tag, 16), c.tag);

    std::vector<uint8_t> plaintext(v.ciphertext.size());
    ASSERT_TRUE(aesGcmDecrypt(v.key, v.nonce.data(), v.aadOrNull(), v.aad.size(), v.ciphertext.data(),
                              v.ciphertext.size(), v.tag.data(), plaintext.data())
                    .ok());
    EXPECT_EQ(toHex(plaintext), c.plaintext);
  }
}

// Every change to what the tag covers must be caught, and nothing decrypted may be left behind.
TEST(AesGcmTest, AlteredInputFailsAuthenticationAndLeavesOutputZeroed) {
  enum class Alter { tag, ciphertext, aad, nonce };
  for (const GcmCase& c : kGcmCases) {
    for (Alter alter : {Alter::tag, Alter::ciphertext, Alter::aad, Alter::nonce}) {
      GcmVector v(c);
      std::vector<uint8_t>* target = alter == Alter::tag          ? &v.tag
                                     : alter == Alter::ciphertext ? &v.ciphertext
                                     : alter == Alter::aad        ? &v.aad
                                                                  : &v.nonce;
      if (target->empty()) target->push_back(0);  // authenticated data that was absent now is not
      target->back() ^= 0x01;
      SCOPED_TRACE(std::string(c.name) + " alteration " + std::to_string(int(alter)));

      std::vector<uint8_t> plaintext(v.ciphertext.size(), 0xAA);
      Status opened = aesGcmDecrypt(v.key, v.nonce.data(), v.aadOrNull(), v.aad.size(), v.ciphertext.data(),
                                    v.ciphertext.size(), v.tag.data(), plaintext.data());
      expectFailure(opened, StatusCode::authentication_failed,
                    L"Authentication failed: wrong password, or the data was altered");
      EXPECT_EQ(plaintext, std::vector<uint8_t>(plaintext.size(), 0));
    }
  }
}

// An empty message carries only a tag, and that tag is the whole check: null buffers must not
// let a wrong one through.
TEST(AesGcmTest, EmptyMessageIsAuthenticatedWithNullBuffers) {
  GcmVector v(kGcmCases[0]);
  uint8_t tag[16] = {};
  ASSERT_TRUE(aesGcmEncrypt(v.key, v.nonce.data(), nullptr, 0, nullptr, 0, nullptr, tag).ok());
  EXPECT_EQ(toHex(tag, 16), kGcmCases[0].tag);
  EXPECT_TRUE(aesGcmDecrypt(v.key, v.nonce.data(), nullptr, 0, nullptr, 0, tag, nullptr).ok());

  for (size_t i : {size_t(0), size_t(15)}) {
    uint8_t wrong[16];
    std::memcpy(wrong, tag, 16);
    wrong[i] ^= 0x80;
    expectFailure(aesGcmDecrypt(v.key, v.nonce.data(), nullptr, 0, nullptr, 0, wrong, nullptr),
                  StatusCode::authentication_failed, L"Authentication failed: wrong password, or the data was altered");
  }
}

// The key check of an encrypted archive: empty message, 12-byte nonce from the prefix and a
// counter, authenticated data only. Expected tag computed with an independent implementation.
TEST(AesGcmTest, EmptyMessageWithAuthenticatedData) {
  std::vector<uint8_t> keyBytes(32);
  for (size_t i = 0; i < 32; ++i) keyBytes[i] = uint8_t(i);
  std::unique_ptr<AesGcmKey> key;
  ASSERT_TRUE(makeAesGcmKey(key, keyBytes.data(), 32).ok());
  const uint8_t prefix[4] = {1, 2, 3, 4};
  uint8_t nonce[12];
  makeNonce(prefix, UINT64_MAX - 2, nonce);
  const std::string label = "TOLZEB-KEYCHECK-1";
  const auto* aad = reinterpret_cast<const uint8_t*>(label.data());
  uint8_t tag[16];
  ASSERT_TRUE(aesGcmEncrypt(key, nonce, aad, label.size(), nullptr, 0, nullptr, tag).ok());
  EXPECT_EQ(toHex(tag, 16), "9dd4bc6a3529ef5fb59dbfbadcc33bdc");
  EXPECT_TRUE(aesGcmDecrypt(key, nonce, aad, label.size(), nullptr, 0, tag, nullptr).ok());
  EXPECT_EQ(aesGcmDecrypt(key, nonce, aad, label.size() - 1, nullptr, 0, tag, nullptr).code(),
            StatusCode::authentication_failed);
}

TEST(AesGcmTest, KeyMustBe256Bits) {
  const uint8_t keyBytes[33] = {};
  for (size_t length : {0, 16, 24, 31, 33}) {
    std::unique_ptr<AesGcmKey> key;
    expectFailure(makeAesGcmKey(key, keyBytes, length), StatusCode::invalid_argument,
                  L"AES-GCM: this format uses 256-bit keys");
    EXPECT_EQ(key, nullptr);
  }
}

// A failed replacement keeps the old key working; a successful one swaps it.
TEST(AesGcmTest, ReplacingAKey) {
  GcmVector zeroKey(kGcmCases[1]);
  const uint8_t shortKey[16] = {};
  EXPECT_TRUE(makeAesGcmKey(zeroKey.key, shortKey, 16).failed());
  ASSERT_NE(zeroKey.key, nullptr);
  uint8_t ciphertext[16];
  uint8_t tag[16];
  ASSERT_TRUE(
      aesGcmEncrypt(zeroKey.key, zeroKey.nonce.data(), nullptr, 0, zeroKey.plaintext.data(), 16, ciphertext, tag).ok());
  EXPECT_EQ(toHex(tag, 16), kGcmCases[1].tag);

  std::vector<uint8_t> otherKey = fromHex(kKey15);
  ASSERT_TRUE(makeAesGcmKey(zeroKey.key, otherKey.data(), 32).ok());
  ASSERT_TRUE(
      aesGcmEncrypt(zeroKey.key, zeroKey.nonce.data(), nullptr, 0, zeroKey.plaintext.data(), 16, ciphertext, tag).ok());
  EXPECT_NE(toHex(tag, 16), kGcmCases[1].tag);

  releaseAesKey(zeroKey.key);
  EXPECT_EQ(zeroKey.key, nullptr);
}

TEST(AesGcmTest, ArgumentChecks) {
  GcmVector v(kGcmCases[1]);
  std::unique_ptr<AesGcmKey> noKey;
  uint8_t out[16];
  uint8_t tag[16] = {};
  const uint8_t* nonce = v.nonce.data();
  const uint8_t* in = v.plaintext.data();
  struct Case {
    Status status;
    std::wstring message;
  } cases[] = {
      {aesGcmEncrypt(noKey, nonce, nullptr, 0, in, 16, out, tag), L"AES-GCM: no key"},
      {aesGcmEncrypt(noKey, nonce, nullptr, 0, in, 16, out, nullptr), L"AES-GCM: no key"},
      {aesGcmEncrypt(v.key, nonce, nullptr, 0, in, 16, out, nullptr), L"AES-GCM: no tag buffer"},
      {aesGcmEncrypt(v.key, nonce, nullptr, 0, in, kAbove32Bits, out, tag), L"AES-GCM: message too large"},
      {aesGcmEncrypt(v.key, nonce, in, kAbove32Bits, in, 16, out, tag), L"AES-GCM: message too large"},
      {aesGcmDecrypt(noKey, nonce, nullptr, 0, in, 16, tag, out), L"AES-GCM: no key"},
      {aesGcmDecrypt(v.key, nonce, nullptr, 0, in, 16, nullptr, out), L"AES-GCM: no tag"},
      {aesGcmDecrypt(v.key, nonce, nullptr, 0, in, kAbove32Bits, tag, out), L"AES-GCM: message too large"},
      {aesGcmDecrypt(v.key, nonce, in, kAbove32Bits, in, 16, tag, out), L"AES-GCM: message too large"},
  };
  for (const Case& c : cases) expectFailure(c.status, StatusCode::invalid_argument, c.message);
}

// Each library takes lengths of a fixed width (32 bits for one, int for the other): anything
// longer is refused, never cut short.
TEST(CryptoLimitsTest, LengthsBeyondWhatTheLibraryTakesAreRefused) {
  const size_t tooLong = size_t(detail::kLargestCryptoCall) + 1;
  uint8_t buffer[32] = {};  // never read or written: the lengths are refused first
  const uint8_t nonce[12] = {};
  std::unique_ptr<AesGcmKey> key;
  ASSERT_TRUE(makeAesGcmKey(key, buffer, 32).ok());
  uint8_t tag[16] = {};
  struct Case {
    Status status;
    std::wstring message;
  } cases[] = {
      {randomBytes(buffer, tooLong), L"randomBytes: request too large"},
      {deriveKeyPbkdf2(buffer, tooLong, buffer, 16, 100'000, 32).status(), L"PBKDF2: password too long"},
      {aesGcmEncrypt(key, nonce, nullptr, 0, buffer, tooLong, buffer, tag), L"AES-GCM: message too large"},
      {aesGcmEncrypt(key, nonce, buffer, tooLong, buffer, 16, buffer, tag), L"AES-GCM: message too large"},
      {aesGcmDecrypt(key, nonce, nullptr, 0, buffer, tooLong, tag, buffer), L"AES-GCM: message too large"},
      {aesGcmDecrypt(key, nonce, buffer, tooLong, buffer, 16, tag, buffer), L"AES-GCM: message too large"},
  };
  for (const Case& c : cases) expectFailure(c.status, StatusCode::invalid_argument, c.message);
}

// Decoding workers seal, open and hash at the same time, each with a key object of its own.
TEST(CryptoThreadsTest, WorkersWithTheirOwnKeysAgree) {
  std::vector<int> failures(8, 0);
  std::vector<std::thread> workers;
  for (size_t w = 0; w < failures.size(); ++w) {
    workers.emplace_back([&failure = failures[w]] {
      const GcmCase& c = kGcmCases[3];
      GcmVector v(c);
      for (int round = 0; round < 50; ++round) {
        std::vector<uint8_t> ciphertext(v.plaintext.size()), plaintext(v.plaintext.size());
        uint8_t tag[16];
        bool ok = aesGcmEncrypt(v.key, v.nonce.data(), v.aadOrNull(), v.aad.size(), v.plaintext.data(),
                                v.plaintext.size(), ciphertext.data(), tag)
                      .ok() &&
                  ciphertext == v.ciphertext && toHex(tag, 16) == c.tag &&
                  aesGcmDecrypt(v.key, v.nonce.data(), v.aadOrNull(), v.aad.size(), ciphertext.data(),
                                ciphertext.size(), tag, plaintext.data())
                      .ok() &&
                  plaintext == v.plaintext;
        Result<Sha256Digest> digest = sha256("abc", 3);
        ok = ok && digest.hasValue() &&
             toHex(*digest) == "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
        if (!ok) ++failure;
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(failures, std::vector<int>(failures.size(), 0));
}

TEST(CryptoFailureTest, NamesTheFailingCall) {
  Failure failure = cngFailure(L"BCryptGenRandom");
  EXPECT_EQ(failure.code, StatusCode::general);
  EXPECT_EQ(failure.message, L"CNG call failed: BCryptGenRandom");
}

}  // namespace
}  // namespace tolzeb
