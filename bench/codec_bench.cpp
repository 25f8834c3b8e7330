// Single-thread throughput and ratio of the three VELT levels against lz4 -1 and zstd -1/-3 on
// the same data, cut into the same 4 MiB blocks the container uses.
// Usage: codec_bench [--repeat N] [--only CODEC] file...
// --only runs one codec (by its name in the table), for profiling it alone.
#include <lz4.h>
#include <zstd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "codecs/velt/velt.h"
#include "codecs/velt/velt_format.h"
#include "codecs/velt/velt_huff.h"
#include "engine/core/crc32c.h"

using namespace tolzeb;

namespace {

using Block = std::vector<uint8_t>;

struct Encoded {
  Block bytes;
  bool stored = false;  // the block is kept raw
  bool huffman = false;
};

struct Codec {
  std::string name;
  std::function<Encoded(const Block&)> compress;
  std::function<void(const Encoded&, size_t, Block&)> decompress;
};

struct Measure {
  double compressSeconds = 1e300;
  double decompressSeconds = 1e300;
  uint64_t compressedBytes = 0;
  uint32_t compressedCrc = 0;  // of every block's output in order: shows that a change kept the bytes
};

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Block compression as the container does it: VELT, then the Huffman stage except at level 0,
// each kept only when smaller; raw when VELT gains nothing.
Codec velt(uint8_t level, const char* name) {
  return Codec{
      name,
      [level](const Block& block) {
        Encoded out;
        Result<Bytes> payload = veltEncode(block, level);
        if (payload.failed()) {
          std::fprintf(stderr, "encode failed\n");
          std::exit(1);
        }
        if (payload->empty()) {
          out.stored = true;
          out.bytes = block;
          return out;
        }
        out.bytes = std::move(*payload);
        if (level != 0) {
          Result<Bytes> wrapped = encodeVeltHuff(out.bytes);
          if (wrapped.hasValue() && !wrapped->empty()) {
            out.bytes = std::move(*wrapped);
            out.huffman = true;
          }
        }
        return out;
      },
      [](const Encoded& in, size_t size, Block& out) {
        if (in.stored) {
          out = in.bytes;
          return;
        }
        // Into the caller's buffer, as the peers below decode.
        Status decoded;
        if (in.huffman) {
          Result<Bytes> payload = decodeVeltHuff(in.bytes, kVeltMaxBlockSize);
          if (payload.failed()) std::exit(2);
          decoded = decodeVeltBlockInto(*payload, uint32_t(size), {}, out);
        } else {
          decoded = decodeVeltBlockInto(in.bytes, uint32_t(size), {}, out);
        }
        if (decoded.failed()) std::exit(2);
      }};
}

Codec lz4Fast() {
  return Codec{"lz4 -1",
               [](const Block& block) {
                 Encoded out;
                 out.bytes.resize(size_t(LZ4_compressBound(int(block.size()))));
                 int n = LZ4_compress_default(reinterpret_cast<const char*>(block.data()),
                                              reinterpret_cast<char*>(out.bytes.data()), int(block.size()),
                                              int(out.bytes.size()));
                 out.bytes.resize(size_t(n));
                 return out;
               },
               [](const Encoded& in, size_t size, Block& out) {
                 out.resize(size);
                 LZ4_decompress_safe(reinterpret_cast<const char*>(in.bytes.data()), reinterpret_cast<char*>(out.data()),
                                     int(in.bytes.size()), int(size));
               }};
}

Codec zstdLevel(int level, const char* name) {
  return Codec{name,
               [level](const Block& block) {
                 static ZSTD_CCtx* context = ZSTD_createCCtx();
                 Encoded out;
                 out.bytes.resize(ZSTD_compressBound(block.size()));
                 size_t n = ZSTD_compressCCtx(context, out.bytes.data(), out.bytes.size(), block.data(), block.size(), level);
                 out.bytes.resize(n);
                 return out;
               },
               [](const Encoded& in, size_t size, Block& out) {
                 static ZSTD_DCtx* context = ZSTD_createDCtx();
                 out.resize(size);
                 ZSTD_decompressDCtx(context, out.data(), size, in.bytes.data(), in.bytes.size());
               }};
}

Measure run(const Codec& codec, const std::vector<Block>& blocks, int repeat) {
  Measure m;
  std::vector<Encoded> encoded(blocks.size());
  for (int r = 0; r < repeat; ++r) {
    double start = now();
    for (size_t b = 0; b < blocks.size(); ++b) encoded[b] = codec.compress(blocks[b]);
    m.compressSeconds = std::min(m.compressSeconds, now() - start);
  }
  for (const Encoded& e : encoded) {
    m.compressedBytes += e.bytes.size();
    m.compressedCrc = crc32c(m.compressedCrc, e.bytes.data(), e.bytes.size());
  }
  Block out;
  for (int r = 0; r < repeat; ++r) {
    double start = now();
    for (size_t b = 0; b < blocks.size(); ++b) {
      codec.decompress(encoded[b], blocks[b].size(), out);
      if (r == 0 && out != blocks[b]) {
        std::fprintf(stderr, "%s: block %zu did not round-trip\n", codec.name.c_str(), b);
        std::exit(3);
      }
    }
    m.decompressSeconds = std::min(m.decompressSeconds, now() - start);
  }
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 3;
  std::string only;
  std::vector<std::string> files;
  for (int k = 1; k < argc; ++k) {
    if (std::strcmp(argv[k], "--repeat") == 0 && k + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++k]));
    } else if (std::strcmp(argv[k], "--only") == 0 && k + 1 < argc) {
      only = argv[++k];
    } else {
      files.push_back(argv[k]);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: codec_bench [--repeat N] [--only CODEC] file...\n");
    return 1;
  }
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    Block data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<Block> blocks;
    for (size_t at = 0; at < data.size(); at += kVeltMaxBlockSize)
      blocks.emplace_back(data.begin() + at, data.begin() + std::min(data.size(), at + kVeltMaxBlockSize));
    const double megabytes = double(data.size()) / 1e6;

    const Codec codecs[] = {velt(0, "VELT lightning"), velt(1, "VELT balanced"), velt(2, "VELT compact"),
                            lz4Fast(),                 zstdLevel(1, "zstd -1"),      zstdLevel(3, "zstd -3")};
    if (!only.empty()) {
      for (const Codec& codec : codecs) {
        if (codec.name != only) continue;
        Measure m = run(codec, blocks, repeat);
        std::printf("%s %s: ratio %.4f, output crc32c %08x, comp %.1f MB/s, decomp %.1f MB/s\n", file.c_str(),
                    codec.name.c_str(), double(m.compressedBytes) / double(data.size()), m.compressedCrc,
                    megabytes / m.compressSeconds, megabytes / m.decompressSeconds);
      }
      continue;
    }
    Measure results[6];
    std::printf("\n%s: %zu bytes in %zu blocks, best of %d runs, one thread\n", file.c_str(), data.size(), blocks.size(),
                repeat);
    std::printf("%-16s %9s %12s %12s\n", "codec", "ratio", "comp MB/s", "decomp MB/s");
    for (int c = 0; c < 6; ++c) {
      results[c] = run(codecs[c], blocks, repeat);
      std::printf("%-16s %9.4f %12.1f %12.1f\n", codecs[c].name.c_str(), double(results[c].compressedBytes) / double(data.size()),
                  megabytes / results[c].compressSeconds, megabytes / results[c].decompressSeconds);
    }
    auto compare = [&](int ours, int peer) {
      std::printf("%-15s / %-8s  size %.3f  comp speed %.2f  decomp speed %.2f\n", codecs[ours].name.c_str(),
                  codecs[peer].name.c_str(), double(results[ours].compressedBytes) / double(results[peer].compressedBytes),
                  results[peer].compressSeconds / results[ours].compressSeconds,
                  results[peer].decompressSeconds / results[ours].decompressSeconds);
    };
    std::printf("ours / peer (size below 1 is smaller; speeds above 1 are faster):\n");
    compare(0, 3);
    compare(1, 4);
    compare(2, 5);
    compare(0, 4);
    compare(2, 4);
  }
  return 0;
}
