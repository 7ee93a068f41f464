#include "codec/tiano_match_finder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kalvire::codec {
namespace {

// Number of equal leading bytes of a and b, at most `limit`; reads whole 8-byte words and so
// may look up to 7 bytes past a + limit and b + limit.
int32_t CommonPrefix(const uint8_t* a, const uint8_t* b, int32_t start, int32_t limit) {
  int32_t n = start;
  while (n < limit) {
    uint64_t wa;
    uint64_t wb;
    std::memcpy(&wa, a + n, 8);
    std::memcpy(&wb, b + n, 8);
    const uint64_t diff = wa ^ wb;
    if (diff != 0) {
      if constexpr (std::endian::native == std::endian::little) {
        return std::min(limit, n + std::countr_zero(diff) / 8);
      } else {
        return std::min(limit, n + std::countl_zero(diff) / 8);
      }
    }
    n += 8;
  }
  return limit;
}

}  // namespace

void TianoMatchFinder::Reset() {
  // Bytes past the input's end take part in the search (the encoder clamps the length only
  // afterwards), so they must be the same on every call.
  m_text.fill(0);
  for (uint16_t node = 1; node < kWindowSize - 1; ++node) Next(node) = node + 1;
  Next(kWindowSize - 1) = kNil;
  m_avail = 1;
  // A leaf not yet in the trie has no parent and no successor (see StartOfPreviousMatch). Its
  // level and position are read but never used (see Insert).
  for (uint32_t leaf = kWindowSize; leaf < kLeafEnd; ++leaf) {
    Node& node = m_nodes[leaf];
    node.parent = kNil;
    node.next = kNil;
    node.position = kNil;
    node.level = 0;
  }
  for (uint32_t root = kRootBase; root < kRootBase + 256; ++root) {
    Node& node = m_nodes[root];
    node.level = 1;
    node.position = kNil;
    node.child_count = 0;
  }
  m_heads.fill(kNil);
  m_root_children.fill(kNil);
  m_pos = kWindowSize;
  m_match_len = 0;
  m_match_pos = 0;
}

std::span<uint8_t> TianoMatchFinder::Slide() {
  // The trie keeps its numbers: a stored position at or above the current one now denotes the
  // text one window lower, which is where the move puts it.
  std::memmove(m_text.data(), m_text.data() + kWindowSize, kWindowSize + kMaxMatch);
  m_pos = kWindowSize;
  return std::span(m_text).subspan(kWindowSize + kMaxMatch, kWindowSize);
}

uint16_t TianoMatchFinder::Child(uint16_t head, uint16_t q) {
  uint16_t r = head;
  // Several (node, byte) pairs share a head: only a member whose parent is q is q's child. The
  // "no node" record poses as one to end the walk with a single test per step.
  m_nodes[kNil].parent = q;
  while (m_nodes[r].parent != q) r = m_nodes[r].next;
  return r;
}

void TianoMatchFinder::MakeChild(uint16_t& head, uint16_t q, uint16_t r) {
  const uint16_t t = head;
  head = r;
  Next(r) = t;
  Link(t) = &Next(r);
  Link(r) = &head;
  Parent(r) = q;
  ++m_nodes[q].child_count;
}

void TianoMatchFinder::TakePlace(uint16_t node, uint16_t replacement) {
  uint16_t* const link = Link(node);
  *link = replacement;
  Link(replacement) = link;
  const uint16_t t = Next(node);
  Next(replacement) = t;
  Link(t) = &Next(replacement);
}

void TianoMatchFinder::Split(uint16_t old_node) {
  // Never runs dry: every internal node has two children or more, so with at most 8192 leaves
  // (after the window's deletion) at most 8191 internal nodes are in use.
  const uint16_t node = m_avail;
  m_avail = Next(node);
  m_nodes[node].child_count = 0;
  TakePlace(old_node, node);
  Parent(node) = Parent(old_node);
  m_nodes[node].level = uint8_t(m_match_len);  // a split happens below kMaxMatch
  m_nodes[node].position = m_pos;
  MakeChild(Head(node, m_text[m_match_pos + m_match_len]), node, old_node);
  MakeChild(Head(node, m_text[m_pos + m_match_len]), node, m_pos);
}

uint16_t TianoMatchFinder::StartOfPreviousMatch() const {
  uint16_t r = uint16_t((m_match_pos + 1) | kWindowSize);
  // Leaves replaced by newer equal strings name their successor; each successor is newer and
  // still inside the window, so the walk ends at a leaf of the trie. Only the leaf deleted at
  // this very step (a previous match reaching back a whole window) has no successor.
  while (r != kNil && m_nodes[r].parent == kNil) r = m_nodes[r].next;
  return r;
}

