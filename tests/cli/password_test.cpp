#include "cli/password.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_test_support.h"

namespace tolzeb::cli {
namespace {

using testing::bytesOf;
using testing::FakeWorld;
using testing::textOf;

// Text with an emoji as its UTF-16 pair, the form std::wstring holds on every platform.
const std::wstring kWithPair = std::wstring(L"p\u00e4ss") + wchar_t(0xD83D) + wchar_t(0xDE00);

// Hands out the units of `typed`, then reports the end of input.
NextTypedUnit typing(const std::wstring& typed) {
  auto position = std::make_shared<size_t>(0);
  return [typed, position]() -> std::optional<wchar_t> {
    if (*position >= typed.size()) return std::nullopt;
    return typed[(*position)++];
  };
}

TEST(CollectTypedText, LineRules) {
  const std::wstring cap(kMaxTypedPasswordUnits, L'a');
  struct Case {
    std::wstring typed;
    std::wstring text;
  };
  const Case cases[] = {
      {L"secret\r\n", L"secret"},
      {L"secret\n", L"secret"},
      {L"secret", L"secret"},  // the end of input ends the line too
      {L"se\rcr\ret\r\r\n", L"secret"},
      {L"secrXY\b\bet\n", L"secret"},
      {L"\b\bsecret\n", L"secret"},
      {L"ab\b\b\b\bc\n", L"c"},
      {L"\n", L""},
      {L"first\nsecond\n", L"first"},
      {kWithPair + L"\n", kWithPair},
      {cap + L"\n", cap},
      {cap + L"b\n", cap},
      {cap + L"\b\n", cap.substr(1)},
      {cap + L"bcd\b\b\b\b\n", cap},  // past the cap, backspace erases nothing
  };
  for (const Case& c : cases) {
    EXPECT_EQ(collectTypedText(typing(c.typed)), c.text) << c.typed.size();
  }
}

TEST(CollectTypedText, ReadsPastTheCapToTheEndOfTheLine) {
  // What is typed past 1024 units must not stay in the console for the next reader.
  const std::wstring typed = std::wstring(kMaxTypedPasswordUnits + 500, L'x') + L"\nnext line\n";
  size_t position = 0;
  const std::wstring text = collectTypedText([&]() -> std::optional<wchar_t> {
    if (position >= typed.size()) return std::nullopt;
    return typed[position++];
  });
  EXPECT_EQ(text.size(), kMaxTypedPasswordUnits);
  EXPECT_EQ(position, kMaxTypedPasswordUnits + 501);  // up to and including the line feed, no further
}

TEST(TypedPassword, EmptyRefusedOtherwiseUtf8AndTheTextWiped) {
  std::wstring empty;
  const Result<SecureBytes> none = typedPassword(empty);
  ASSERT_TRUE(none.failed());
  EXPECT_EQ(none.failure().code, StatusCode::invalid_argument);
  EXPECT_EQ(none.failure().message, L"An empty password is not accepted");

  std::wstring text = kWithPair;
  const Result<SecureBytes> bytes = typedPassword(text);
  ASSERT_TRUE(bytes.hasValue());
  EXPECT_EQ(textOf(bytes.value()), "p\xC3\xA4ss\xF0\x9F\x98\x80");
  EXPECT_TRUE(text.empty());

  std::wstring broken = L"a";
  broken.push_back(wchar_t(0xD800));
  const Result<SecureBytes> refused = toSecureUtf8(broken);
  ASSERT_TRUE(refused.failed());
  EXPECT_EQ(refused.failure().code, StatusCode::invalid_argument);
  EXPECT_TRUE(broken.empty());
}

// Hands out the given pieces, one per read (each at most `capacity` long), then the end of input.
ReadChunk pieces(std::vector<std::string> chunks, Result<size_t> last = size_t(0)) {
  auto next = std::make_shared<size_t>(0);
  auto all = std::make_shared<std::vector<std::string>>(std::move(chunks));
  return [all, next, last](uint8_t* buffer, size_t capacity) -> Result<size_t> {
    if (*next >= all->size()) return last;
    const std::string& chunk = (*all)[(*next)++];
    EXPECT_LE(chunk.size(), capacity);
    std::copy(chunk.begin(), chunk.end(), buffer);
    return chunk.size();
  };
}

TEST(PasswordFromReads, FirstLineWithoutTrailingCarriageReturns) {
  const std::string full(512, 'k');
  struct Case {
    std::vector<std::string> chunks;
    std::string password;  // empty: refused with "No password was given on stdin"
  };
  const Case cases[] = {
      {{"secret\n"}, "secret"},
      {{"secret\r\n"}, "secret"},
      {{"secret\r\r\n"}, "secret"},
      {{"secret"}, "secret"},
      {{"sec", "ret"}, "secret"},
      {{"first\nsecond\n"}, "first"},
      {{"first\n", "second\n"}, "first"},
      {{"fir", "st\r", "\nsecond"}, "first"},
      {{"a\rb\n"}, "a\rb"},                     // only the carriage returns at the end go
      {{"  spaced  \n"}, "  spaced  "},         // blanks are kept
      {{"\xFF\xFEnot utf-8\n"}, "\xFF\xFEnot utf-8"},  // bytes as given
      {{full, full, full, full}, std::string(4 * 512, 'k')},
      {{full, full, full, full.substr(0, 511) + "\n", "extra"}, std::string(4 * 512 - 1, 'k')},
      {{"\n"}, ""},
      {{"\r\n"}, ""},
      {{"\n\n\n"}, ""},
      {{"\nsecret\n"}, ""},
      {{}, ""},
  };
  for (const Case& c : cases) {
    const Result<SecureBytes> password = passwordFromReads(pieces(c.chunks));
    if (c.password.empty()) {
      ASSERT_TRUE(password.failed()) << c.chunks.size();
      EXPECT_EQ(password.failure().code, StatusCode::invalid_argument);
      EXPECT_EQ(password.failure().message, L"No password was given on stdin");
    } else {
      ASSERT_TRUE(password.hasValue()) << c.password;
      EXPECT_EQ(textOf(password.value()), c.password);
    }
  }
}

TEST(PasswordFromReads, RefusesMoreThan4096BytesAndPassesReadFailuresOn) {
  const std::string full(512, 'k');
  struct Case {
    std::vector<std::string> chunks;
    Result<size_t> last;
    StatusCode code;
    std::wstring message;
  };
  const Case cases[] = {
      // 4097 bytes: refused after the read that passes the limit, even though it holds a line feed.
      {{full, full, full, full, full, full, full, full, "\n"}, size_t(0), StatusCode::invalid_argument,
       L"Password on stdin is implausibly long"},
      {{full, full, full, full, full, full, full, full, "k"}, size_t(0), StatusCode::invalid_argument,
       L"Password on stdin is implausibly long"},
      {{"sec"}, makeFailure(StatusCode::io_failure, L"Could not read the password from stdin"),
       StatusCode::io_failure, L"Could not read the password from stdin"},
  };
  for (const Case& c : cases) {
    const Result<SecureBytes> password = passwordFromReads(pieces(c.chunks, c.last));
    ASSERT_TRUE(password.failed());
    EXPECT_EQ(password.failure().code, c.code);
    EXPECT_EQ(password.failure().message, c.message);
  }
  // Exactly 4096 bytes with no line feed is still a password.
  const Result<SecureBytes> limit =
      passwordFromReads(pieces({full, full, full, full, full, full, full, full}));
  ASSERT_TRUE(limit.hasValue());
  EXPECT_EQ(limit->size(), 4096u);
}

TEST(PasswordFromReads, AtAConsoleTheRestOfARefusedLineIsReadAndDropped) {
  const std::string full(512, 'k');
  for (const bool fromConsole : {false, true}) {
    // Nine reads pass the limit; the line goes on for two more, then the next line begins.
    std::vector<std::string> chunks(9, full);
    chunks.push_back(full);
    chunks.push_back("kk\n");
    chunks.push_back("next command\n");
    int reads = 0;
    const ReadChunk counted = [inner = pieces(chunks), &reads](uint8_t* buffer, size_t capacity) {
      ++reads;
      return inner(buffer, capacity);
    };
    const Result<SecureBytes> password = passwordFromReads(counted, fromConsole);
    ASSERT_TRUE(password.failed());
    EXPECT_EQ(password.failure().message, L"Password on stdin is implausibly long");
    EXPECT_EQ(reads, fromConsole ? 11 : 9);  // never into the next line
  }
}

TEST(PromptNewPassword, BothEntriesMustMatch) {
  FakeWorld world;
  world.consoleAnswers = {bytesOf("same"), bytesOf("same")};
  const Result<SecureBytes> agreed = promptNewPassword(world.passwords);
  ASSERT_TRUE(agreed.hasValue());
  EXPECT_EQ(textOf(agreed.value()), "same");
  EXPECT_EQ(world.prompts, (std::vector<std::wstring>{L"Password: ", L"Repeat password: "}));

  FakeWorld firstFails;
  firstFails.consoleAnswers = {makeFailure(StatusCode::invalid_argument, L"An empty password is not accepted")};
  const Result<SecureBytes> empty = promptNewPassword(firstFails.passwords);
  ASSERT_TRUE(empty.failed());
  EXPECT_EQ(empty.failure().message, L"An empty password is not accepted");
  EXPECT_EQ(firstFails.prompts.size(), 1u);  // no second prompt after a failed first
}

TEST(PasswordForOpening, ProbeDecidesUnlessStandardInputIsGiven) {
  struct Case {
    bool passwordStdin;
    Result<bool> encrypted;
    std::string password;  // "<none>" for a null password; otherwise the failure message
    int stdinReads;
    size_t prompts;
    size_t probes;
  };
  const Case cases[] = {
      {false, false, "<none>", 0, 0, 1},
      {false, true, "typed", 0, 1, 1},
      {true, true, "piped", 1, 0, 0},
      {true, false, "piped", 1, 0, 0},
      {false, makeFailure(StatusCode::corrupt_archive, L"File is too small to be a .zeb archive"),
       "File is too small to be a .zeb archive", 0, 0, 1},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    world.encrypted = c.encrypted;
    world.consoleAnswers = {bytesOf("typed")};
    world.stdinAnswers = {bytesOf("piped")};
    CommandLine line;
    line.passwordStdin = c.passwordStdin;
    const Result<Password> password = passwordForOpening(line, L"a.zeb", world.engine, world.passwords);
    if (password.failed()) {
      EXPECT_EQ(std::string(password.failure().message.begin(), password.failure().message.end()), c.password);
    } else {
      EXPECT_EQ(textOf(password.value()), c.password);
    }
    EXPECT_EQ(world.stdinReads, c.stdinReads);
    EXPECT_EQ(world.prompts.size(), c.prompts);
    EXPECT_EQ(world.calls.size(), c.probes);
  }
}

}  // namespace
}  // namespace tolzeb::cli
