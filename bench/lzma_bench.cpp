// Single-thread throughput and ratio of the LZMA2 encoder at levels 1, 6 and 9, and of the LZMA2
// decoder, each file compressed as one block as the 7z writer does with a folder.
// Usage: lzma_bench file...
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "codecs/lzma/lzma.h"

using namespace tolzeb;

namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), {});
    const double megabytes = double(data.size()) / 1e6;
    std::printf("%s: %zu bytes\n", argv[i], data.size());
    for (int level : {1, 6, 9}) {
      uint32_t dictionarySize = 0;
      double start = now();
      Result<Bytes> stream = lzma2Encode(data.data(), data.size(), level, dictionarySize);
      const double compressSeconds = now() - start;
      if (stream.failed()) {
        std::fprintf(stderr, "encode failed\n");
        return 1;
      }
      start = now();
      Result<Bytes> decoded = lzma2Decode(stream->data(), stream->size(), dictionarySize, data.size());
      const double decompressSeconds = now() - start;
      if (decoded.failed() || *decoded != data) {
        std::fprintf(stderr, "round trip failed\n");
        return 1;
      }
      std::printf("  level %d: %10zu bytes  ratio %.3f  compress %6.2f MB/s  decompress %6.1f MB/s\n", level,
                  stream->size(), double(data.size()) / double(stream->size()), megabytes / compressSeconds,
                  megabytes / decompressSeconds);
    }
  }
  return 0;
}
