// The matcher: a multi-pattern index over a few fixed bytes of every body
// signature, the full check of a signature where its index bytes occur, and
// the whole-file digests.

#include <algorithm>
#include <cstring>

#include "Definitions.h"

namespace rre {
namespace {

constexpr int kBloomBits = 20;
constexpr size_t kChunk = 64 * 1024;
constexpr uint64_t kTailLimit = 1 << 20;  // end-relative signatures reach this far back

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  memcpy(&v, p, 4);
  return v;
}

inline uint32_t BloomSlot(uint32_t key) { return (key * 0x9E3779B1u) >> (32 - kBloomBits); }

// Matches the parts of a stretch from `part` on at `pos`; returns the end of
// the match (the earliest it finds) or -1.
int64_t MatchParts(const SigSegment& s, size_t part, const uint8_t* b, size_t have, size_t pos) {
  const SigPart& p = s.parts[part];
  size_t n = p.bytes.size();
  if (pos + n > have) return -1;
  for (size_t j = 0; j < n; ++j)
    if ((b[pos + j] & uint8_t(p.mask[j])) != uint8_t(p.bytes[j])) return -1;
  size_t end = pos + n;
  if (part + 1 == s.parts.size()) return int64_t(end);
  auto [lo, hi] = s.gaps[part];
  for (uint64_t g = lo; g <= hi && end + g < have; ++g)
    if (int64_t r = MatchParts(s, part + 1, b, have, size_t(end + g)); r >= 0) return r;
  return -1;
}

// How good a run of four bytes is as an index key: rare bytes make few false hits.
int KeyScore(const uint8_t* k) {
  int score = 0;
  for (int i = 0; i < 4; ++i) {
    bool common = k[i] == 0 || k[i] == 0xFF || k[i] == 0x20 || k[i] == 0x90 || k[i] == 0xCC;
    bool repeated = std::count(k, k + i, k[i]) > 0;
    score += common ? 0 : repeated ? 1 : 3;
  }
  return score;
}

template <size_t N>
bool Lookup(const std::vector<HashSig<N>>& v, const std::array<uint8_t, N>& d, uint64_t size,
            uint32_t& threat) {
  auto it = std::lower_bound(
      v.begin(), v.end(), d,
      [](const HashSig<N>& h, const std::array<uint8_t, N>& x) { return h.digest < x; });
  for (; it != v.end() && it->digest == d; ++it)
    if (it->size == size || it->size == kAnySize) return threat = it->threat, true;
  return false;
}

template <size_t N>
void NoteSizes(const std::vector<HashSig<N>>& v, std::unordered_set<uint64_t>& sizes, bool& any) {
  for (const auto& h : v) {
    if (h.size == kAnySize)
      any = true;
    else
      sizes.insert(h.size);
  }
}

template <size_t N>
bool Sorted(const std::vector<HashSig<N>>& v) {
  return std::is_sorted(v.begin(), v.end(), [](const HashSig<N>& a, const HashSig<N>& b) {
    return a.digest < b.digest;
  });
}

}  // namespace

Matcher::Matcher(const Definitions& defs)
    : m_imported(defs.imported),
      m_bloom((size_t(1) << kBloomBits) / 64),
      m_pairBits(65536 / 64),
      m_byFirstByte(256) {
  for (const auto& [id, t] : defs.threats) {
    for (const auto& r : t.byteRules) {
      BodySig s;
      s.threat = id;
      if (r.offset >= 0) s.offset = SigOffset{SigOffset::kAt, uint64_t(r.offset), 0};
      s.maxFileSize = t.maxSize;
      SigSegment seg;
      seg.parts.push_back(SigPart{r.bytes, std::string(r.bytes.size(), char(0xFF))});
      seg.span = uint32_t(r.bytes.size());
      s.segments.push_back(std::move(seg));
      m_own.push_back(std::move(s));
    }
    for (const auto& h : t.hashRules) m_ownSha256.push_back({h.hash, h.size, id});
  }
  std::sort(m_ownSha256.begin(), m_ownSha256.end(),
            [](const auto& a, const auto& b) { return a.digest < b.digest; });
  for (const auto& s : m_own) AddSig(&s);
  NoteSizes(m_ownSha256, m_sha256Sizes, m_sha256Any);
  if (m_imported) {
    for (const auto& s : m_imported->bodies) AddSig(&s);
    NoteSizes(m_imported->md5, m_md5Sizes, m_md5Any);
    NoteSizes(m_imported->sha1, m_sha1Sizes, m_sha1Any);
    NoteSizes(m_imported->sha256, m_sha256Sizes, m_sha256Any);
  }
  std::sort(m_byKey.begin(), m_byKey.end());
  std::sort(m_byPair.begin(), m_byPair.end());
}

