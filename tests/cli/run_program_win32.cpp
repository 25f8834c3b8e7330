#include <windows.h>

#include <string>
#include <thread>

#include "engine/core/text.h"
#include "run_program.h"

namespace tolzeb::cli::testing {
namespace {

std::wstring wide(const std::string& text) {
  Result<std::wstring> converted = utf8ToUtf16(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return converted.failed() ? std::wstring() : converted.value();
}

// Quoted so that the child's CommandLineToArgvW gives the argument back unchanged.
void appendQuoted(std::wstring& line, const std::wstring& argument) {
  line += L" \"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line.push_back(c);
  }
  line.append(backslashes * 2, L'\\');
  line += L"\"";
}

// A path of the build tree, given in Unix form, as Wine's Z: drive shows it.
std::wstring windowsPath(const std::string& path) {
  std::wstring converted = wide(path);
  for (wchar_t& c : converted) {
    if (c == L'/') c = L'\\';
  }
  if (!converted.empty() && converted[0] == L'\\') converted.insert(0, L"Z:");
  return converted;
}

std::string withoutCarriageReturnsBeforeLineFeeds(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

void drain(HANDLE pipe, std::string& sink) {
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) sink.append(buffer, read);
}

}  // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input) {
  ProgramRun run;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE inRead, inWrite, outRead, outWrite, errRead, errWrite;
  if (!CreatePipe(&inRead, &inWrite, &inherit, 0) || !CreatePipe(&outRead, &outWrite, &inherit, 0) ||
      !CreatePipe(&errRead, &errWrite, &inherit, 0)) {
    run.err = "CreatePipe failed with error " + std::to_string(GetLastError());
    return run;
  }
  SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

  const std::wstring path = windowsPath(program);
  std::wstring commandLine;
  appendQuoted(commandLine, path);
  commandLine.erase(0, 1);
  for (const std::string& argument : arguments) appendQuoted(commandLine, wide(argument));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inRead;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                      nullptr, nullptr, &startup, &process);
  CloseHandle(inRead);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  if (!started) {
    // exitCode stays -1; the reason goes with it, so a failed start is not mistaken for the
    // program failing.
    run.err = "CreateProcessW failed with error " + std::to_string(GetLastError());
    CloseHandle(inWrite);
    CloseHandle(outRead);
    CloseHandle(errRead);
    return run;
  }
  std::thread outReader(drain, outRead, std::ref(run.out));
  std::thread errReader(drain, errRead, std::ref(run.err));
  DWORD written = 0;
  if (!input.empty()) WriteFile(inWrite, input.data(), DWORD(input.size()), &written, nullptr);
  CloseHandle(inWrite);
  outReader.join();
  errReader.join();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  run.exitCode = int(exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(outRead);
  CloseHandle(errRead);
  run.out = withoutCarriageReturnsBeforeLineFeeds(run.out);
  run.err = withoutCarriageReturnsBeforeLineFeeds(run.err);
  return run;
}

}  // namespace tolzeb::cli::testing
