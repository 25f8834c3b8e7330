// Black-box peer tools (Python's modules, gzip, tar, 7z) for the interop tests; POSIX only.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include "engine/core/bytes.h"
#include "support/temp_folder.h"

namespace tolzeb::peertools {

// Runs the words joined by spaces as a shell command line; true when it exits with status 0.
inline bool run(std::initializer_list<std::string> words) {
  std::string commandLine;
  for (const std::string& word : words) {
    if (!commandLine.empty()) commandLine += ' ';
    commandLine += word;
  }
  return std::system(commandLine.c_str()) == 0;
}

inline void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A TempFolder seen as a std::filesystem path, which the peer command lines are built from.
class ScratchDirectory {
 public:
  ScratchDirectory() : path_(narrowPath(folder_.path())) {}
  const std::filesystem::path& path() const { return path_; }

 private:
  static std::string narrowPath(const std::wstring& wide) { return std::string(wide.begin(), wide.end()); }

  testing::TempFolder folder_;  // ASCII: made from the temp folder and a fixed pattern
  std::filesystem::path path_;
};

// A peer the tests use must be there: the test command installs every one, so a missing peer is
// a broken set-up, never a reason to pass having checked nothing.
#define TOLZEB_REQUIRE_PEER(probe, what)                                                            \
  do {                                                                                              \
    if (!::tolzeb::peertools::run({std::string(probe) + " >/dev/null 2>&1"})) FAIL() << what << " is not installed"; \
  } while (false)

// The system's Python when there is one: a version manager's shim in front of it costs a second
// a call on a busy machine, and the interop tests call it a hundred times.
inline std::string python() {
  static const std::string command = ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
  return command;
}

inline std::string quoted(const std::filesystem::path& path) {
  std::string text(1, '\'');
  text += path.string();
  text += '\'';
  return text;
}

}  // namespace tolzeb::peertools
