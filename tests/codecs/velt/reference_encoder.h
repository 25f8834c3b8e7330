// A slow, literal transcription of the VELT parse, for differential tests: no early exits, no
// wide compares, no reused tables. The production encoder must match it byte for byte.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/core/bytes.h"

namespace tolzeb::reference {

struct Match {
  uint64_t distance = 0;
  uint32_t length = 0;
  int slot = -1;
};

inline unsigned vs(uint64_t v) {
  unsigned n = 1;
  while (v >= 128) {
    v >>= 7;
    ++n;
  }
  return n;
}

class Encoder {
 public:
  Encoder(std::span<const uint8_t> block, uint8_t level, std::span<const uint8_t> dictionary)
      : in_(block.begin(), block.end()), dict_(dictionary.begin(), dictionary.end()) {
    if (level > 2) level = 1;
    static const unsigned maxHashLog[] = {14, 16, 16}, depth[] = {1, 4, 16}, lazy[] = {0, 1, 2}, step[] = {4, 2, 1};
    maxHashLog_ = maxHashLog[level];
    depth_ = depth[level];
    lazy_ = lazy[level];
    step_ = step[level];
    patched_ = level != 0;
    far_ = level == 0;
    unsigned log = 0;
    while ((size_t(2) << log) <= in_.size()) ++log;
    hashLog_ = std::clamp(log, 10u, maxHashLog_);
  }

  Bytes encode() {
    const size_t n = in_.size();
    head_.assign(size_t(1) << hashLog_, kNone);
    chain_.assign(n, 0);
    buildDictionaryIndex();
    size_t i = 0;
    lit_ = 0;
    while (i < n) {
      if (tok_.size() + lits_.size() + ext_.size() + (i - lit_) >= n) return {};
      size_t r = 0;
      while (i + r < n && in_[i + r] == in_[i]) ++r;
      if (r >= 4) {
        flush(i);
        if (in_[i] == 0) {
          token(6, r);
        } else {
          token(1, r);
          lits_.push_back(in_[i]);
        }
        for (size_t p = i; p < i + r && p + 4 <= n; p += step_) insert(p);
        i += r;
        lit_ = i;
        continue;
      }
      if (i + 4 > n) {
        ++i;
        continue;
      }
      uint32_t c = insert(i);
      Match rep = repeatMatch(i), chain = chainMatch(i, c);
      Match best = (chain.length && (!rep.length || beats(chain.length, cost(chain), rep.length, cost(rep)))) ? chain : rep;
      Match dict = dictMatch(i);
      uint64_t dictCost = 1 + (dict.length >= 35 ? vs(dict.length - 35) : 0) + vs(dict.distance);
      bool useDict = dict.length >= 4 && dictCost < dict.length &&
                     (!best.length || (dict.length > best.length && beats(dict.length, dictCost, best.length, cost(best))));
      if (!useDict && best.length && lazy_ > 0) {
        bool defer = false;
        for (unsigned j = 1; j <= lazy_ && i + j + 4 <= n; ++j) {
          size_t q = i + j;
          Match r2 = repeatMatch(q), c2 = chainMatch(q, head_[hash(q, hashLog_)]);
          Match next = c2.length > r2.length ? c2 : r2;
          if (next.length && (uint64_t(next.length) + j) * cost(best) > (cost(next) + j) * uint64_t(best.length)) {
            defer = true;
            break;
          }
        }
        if (defer) {
          ++i;
          continue;
        }
      }
      Patched patch = patchedMatch(i, best, c);
      if (patch.length) {
        flush(i);
        token(5, patch.length);
        varint(ext_, patch.distance);
        varint(tok_, patch.edits.size());
        uint32_t prev = 0;
        for (size_t e = 0; e < patch.edits.size(); ++e) {
          varint(tok_, e == 0 ? patch.edits[0] : patch.edits[e] - prev - 1);
          lits_.push_back(in_[i + patch.edits[e]]);
          prev = patch.edits[e];
        }
        insertAfter(i, patch.length);
        i += patch.length;
        lit_ = i;
      } else if (useDict) {
        flush(i);
        token(4, dict.length);
        varint(ext_, dict.distance);
        insertAfter(i, dict.length);
        i += dict.length;
        lit_ = i;
      } else if (best.length < 4 || cost(best) >= best.length) {
        ++i;
      } else {
        flush(i);
        if (best.slot >= 0) {
          token(3, best.length);
          tok_.push_back(uint8_t(best.slot));
          moveToFront(best.slot);
        } else {
          token(2, best.length);
          varint(ext_, best.distance);
          int k = 3;
          for (int s = 0; s < 4; ++s)
            if (recent_[s] == best.distance) {
              k = s;
              break;
            }
          recent_[k] = best.distance;
          moveToFront(k);
        }
        insertAfter(i, best.length);
        i += best.length;
        lit_ = i;
      }
    }
    flush(i);
    Bytes out;
    appendVarint(out, tok_.size());
    appendVarint(out, lits_.size());
    appendVarint(out, ext_.size());
    out.insert(out.end(), tok_.begin(), tok_.end());
    out.insert(out.end(), lits_.begin(), lits_.end());
    out.insert(out.end(), ext_.begin(), ext_.end());
    return out.size() < n ? out : Bytes{};
  }

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFF;
  struct Patched {
    uint64_t distance = 0;
    uint32_t length = 0;
    uint64_t cost = 0;
    std::vector<uint32_t> edits;
  };