void Matcher::AddSig(const BodySig* s) {
  uint32_t index = uint32_t(m_sigs.size());
  m_sigs.push_back(s);
  for (const auto& seg : s->segments) m_window = std::max<size_t>(m_window, seg.span);
  if (s->offset.kind == SigOffset::kFromEnd) {
    if (s->offset.value <= kTailLimit) {
      m_fromEnd.push_back(index);
      m_tailKeep = std::max<size_t>(m_tailKeep, size_t(s->offset.value));
    }
    return;
  }
  for (uint32_t k = 0; k < s->segments.size(); ++k) {
    const SigPart& p = s->segments[k].parts.front();
    auto b = reinterpret_cast<const uint8_t*>(p.bytes.data());
    auto whole = [&p](size_t i) { return uint8_t(p.mask[i]) == 0xFF; };
    // The best run of four whole bytes, else the longest shorter run.
    int best = -1, bestScore = -1;
    for (size_t i = 0; i + 4 <= p.bytes.size(); ++i)
      if (whole(i) && whole(i + 1) && whole(i + 2) && whole(i + 3) && KeyScore(b + i) > bestScore)
        best = int(i), bestScore = KeyScore(b + i);
    Anchor a{index, k, 0, 4, {}};
    if (best < 0) {
      size_t runAt = 0, runLen = 0;
      for (size_t i = 0; i < p.bytes.size();) {
        size_t j = i;
        while (j < p.bytes.size() && whole(j)) ++j;
        if (j - i > runLen) runAt = i, runLen = j - i;
        i = j + 1;
      }
      best = int(runAt);
      a.len = uint32_t(std::min<size_t>(runLen, 3));
    }
    a.offset = uint32_t(best);
    memcpy(a.bytes, b + best, a.len);
    uint32_t at = uint32_t(m_anchors.size());
    m_anchors.push_back(a);
    if (a.len == 4) {
      uint32_t key = Load32(a.bytes);
      uint32_t slot = BloomSlot(key);
      m_bloom[slot >> 6] |= 1ull << (slot & 63);
      m_byKey.emplace_back(key, at);
    } else if (a.len >= 2) {
      uint32_t key = uint32_t(a.bytes[0]) | uint32_t(a.bytes[1]) << 8;
      m_pairBits[key >> 6] |= 1ull << (key & 63);
      m_byPair.emplace_back(key, at);
      m_havePairs = true;
    } else {
      m_byFirstByte[a.bytes[0]].push_back(at);
      m_haveSingles = true;
    }
  }
}

uint32_t Matcher::ScanBuffer(const void* data, size_t size) const {
  FileScan fs(*this, size);
  fs.Feed(static_cast<const uint8_t*>(data), size);
  return fs.Finish();
}