void TianoMatchFinder::Insert() {
  uint16_t q;
  uint16_t r = kNil;
  if (m_match_len >= 4) r = StartOfPreviousMatch();
  if (r != kNil) {
    // The previous position's match goes on here one byte shorter, one byte further on: start
    // from the node that holds it instead of from the root.
    --m_match_len;
    q = Parent(r);
    while (m_nodes[q].level >= m_match_len) {
      r = q;
      q = Parent(q);
    }
    uint16_t t = q;
    while (m_nodes[t].position & kUpdateFlag) {
      m_nodes[t].position = m_pos;
      t = Parent(t);
    }
    // A root keeps position kNil: its write goes to the "no node" record, whose position nothing
    // reads, and the walk has no branch to mispredict.
    m_nodes[t < kWindowSize ? t : kNil].position = m_pos | kUpdateFlag;
  } else {
    q = uint16_t(m_text[m_pos] + kRootBase);
    uint16_t& root_child = RootChild(m_text[m_pos], m_text[m_pos + 1]);
    r = root_child;
    if (r == kNil) {
      root_child = m_pos;
      Parent(m_pos) = q;
      Next(m_pos) = kNil;
      Link(m_pos) = &root_child;
      m_match_len = 1;
      return;
    }
    m_match_len = 2;
  }

  // m_pos + kMaxMatch < kTextSize and m_match_pos < m_pos bound every text read below.
  const uint8_t* current = &m_text[m_pos];
  for (;;) {
    // A leaf's record holds no level or position (its limit and string start are its own);
    // reading them anyway leaves the compiler a plain choice (measured faster than a branch on
    // the kind before the loads).
    const Node& node = m_nodes[r];
    const int32_t level = node.level;
    const uint16_t position = node.position & ~kUpdateFlag;
    const bool leaf = r >= kWindowSize;
    const int32_t limit = leaf ? int32_t(kMaxMatch) : level;
    m_match_pos = leaf ? r : position;
    if (m_match_pos >= m_pos) m_match_pos -= kWindowSize;
    if (m_match_len < limit) {
      m_match_len = CommonPrefix(current, &m_text[m_match_pos], m_match_len, limit);
      if (m_match_len < limit) {
        Split(r);
        return;
      }
    }
    if (m_match_len >= int32_t(kMaxMatch)) break;
    m_nodes[r].position = m_pos;
    q = r;
    uint16_t& head = Head(q, current[m_match_len]);
    r = Child(head, q);
    if (r == kNil) {
      MakeChild(head, q, m_pos);
      return;
    }
    ++m_match_len;
  }
  // A full-length match: the current position replaces leaf r, which remembers its successor so
  // that a later start from r (above) can find the trie again.
  TakePlace(r, m_pos);
  Parent(m_pos) = q;
  Parent(r) = kNil;
  Next(r) = m_pos;
}

uint16_t TianoMatchFinder::UnflagOlder(uint16_t position) const {
  return position >= m_pos ? uint16_t(position - kWindowSize) : position;
}

void TianoMatchFinder::RemoveNode(uint16_t r) {
  // r is left with one child and goes; the positions flagged above it get its newest position.
  const uint16_t t = UnflagOlder(m_nodes[r].position & ~kUpdateFlag);
  uint16_t newest = t;
  uint16_t q = Parent(r);
  uint16_t u;
  while ((u = m_nodes[q].position) & kUpdateFlag) {
    newest = std::max(newest, UnflagOlder(u & ~kUpdateFlag));
    m_nodes[q].position = newest | kWindowSize;
    q = Parent(q);
  }
  newest = std::max(newest, UnflagOlder(u));
  // A root keeps position kNil (see Insert).
  m_nodes[q < kRootBase ? q : kNil].position = newest | kWindowSize | kUpdateFlag;
  // t + level < kTextSize: t < kLeafEnd and level < kMaxMatch.
  const uint8_t child_byte = m_text[t + m_nodes[r].level];
  const uint16_t s = Child(Head(r, child_byte), r);
  Unlink(s);
  TakePlace(r, s);
  Parent(s) = Parent(r);
  Parent(r) = kNil;
  Next(r) = m_avail;
  m_avail = r;
}

}  // namespace kalvire::codec