  uint32_t hash(size_t p, unsigned log) const { return (readU32le(&in_[p]) * 0x9E3779B1u) >> (32 - log); }
  static bool beats(uint64_t la, uint64_t ca, uint64_t lb, uint64_t cb) { return la * cb > lb * ca; }
  static uint64_t cost(const Match& m) {
    uint64_t ext = m.length >= 35 ? vs(m.length - 35) : 0;
    return m.slot >= 0 ? 2 + ext : 1 + ext + vs(m.distance);
  }
  static void varint(Bytes& s, uint64_t v) { appendVarint(s, v); }
  void token(int kind, uint64_t length) {
    static const uint64_t minLength[] = {1, 4, 4, 4, 4, 16, 4};
    uint64_t b = length - minLength[kind];
    if (b < 31) {
      tok_.push_back(uint8_t(b << 3 | kind));
    } else {
      tok_.push_back(uint8_t(0xF8 | kind));
      varint(tok_, b - 31);
    }
  }
  void flush(size_t i) {
    if (lit_ < i) {
      token(0, i - lit_);
      lits_.insert(lits_.end(), in_.begin() + lit_, in_.begin() + i);
    }
  }
  void moveToFront(int s) {
    uint64_t d = recent_[s];
    for (int k = s; k > 0; --k) recent_[k] = recent_[k - 1];
    recent_[0] = d;
  }
  uint32_t insert(size_t p) {
    uint32_t h = hash(p, hashLog_);
    uint32_t prev = head_[h];
    chain_[p] = (prev != kNone && p - prev <= 65535) ? uint16_t(p - prev) : 0;
    head_[h] = uint32_t(p);
    return (chain_[p] != 0 || far_) ? prev : kNone;
  }
  void insertAfter(size_t i, size_t length) {
    for (size_t p = i + 1; p < i + length && p + 4 <= in_.size(); p += step_) insert(p);
  }
  size_t prefix(const uint8_t* a, const uint8_t* b, size_t max) const {
    size_t k = 0;
    while (k < max && a[k] == b[k]) ++k;
    return k;
  }
  Match repeatMatch(size_t p) const {
    Match best;
    if (p + 4 > in_.size()) return best;
    for (int s = 0; s < 4; ++s) {
      uint64_t d = recent_[s];
      if (d == 0 || d > p) continue;
      size_t len = prefix(&in_[p - d], &in_[p], in_.size() - p);
      if (len >= 4 && len > best.length) best = {d, uint32_t(len), s};
    }
    return best;
  }
  Match chainMatch(size_t p, uint32_t cand) const {
    Match best;
    if (p + 4 > in_.size()) return best;
    for (unsigned visited = 0; cand != kNone && visited < depth_; ++visited) {
      if (cand >= p) break;
      size_t len = prefix(&in_[cand], &in_[p], in_.size() - p);
      if (len >= 4 && len > best.length) best = {p - cand, uint32_t(len), -1};
      if (len == in_.size() - p) break;
      if (chain_[cand] == 0) break;
      cand -= chain_[cand];
    }
    return best;
  }
  void buildDictionaryIndex() {
    if (dict_.size() < 4) return;
    unsigned log = 0;
    while ((size_t(2) << log) <= dict_.size()) ++log;
    dictLog_ = std::clamp(log, 12u, 20u);
    dictHead_.assign(size_t(1) << dictLog_, kNone);
    dictNext_.assign(dict_.size(), kNone);
    for (size_t p = 0; p + 4 <= dict_.size(); ++p) {
      uint32_t h = (readU32le(&dict_[p]) * 0x9E3779B1u) >> (32 - dictLog_);
      dictNext_[p] = dictHead_[h];
      dictHead_[h] = uint32_t(p);
    }
  }
  Match dictMatch(size_t p) const {
    Match best;
    if (dict_.size() < 4 || p + 4 > in_.size()) return best;
    uint32_t cand = dictHead_[hash(p, dictLog_)];
    for (unsigned visited = 0; cand != kNone && visited < depth_; ++visited) {
      size_t limit = std::min(dict_.size() - cand, in_.size() - p);
      if (limit > best.length) {
        size_t len = prefix(&dict_[cand], &in_[p], limit);
        if (len >= 4 && len > best.length) best = {cand, uint32_t(len), -1};
      }
      cand = dictNext_[cand];
    }
    return best;
  }
  Patched patchedMatch(size_t p, const Match& best, uint32_t c) const {
    Patched kept;
    if (!patched_ || best.length >= 24 || p + 16 > in_.size()) return kept;
    std::vector<uint64_t> ds;
    for (uint64_t d : recent_)
      if (d != 0 && d <= p) ds.push_back(d);
    if (c != kNone && c < p && p + 4 <= in_.size()) ds.push_back(p - c);
    for (uint64_t d : ds) {
      size_t e = std::min<uint64_t>({4096, in_.size() - p, d});
      if (e < 16) continue;
      int diffs = 0;
      for (size_t k = 0; k < std::min<size_t>(e, 32); ++k) diffs += in_[p + k] != in_[p - d + k];
      if (diffs > 4) continue;
      Patched cand;
      cand.distance = d;
      size_t length = e;
      for (size_t k = 0; k < e; ++k) {
        if (in_[p + k] == in_[p - d + k]) continue;
        if (cand.edits.size() == 16) {
          length = k;
          break;
        }
        cand.edits.push_back(uint32_t(k));
      }
      while (!cand.edits.empty() && cand.edits.back() == length - 1) {
        length = cand.edits.back();
        cand.edits.pop_back();
      }
      if (cand.edits.empty() || length < 16) continue;
      cand.length = uint32_t(length);
      cand.cost = 2 + (length >= 47 ? vs(length - 47) : 0) + vs(d);
      for (size_t k = 0; k < cand.edits.size(); ++k)
        cand.cost += vs(k == 0 ? cand.edits[0] : cand.edits[k] - cand.edits[k - 1] - 1) + 1;
      if (cand.length * 100 > cand.cost * 115 && (!kept.length || beats(cand.length, cand.cost, kept.length, kept.cost)))
        kept = cand;
    }
    if (kept.length && (!best.length || beats(kept.length, kept.cost, best.length, cost(best)))) return kept;
    return {};
  }

  std::vector<uint8_t> in_, dict_;
  unsigned maxHashLog_, depth_, lazy_, step_, hashLog_, dictLog_ = 0;
  bool patched_, far_;
  std::vector<uint32_t> head_, dictHead_, dictNext_;
  std::vector<uint16_t> chain_;
  Bytes tok_, lits_, ext_;
  uint64_t recent_[4] = {0, 0, 0, 0};
  size_t lit_ = 0;
};

}  // namespace tolzeb::reference
