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
    : imported_(defs.imported),
      bloom_((size_t(1) << kBloomBits) / 64),
      pairBits_(65536 / 64),
      byFirstByte_(256) {
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
      own_.push_back(std::move(s));
    }
    for (const auto& h : t.hashRules) ownSha256_.push_back({h.hash, h.size, id});
  }
  std::sort(ownSha256_.begin(), ownSha256_.end(),
            [](const auto& a, const auto& b) { return a.digest < b.digest; });
  for (const auto& s : own_) AddSig(&s);
  NoteSizes(ownSha256_, sha256Sizes_, sha256Any_);
  if (imported_) {
    for (const auto& s : imported_->bodies) AddSig(&s);
    NoteSizes(imported_->md5, md5Sizes_, md5Any_);
    NoteSizes(imported_->sha1, sha1Sizes_, sha1Any_);
    NoteSizes(imported_->sha256, sha256Sizes_, sha256Any_);
  }
  std::sort(byKey_.begin(), byKey_.end());
  std::sort(byPair_.begin(), byPair_.end());
}

void Matcher::AddSig(const BodySig* s) {
  uint32_t index = uint32_t(sigs_.size());
  sigs_.push_back(s);
  for (const auto& seg : s->segments) window_ = std::max<size_t>(window_, seg.span);
  if (s->offset.kind == SigOffset::kFromEnd) {
    if (s->offset.value <= kTailLimit) {
      fromEnd_.push_back(index);
      tailKeep_ = std::max<size_t>(tailKeep_, size_t(s->offset.value));
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
    uint32_t at = uint32_t(anchors_.size());
    anchors_.push_back(a);
    if (a.len == 4) {
      uint32_t key = Load32(a.bytes);
      uint32_t slot = BloomSlot(key);
      bloom_[slot >> 6] |= 1ull << (slot & 63);
      byKey_.emplace_back(key, at);
    } else if (a.len >= 2) {
      uint32_t key = uint32_t(a.bytes[0]) | uint32_t(a.bytes[1]) << 8;
      pairBits_[key >> 6] |= 1ull << (key & 63);
      byPair_.emplace_back(key, at);
      havePairs_ = true;
    } else {
      byFirstByte_[a.bytes[0]].push_back(at);
      haveSingles_ = true;
    }
  }
}

uint32_t Matcher::ScanBuffer(const void* data, size_t size) const {
  FileScan fs(*this, size);
  fs.Feed(static_cast<const uint8_t*>(data), size);
  return fs.Finish();
}

Matcher::FileScan::FileScan(const Matcher& m, uint64_t fileSize) : m_(m), size_(fileSize) {
  bool unknown = fileSize == kUnknownSize;
  auto need = [&](const std::unordered_set<uint64_t>& sizes, bool any, bool some) {
    return some && (any || unknown || sizes.count(fileSize));
  };
  const SignatureSet* im = m.imported_.get();
  md5On_ = need(m.md5Sizes_, m.md5Any_, im && !im->md5.empty());
  sha1On_ = need(m.sha1Sizes_, m.sha1Any_, im && !im->sha1.empty());
  sha256On_ =
      need(m.sha256Sizes_, m.sha256Any_, !m.ownSha256_.empty() || (im && !im->sha256.empty()));
  if (!m.anchors_.empty())
    buf_.resize(m.window_ * 2 + size_t(std::min<uint64_t>(fileSize, kChunk)));
  if (!m.fromEnd_.empty()) tail_.resize(m.tailKeep_);
}

bool Matcher::FileScan::Feed(const uint8_t* data, size_t size) {
  if (found_) return false;
  total_ += size;
  if (md5On_) md5_.Update(data, size);
  if (sha1On_) sha1_.Update(data, size);
  if (sha256On_) sha256_.Update(data, size);
  if (!tail_.empty()) {
    size_t keep = std::min(size, tail_.size());
    for (const uint8_t* p = data + size - keep; keep;) {
      size_t k = std::min(keep, tail_.size() - tailAt_);
      memcpy(tail_.data() + tailAt_, p, k);
      tailAt_ = (tailAt_ + k) % tail_.size();
      p += k;
      keep -= k;
    }
  }
  while (size && !buf_.empty() && !found_) {
    size_t take = std::min(size, buf_.size() - have_);
    memcpy(buf_.data() + have_, data, take);
    have_ += take;
    data += take;
    size -= take;
    if (have_ == buf_.size()) Process(false);
  }
  return !found_;
}

void Matcher::FileScan::Process(bool final) {
  size_t w = m_.window_;
  size_t limit = final ? have_ : have_ > w ? have_ - w : 0;
  const uint8_t* b = buf_.data();
  const uint64_t* bloom = m_.bloom_.data();
  for (size_t i = next_; i < limit && !found_; ++i) {
    if (i + 4 <= have_) {
      uint32_t key = Load32(b + i), slot = BloomSlot(key);
      if (bloom[slot >> 6] >> (slot & 63) & 1) {
        auto range =
            std::equal_range(m_.byKey_.begin(), m_.byKey_.end(), std::make_pair(key, uint32_t(0)),
                             [](const auto& x, const auto& y) { return x.first < y.first; });
        for (auto it = range.first; it != range.second && !found_; ++it) OnAnchor(it->second, i);
      }
    }
    if (m_.havePairs_ && i + 2 <= have_) {
      uint32_t key = uint32_t(b[i]) | uint32_t(b[i + 1]) << 8;
      if (m_.pairBits_[key >> 6] >> (key & 63) & 1) {
        auto range =
            std::equal_range(m_.byPair_.begin(), m_.byPair_.end(), std::make_pair(key, uint32_t(0)),
                             [](const auto& x, const auto& y) { return x.first < y.first; });
        for (auto it = range.first; it != range.second && !found_; ++it) {
          const Anchor& an = m_.anchors_[it->second];
          if (i + an.len <= have_ && (an.len == 2 || b[i + 2] == an.bytes[2]))
            OnAnchor(it->second, i);
        }
      }
    }
    if (m_.haveSingles_)
      for (uint32_t a : m_.byFirstByte_[b[i]]) {
        if (found_) break;
        OnAnchor(a, i);
      }
  }
  next_ = std::max(next_, limit);
  if (final) return;
  size_t drop = next_ > w ? next_ - w : 0;
  memmove(buf_.data(), b + drop, have_ - drop);
  have_ -= drop;
  next_ -= drop;
  base_ += drop;
}

void Matcher::FileScan::OnAnchor(uint32_t anchor, size_t at) {
  const Anchor& a = m_.anchors_[anchor];
  if (at < a.offset) return;  // would start before the file
  const BodySig& s = *m_.sigs_[a.sig];
  size_t rel = at - a.offset;
  uint64_t start = base_ + rel;
  bool last = a.segment + 1 == s.segments.size();
  auto it = progress_.find(a.sig);
  if (a.segment == 0) {
    if (it != progress_.end()) return;  // already under way from an earlier start
    if (s.offset.kind == SigOffset::kAt &&
        (start < s.offset.value || start > s.offset.value + s.offset.shift))
      return;
    if (size_ != kUnknownSize && size_ > s.maxFileSize) return;
  } else if (it == progress_.end() || it->second.first != a.segment || start < it->second.second) {
    return;
  }
  int64_t end = MatchParts(s.segments[a.segment], 0, buf_.data(), have_, rel);
  if (end < 0) return;
  if (last) {
    Hit(s);
    if (it != progress_.end()) progress_.erase(it);
  } else {
    progress_[a.sig] = {a.segment + 1,
                        base_ + uint64_t(end) + s.segments[a.segment + 1].minGapBefore};
  }
}

void Matcher::FileScan::Hit(const BodySig& s) {
  if (s.maxFileSize == UINT64_MAX || size_ != kUnknownSize) {
    found_ = s.threat;
  } else if (sized_.size() < 16) {
    sized_.emplace_back(s.threat, s.maxFileSize);  // decided once the size is known
  }
}

uint32_t Matcher::FileScan::FromEnd() const {
  if (m_.fromEnd_.empty()) return 0;
  // The last bytes in order.
  size_t n = size_t(std::min<uint64_t>(total_, tail_.size()));
  std::vector<uint8_t> t(n);
  for (size_t i = 0; i < n; ++i) t[i] = tail_[(tailAt_ + tail_.size() - n + i) % tail_.size()];
  uint64_t tailStart = total_ - n;
  for (uint32_t index : m_.fromEnd_) {
    const BodySig& s = *m_.sigs_[index];
    if (s.offset.value > total_) continue;
    uint64_t first = total_ - s.offset.value;
    for (uint64_t start = first; start <= first + s.offset.shift && start < total_; ++start) {
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
  const SignatureSet* im = m_.imported_.get();
  if (sha256On_ && (Lookup(m_.ownSha256_, sha256Sum_, total_, threat) ||
                    (im && Lookup(im->sha256, sha256Sum_, total_, threat))))
    return threat;
  if (md5On_ && im && Lookup(im->md5, md5Sum_, total_, threat)) return threat;
  if (sha1On_ && im && Lookup(im->sha1, sha1Sum_, total_, threat)) return threat;
  return 0;
}

uint32_t Matcher::FileScan::Finish() {
  if (!found_ && !buf_.empty()) Process(true);
  if (!found_)
    for (const auto& [threat, max] : sized_)
      if (total_ <= max) {
        found_ = threat;
        break;
      }
  if (!found_) found_ = FromEnd();
  if (!found_ && (md5On_ || sha1On_ || sha256On_)) {
    if (md5On_) md5Sum_ = md5_.Finish();
    if (sha1On_) sha1Sum_ = sha1_.Finish();
    if (sha256On_) sha256Sum_ = sha256_.Finish();
    found_ = ByHash();
  }
  return found_;
}

}  // namespace rre