Matcher::FileScan::FileScan(const Matcher& m, uint64_t fileSize) : m_matcher(m), m_size(fileSize) {
  bool unknown = fileSize == kUnknownSize;
  auto need = [&](const std::unordered_set<uint64_t>& sizes, bool any, bool some) {
    return some && (any || unknown || sizes.count(fileSize));
  };
  const SignatureSet* im = m.m_imported.get();
  m_md5On = need(m.m_md5Sizes, m.m_md5Any, im && !im->md5.empty());
  m_sha1On = need(m.m_sha1Sizes, m.m_sha1Any, im && !im->sha1.empty());
  m_sha256On =
      need(m.m_sha256Sizes, m.m_sha256Any, !m.m_ownSha256.empty() || (im && !im->sha256.empty()));
  if (!m.m_anchors.empty())
    m_buf.resize(m.m_window * 2 + size_t(std::min<uint64_t>(fileSize, kChunk)));
  if (!m.m_fromEnd.empty()) m_tail.resize(m.m_tailKeep);
}

bool Matcher::FileScan::Feed(const uint8_t* data, size_t size) {
  if (m_found) return false;
  m_total += size;
  if (m_md5On) m_md5.Update(data, size);
  if (m_sha1On) m_sha1.Update(data, size);
  if (m_sha256On) m_sha256.Update(data, size);
  if (!m_tail.empty()) {
    size_t keep = std::min(size, m_tail.size());
    for (const uint8_t* p = data + size - keep; keep;) {
      size_t k = std::min(keep, m_tail.size() - m_tailAt);
      memcpy(m_tail.data() + m_tailAt, p, k);
      m_tailAt = (m_tailAt + k) % m_tail.size();
      p += k;
      keep -= k;
    }
  }
  while (size && !m_buf.empty() && !m_found) {
    size_t take = std::min(size, m_buf.size() - m_have);
    memcpy(m_buf.data() + m_have, data, take);
    m_have += take;
    data += take;
    size -= take;
    if (m_have == m_buf.size()) Process(false);
  }
  return !m_found;
}

void Matcher::FileScan::Process(bool final) {
  size_t w = m_matcher.m_window;
  size_t limit = final ? m_have : m_have > w ? m_have - w : 0;
  const uint8_t* b = m_buf.data();
  const uint64_t* bloom = m_matcher.m_bloom.data();
  for (size_t i = m_next; i < limit && !m_found; ++i) {
    if (i + 4 <= m_have) {
      uint32_t key = Load32(b + i), slot = BloomSlot(key);
      if (bloom[slot >> 6] >> (slot & 63) & 1) {
        auto range = std::equal_range(
            m_matcher.m_byKey.begin(), m_matcher.m_byKey.end(), std::make_pair(key, uint32_t(0)),
            [](const auto& x, const auto& y) { return x.first < y.first; });
        for (auto it = range.first; it != range.second && !m_found; ++it) OnAnchor(it->second, i);
      }
    }
    if (m_matcher.m_havePairs && i + 2 <= m_have) {
      uint32_t key = uint32_t(b[i]) | uint32_t(b[i + 1]) << 8;
      if (m_matcher.m_pairBits[key >> 6] >> (key & 63) & 1) {
        auto range = std::equal_range(
            m_matcher.m_byPair.begin(), m_matcher.m_byPair.end(), std::make_pair(key, uint32_t(0)),
            [](const auto& x, const auto& y) { return x.first < y.first; });
        for (auto it = range.first; it != range.second && !m_found; ++it) {
          const Anchor& an = m_matcher.m_anchors[it->second];
          if (i + an.len <= m_have && (an.len == 2 || b[i + 2] == an.bytes[2]))
            OnAnchor(it->second, i);
        }
      }
    }
    if (m_matcher.m_haveSingles)
      for (uint32_t a : m_matcher.m_byFirstByte[b[i]]) {
        if (m_found) break;
        OnAnchor(a, i);
      }
  }
  m_next = std::max(m_next, limit);
  if (final) return;
  size_t drop = m_next > w ? m_next - w : 0;
  memmove(m_buf.data(), b + drop, m_have - drop);
  m_have -= drop;
  m_next -= drop;
  m_base += drop;
}

