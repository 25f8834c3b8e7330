// Single-thread throughput and ratio of raw DEFLATE at levels 1, 6 and 9 and of inflate, against
// zlib's raw deflate at the same levels and its inflate, on whole files.
// Usage: deflate_bench [--repeat N] file...
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "codecs/deflate/deflate.h"
#include "codecs/deflate/inflate.h"

using namespace tolzeb;

namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

Bytes zlibDeflate(const Bytes& data, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&z, uLong(data.size())));
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = uInt(data.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  ::deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

Bytes zlibInflate(const Bytes& stream, size_t size) {
  z_stream z{};
  inflateInit2(&z, -15);
  Bytes out(size);
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = uInt(stream.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  ::inflate(&z, Z_FINISH);
  inflateEnd(&z);
  return out;
}

template <typename F>
double bestSeconds(int repeat, F&& f) {
  double best = 1e300;
  for (int r = 0; r < repeat; ++r) {
    const double start = now();
    f();
    best = std::min(best, now() - start);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 3;
  std::vector<std::string> files;
  for (int k = 1; k < argc; ++k) {
    if (std::strcmp(argv[k], "--repeat") == 0 && k + 1 < argc)
      repeat = std::max(1, std::atoi(argv[++k]));
    else
      files.push_back(argv[k]);
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: deflate_bench [--repeat N] file...\n");
    return 1;
  }
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    const Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const double megabytes = double(data.size()) / 1e6;
    std::printf("\n%s: %zu bytes, best of %d runs, one thread\n", file.c_str(), data.size(), repeat);
    std::printf("%-10s %8s %11s %13s %11s %13s\n", "level", "ratio", "comp MB/s", "inflate MB/s", "zlib ratio",
                "zlib comp MB/s");
    for (int level : {1, 6, 9}) {
      Bytes ours, theirs;
      const double ourCompress = bestSeconds(repeat, [&] { ours = *deflate(data.data(), data.size(), level); });
      const double zlibCompress = bestSeconds(repeat, [&] { theirs = zlibDeflate(data, level); });
      Bytes back;
      const double ourInflate =
          bestSeconds(repeat, [&] { back = *inflateExact(ours.data(), ours.size(), data.size(), data.size()); });
      if (back != data || zlibInflate(ours, data.size()) != data) {
        std::fprintf(stderr, "level %d did not round-trip\n", level);
        return 3;
      }
      std::printf("%-10d %8.4f %11.1f %13.1f %11.4f %13.1f\n", level, double(ours.size()) / double(data.size()),
                  megabytes / ourCompress, megabytes / ourInflate, double(theirs.size()) / double(data.size()),
                  megabytes / zlibCompress);
    }
    const Bytes reference = zlibDeflate(data, 6);
    Bytes back;
    const double ourInflate = bestSeconds(
        repeat, [&] { back = *inflateExact(reference.data(), reference.size(), data.size(), data.size()); });
    const double zlibInflateSeconds = bestSeconds(repeat, [&] { back = zlibInflate(reference, data.size()); });
    std::printf("inflate of zlib -6 stream: ours %.1f MB/s, zlib %.1f MB/s\n", megabytes / ourInflate,
                megabytes / zlibInflateSeconds);
  }
  return 0;
}
