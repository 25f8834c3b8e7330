// Black-box peer tools (Python's zlib, the gzip program) for the interop tests; POSIX only.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include "engine/core/bytes.h"

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

// A fresh directory, removed with everything in it when the object goes.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tolzeb-peer-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string quoted(const std::filesystem::path& path) {
  std::string text(1, '\'');
  text += path.string();
  text += '\'';
  return text;
}

}  // namespace tolzeb::peertools