void Matcher::FileScan::OnAnchor(uint32_t anchor, size_t at) {
  const Anchor& a = m_matcher.m_anchors[anchor];
  if (at < a.offset) return;  // would start before the file
  const BodySig& s = *m_matcher.m_sigs[a.sig];
  size_t rel = at - a.offset;
  uint64_t start = m_base + rel;
  bool last = a.segment + 1 == s.segments.size();
  auto it = m_progress.find(a.sig);
  if (a.segment == 0) {
    if (it != m_progress.end()) return;  // already under way from an earlier start
    if (s.offset.kind == SigOffset::kAt &&
        (start < s.offset.value || start > s.offset.value + s.offset.shift))
      return;
    if (m_size != kUnknownSize && m_size > s.maxFileSize) return;
  } else if (it == m_progress.end() || it->second.first != a.segment || start < it->second.second) {
    return;
  }
  int64_t end = MatchParts(s.segments[a.segment], 0, m_buf.data(), m_have, rel);
  if (end < 0) return;
  if (last) {
    Hit(s);
    if (it != m_progress.end()) m_progress.erase(it);
  } else {
    m_progress[a.sig] = {a.segment + 1,
                         m_base + uint64_t(end) + s.segments[a.segment + 1].minGapBefore};
  }
}

void Matcher::FileScan::Hit(const BodySig& s) {
  if (s.maxFileSize == UINT64_MAX || m_size != kUnknownSize) {
    m_found = s.threat;
  } else if (m_sized.size() < 16) {
    m_sized.emplace_back(s.threat, s.maxFileSize);  // decided once the size is known
  }
}

uint32_t Matcher::FileScan::FromEnd() const {
  if (m_matcher.m_fromEnd.empty()) return 0;
  // The last bytes in order.
  size_t n = size_t(std::min<uint64_t>(m_total, m_tail.size()));
  std::vector<uint8_t> t(n);
  for (size_t i = 0; i < n; ++i) t[i] = m_tail[(m_tailAt + m_tail.size() - n + i) % m_tail.size()];
  uint64_t tailStart = m_total - n;
  for (uint32_t index : m_matcher.m_fromEnd) {
    const BodySig& s = *m_matcher.m_sigs[index];
    if (s.offset.value > m_total) continue;
    uint64_t first = m_total - s.offset.value;
    for (uint64_t start = first; start <= first + s.offset.shift && start < m_total; ++start) {
      int64_t end = MatchParts(s.segments[0], 0, t.data(), n, size_t(start - tailStart));
      for (size_t k = 1; end >= 0 && k < s.segments.size(); ++k) {
        int64_t from = end + s.segments[k].minGapBefore;
        end = -1;
        for (size_t p = size_t(from); p < n && end < 0; ++p)
          end = MatchParts(s.segments[k], 0, t.data(), n, p);
      }
      if (end >= 0) return s.threat;
    }
  }
  return 0;
}

uint32_t Matcher::FileScan::ByHash() const {
  uint32_t threat = 0;
  const SignatureSet* im = m_matcher.m_imported.get();
  if (m_sha256On && (Lookup(m_matcher.m_ownSha256, m_sha256Sum, m_total, threat) ||
                     (im && Lookup(im->sha256, m_sha256Sum, m_total, threat))))
    return threat;
  if (m_md5On && im && Lookup(im->md5, m_md5Sum, m_total, threat)) return threat;
  if (m_sha1On && im && Lookup(im->sha1, m_sha1Sum, m_total, threat)) return threat;
  return 0;
}

uint32_t Matcher::FileScan::Finish() {
  if (!m_found && !m_buf.empty()) Process(true);
  if (!m_found)
    for (const auto& [threat, max] : m_sized)
      if (m_total <= max) {
        m_found = threat;
        break;
      }
  if (!m_found) m_found = FromEnd();
  if (!m_found && (m_md5On || m_sha1On || m_sha256On)) {
    if (m_md5On) m_md5Sum = m_md5.Finish();
    if (m_sha1On) m_sha1Sum = m_sha1.Finish();
    if (m_sha256On) m_sha256Sum = m_sha256.Finish();
    m_found = ByHash();
  }
  return m_found;
}

}  // namespace rre
