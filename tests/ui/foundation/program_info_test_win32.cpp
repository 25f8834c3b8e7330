// The program path and version text of a real program, run from folders with long and non-ASCII
// names.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "data_folder.h"
#include "engine/core/text.h"
#include "ui/foundation/program_info.h"

namespace tolzeb::ui {
namespace {

constexpr DWORD kProbeDeadlineMs = 120000;

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Runs the probe at `program` and returns its two lines: its own path and its version text.
std::vector<std::wstring> runProbe(const std::wstring& program, const std::wstring& output) {
  std::wstring commandLine = quoted(program) + L" " + quoted(output);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "CreateProcessW failed with " << GetLastError();
    return {};
  }
  const DWORD waited = WaitForSingleObject(process.hProcess, kProbeDeadlineMs);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(exitCode, 0u);

  const std::string bytes = testing::readBytes(std::filesystem::path(output));
  Result<std::wstring> text = utf8ToUtf16(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (text.failed()) return {};
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t end; (end = text->find(L'\n', start)) != std::wstring::npos; start = end + 1) {
    lines.push_back(text->substr(start, end - start));
  }
  return lines;
}

std::string narrow(const std::wstring& text) {
  Result<std::vector<uint8_t>> bytes = utf16ToUtf8(text);
  return bytes.failed() ? "(not UTF-16)" : std::string(bytes->begin(), bytes->end());
}

// Copies the probe to folder\name (folders made as needed, through the long-path form).
std::wstring placeProbe(const std::wstring& folder, const std::wstring& name) {
  const std::filesystem::path target = std::filesystem::path(L"\\\\?\\" + folder) / name;
  std::filesystem::create_directories(target.parent_path());
  std::filesystem::copy_file(TOLZEB_PROGRAM_INFO_PROBE, target, std::filesystem::copy_options::overwrite_existing);
  return folder + L"\\" + name;
}

TEST(ProgramInfoWindows, TheVersionTextComesFromTheProgramsVersionResource) {
  testing::DataFolder scratch;
  const std::wstring output = testing::widePath(scratch.root() / "probe.txt");
  const std::vector<std::wstring> lines = runProbe(std::filesystem::path(TOLZEB_PROGRAM_INFO_PROBE).wstring(), output);
  ASSERT_EQ(lines.size(), 2u);
  const std::string expected = TOLZEB_PROJECT_VERSION;
  EXPECT_EQ(lines[1], std::wstring(expected.begin(), expected.end()));
  EXPECT_EQ(fileVersionText(std::filesystem::path(TOLZEB_PROGRAM_INFO_PROBE).wstring()), lines[1]);
  // The test program itself carries no version resource.
  EXPECT_EQ(versionText(), L"");
}

TEST(ProgramInfoWindows, TheProgramPathSurvivesLongAndNonAsciiFolders) {
  testing::DataFolder scratch;
  const std::wstring root = std::filesystem::absolute(scratch.root()).wstring();
  const std::wstring output = root + L"\\probe.txt";
  const std::wstring nonAscii = root +
                                L"\\Pr\x00FC"
                                L"fung \x65E5\x672C \xD83D\xDE00 \x00E9t\x00E9";

  std::vector<std::wstring> programs = {placeProbe(nonAscii,
                                                   L"pr\x00F6"
                                                   L"be.exe")};
  // A path of exactly 259 characters fills the first buffer and must be read again.
  const std::wstring name = L"probe.exe";
  const size_t room = 259 - root.size() - 2 - name.size();
  ASSERT_LT(root.size() + 20, 259u);
  programs.push_back(placeProbe(root + L"\\" + std::wstring(room, L'd'), name));
  EXPECT_EQ(programs.back().size(), 259u);
  // Longer paths cannot be started here (Wine refuses a program path past 259 characters); the
  // buffer that grows for them is checked with a stand-in for the system call.

  for (const std::wstring& program : programs) {
    const std::vector<std::wstring> lines = runProbe(program, output);
    ASSERT_EQ(lines.size(), 2u) << narrow(program);
    EXPECT_EQ(lines[0], program) << narrow(program);
    EXPECT_FALSE(lines[1].empty()) << narrow(program);
  }
}

}  // namespace
}  // namespace tolzeb::ui
