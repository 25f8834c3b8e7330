#include "cli/report_format.h"

#include <gtest/gtest.h>

#include "cli/console_progress.h"
#include "cli_test_support.h"

namespace tolzeb::cli {
namespace {

TEST(FormatSize, PowersOf1024) {
  const std::pair<uint64_t, const wchar_t*> cases[] = {
      {0, L"0 B"},
      {1023, L"1023 B"},
      {1024, L"1.00 KiB"},
      {1536, L"1.50 KiB"},
      {1048575, L"1024.00 KiB"},  // rounds up in its unit rather than moving on
      {1048576, L"1.00 MiB"},
      {5ull << 30, L"5.00 GiB"},
      {1ull << 40, L"1.00 TiB"},
      {1ull << 50, L"1024.00 TiB"},
      {UINT64_MAX, L"16777216.00 TiB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(formatSize(bytes), text) << bytes;
}

TEST(FormatLocalTime, ZeroAndImpossibleTimesShowADash) {
  EXPECT_EQ(formatLocalTime(0), L"-");
  EXPECT_EQ(formatLocalTime(UINT64_MAX), L"-");
  // Any time zone keeps the shape "YYYY-MM-DD HH:MM".
  const std::wstring text = formatLocalTime(132223104000000000ull);  // 2020-01-01 00:00 UTC
  ASSERT_EQ(text.size(), 16u);
  EXPECT_TRUE(text.rfind(L"2020-01-01 ", 0) == 0 || text.rfind(L"2019-12-31 ", 0) == 0);
  EXPECT_EQ(text[13], L':');
}

TEST(PercentOf, ZeroWholeGivesZero) {
  EXPECT_EQ(percentOf(5, 0), 0);
  EXPECT_EQ(percentOf(1, 3), 100.0 / 3);
  EXPECT_EQ(fixedDecimals(percentOf(1, 3), 1), L"33.3");
  EXPECT_EQ(fixedDecimals(percentOf(UINT64_MAX, UINT64_MAX), 1), L"100.0");
}

TEST(FixedDecimals, NoGroupingAndAPoint) {
  EXPECT_EQ(fixedDecimals(1234567.891, 3), L"1234567.891");
  EXPECT_EQ(fixedDecimals(0.0005, 1), L"0.0");
  EXPECT_EQ(fixedDecimals(2.5, 0), L"2");  // round half to even, as printf
  EXPECT_EQ(fixedDecimals(1e300, 2).size(), 304u);
}

Progress report(Progress::Phase phase, uint64_t done, uint64_t total, double seconds, uint64_t items,
                uint64_t itemsTotal) {
  Progress p;
  p.phase = phase;
  p.bytesDone = done;
  p.bytesTotal = total;
  p.seconds = seconds;
  p.itemsDone = items;
  p.itemsTotal = itemsTotal;
  return p;
}

TEST(ProgressLine, Layout) {
  using Phase = Progress::Phase;
  struct Case {
    Progress progress;
    const wchar_t* line;
  };
  const Case cases[] = {
      {report(Phase::Encoding, 1 << 20, 2 << 20, 0.5, 3, 10), L"\rEncoding    50.00%       2.0 MiB/s  3/10 items    "},
      {report(Phase::Scanning, 7, 0, 1, 0, 0), L"\rScanning     0.00%       0.0 MiB/s  0/0 items    "},
      {report(Phase::Writing, 10 << 20, 10 << 20, 0.0005, 1, 1),
       L"\rWriting    100.00%       0.0 MiB/s  1/1 items    "},
      {report(Phase::Analyzing, 1, 3, 0.001, 0, 2), L"\rAnalyzing   33.33%       0.0 MiB/s  0/2 items    "},
      {report(Phase::Verifying, 123456789012ull, 123456789012ull, 0.002, 5, 5),
       L"\rVerifying  100.00%  58868784.4 MiB/s  5/5 items    "},
      {report(Phase::Decoding, 0, 1, 2, 0, 1), L"\rDecoding     0.00%       0.0 MiB/s  0/1 items    "},
      {report(Phase::Restoring, 1, 1, 2, 0, 1), L"\rRestoring  100.00%       0.0 MiB/s  0/1 items    "},
      {report(Phase::Done, 0, 0, 0, UINT64_MAX, UINT64_MAX),
       L"\rDone         0.00%       0.0 MiB/s  18446744073709551615/18446744073709551615 items    "},
      {report(Progress::Phase(42), 0, 0, 0, 0, 0), L"\rWorking      0.00%       0.0 MiB/s  0/0 items    "},
  };
  for (const Case& c : cases) EXPECT_EQ(progressLine(c.progress), c.line);
}

TEST(ConsoleProgress, WritesAtMostEvery100MsExceptForDone) {
  using Phase = Progress::Phase;
  testing::RecordingConsole console;
  uint64_t now = 5000;
  ConsoleProgress progress(true, console, [&] { return now; });
  const ProgressCallback callback = progress.callback();
  ASSERT_TRUE(callback);

  size_t lines = 0;
  auto countLines = [&] {
    size_t n = 0;
    for (wchar_t c : console.err) n += c == L'\r';
    return n;
  };
  const struct {
    uint64_t at;
    Phase phase;
    bool written;
  } steps[] = {
      {5000, Phase::Encoding, true},    // the first report
      {5050, Phase::Encoding, false},   // 50 ms later
      {5099, Phase::Encoding, false},   // 99 ms after the last line
      {5100, Phase::Encoding, true},    // 100 ms
      {5120, Phase::Done, true},        // Done always shows
      {5130, Phase::Writing, false},    // and restarts the interval
      {5220, Phase::Writing, true},
  };
  for (const auto& step : steps) {
    now = step.at;
    EXPECT_TRUE(callback(report(step.phase, 1, 2, 1, 0, 1)));  // never cancels
    lines += step.written;
    EXPECT_EQ(countLines(), lines) << step.at;
  }
  EXPECT_EQ(console.err.find(L'\n'), std::wstring::npos);
  progress.finish();
  EXPECT_EQ(console.err.back(), L'\n');
  EXPECT_TRUE(console.out.empty());
}

TEST(ConsoleProgress, QuietAndSilentRunsEndNoLine) {
  testing::RecordingConsole console;
  ConsoleProgress quiet(false, console, [] { return uint64_t(1000); });
  EXPECT_FALSE(quiet.callback());
  quiet.finish();
  ConsoleProgress unused(true, console, [] { return uint64_t(1000); });
  unused.finish();  // nothing was printed, so no line to end
  EXPECT_EQ(console.err, L"");
}

}  // namespace
}  // namespace tolzeb::cli
