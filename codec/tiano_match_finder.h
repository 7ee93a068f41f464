// Longest-match search for the Tiano/EFI encoder: every string of the last 8192 positions is kept
// in a compressed suffix trie (Patricia trie). A root's children sit in a table indexed by their
// first two bytes; an internal node's children are found through a hash table of list heads.
// Each step of the position costs one deletion and one insertion.
//
// Node numbers are 16-bit: 0 is "no node", 1..8191 internal nodes (free list), 8192 + b the root
// of the one-byte string b, and 8192..16383 leaves named by the text position their string starts
// at. Roots use only level, position and child count; leaves only parent and the list links, so a
// root and the leaf of the same number share one record. A root's child is in no list: its next
// stays kNil.
//
// A child is unique per (parent, first byte), so the hash only decides how long the lists are,
// never which match is found. Each node in the trie points at the link that names it (its
// predecessor's next, a list head or a root table entry), so taking it out needs neither its edge
// byte nor a lookup.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace kalvire::codec {

class TianoMatchFinder {
 public:
  TianoMatchFinder() = default;
  // The nodes point into the object itself.
  TianoMatchFinder(const TianoMatchFinder&) = delete;
  TianoMatchFinder& operator=(const TianoMatchFinder&) = delete;

  static constexpr uint32_t kWindowSize = 8192;
  static constexpr uint32_t kMaxMatch = 256;
  // Two windows plus the look-ahead: positions run over the upper window, and a match started
  // at the last position may compare kMaxMatch bytes beyond it.
  static constexpr uint32_t kTextSize = 2 * kWindowSize + kMaxMatch;
  // Bytes loaded at the start: the upper window and the look-ahead.
  static constexpr uint32_t kFirstLoadSize = kWindowSize + kMaxMatch;

  // Empties the trie and clears the text; position kWindowSize, match length 0.
  void Reset();

  // Where the caller loads the first kFirstLoadSize input bytes.
  std::span<uint8_t> FirstLoadArea() {
    return std::span(m_text).subspan(kWindowSize, kFirstLoadSize);
  }

  // Moves to the next position. When the position leaves the upper window, the text slides down
  // by kWindowSize and the returned span (kWindowSize bytes at the end of the text) is where the
  // caller loads the next input; otherwise the span is empty. Delete() and Insert() follow.
  std::span<uint8_t> Advance() { return ++m_pos < kLeafEnd ? std::span<uint8_t>() : Slide(); }

  // Finds the longest match for the current position (MatchLength() 1 means none of two bytes or
  // more) and enters the current position as a leaf.
  void Insert();
  // Removes the string that started at the current position one window ago, if still present.
  void Delete() {
    const uint16_t p = m_pos;
    // The next step tests its leaf's parent's count: asking for that record now lets the test
    // resolve sooner (past the last leaf the number wraps to a record that is merely fetched).
    __builtin_prefetch(&m_nodes[Parent((p + 1) & (kLeafEnd - 1))]);
    const uint16_t r = Parent(p);
    if (r == kNil) return;
    Unlink(p);
    Parent(p) = kNil;
    Next(p) = kNil;  // ends a walk from the previous match here (see StartOfPreviousMatch)
    // A root's count goes down as well (from 0 at Reset(), wrapping) but decides nothing.
    if ((--m_nodes[r].child_count == 1) & (r < kRootBase)) RemoveNode(r);
  }

  uint16_t CurrentPosition() const { return m_pos; }
  int32_t MatchLength() const { return m_match_len; }
  // The encoder clamps the length to the input left; the next Insert() starts from it.
  void SetMatchLength(int32_t length) { m_match_len = length; }
  // Text index of the match start; always below the current position and at most kWindowSize
  // before it.
  uint16_t MatchPosition() const { return m_match_pos; }
  std::span<const uint8_t> Text() const { return std::span(m_text).first(kTextSize); }

 private:
  static constexpr uint16_t kNil = 0;
  static constexpr uint16_t kRootBase = kWindowSize;     // 8192 + b
  static constexpr uint16_t kUpdateFlag = 0x8000;        // position not yet copied to the parent
  static constexpr uint32_t kLeafEnd = 2 * kWindowSize;  // nodes and leaves
  // List heads of the internal nodes' children: short lists, since a walk past a first member is
  // what a lookup costs most.
  static constexpr uint32_t kHeadBits = 16;
  static constexpr uint32_t kHeadCount = 1u << kHeadBits;

  static uint32_t HeadSlot(uint16_t q, uint8_t b) {
    return ((uint32_t(q) << 8 | b) * 0x9E3779B1u) >> (32 - kHeadBits);
  }
  // Moves the text down by one window and returns the room for new input.
  std::span<uint8_t> Slide();
  // The leaf that holds the string after the previous match's start, or kNil.
  uint16_t StartOfPreviousMatch() const;
  uint16_t& Head(uint16_t q, uint8_t b) { return m_heads[HeadSlot(q, b)]; }
  // q's child in the list that starts at `head`, or kNil.
  uint16_t Child(uint16_t head, uint16_t q);
  // Enters r as q's child in the list that starts at `head`.
  void MakeChild(uint16_t& head, uint16_t q, uint16_t r);
  // Puts a new internal node above `old_node`.
  void Split(uint16_t old_node);
  // Puts `replacement` in `node`'s place in its sibling list.
  void TakePlace(uint16_t node, uint16_t replacement);
  // Takes `node` out of its sibling list.
  void Unlink(uint16_t node) {
    const uint16_t after = Next(node);
    uint16_t* const link = Link(node);
    *link = after;
    Link(after) = link;
  }
  // Takes out internal node r, left with one child.
  void RemoveNode(uint16_t r);
  uint16_t& RootChild(uint8_t first, uint8_t second) {
    return m_root_children[uint32_t(first) << 8 | second];
  }
  uint16_t UnflagOlder(uint16_t position) const;

  // The walks read a node's parent, next sibling, level and position together: one record keeps
  // them in one cache line, and the 16-byte alignment keeps a record from straddling two.
  struct alignas(16) Node {
    uint16_t parent;
    uint16_t next;
    uint16_t position;
    uint8_t level;
    uint8_t child_count;
    uint16_t* link;  // the link that names the node; record kNil's is written but never read
  };
  uint16_t& Parent(uint32_t node) { return m_nodes[node].parent; }
  uint16_t Parent(uint32_t node) const { return m_nodes[node].parent; }
  uint16_t& Next(uint32_t node) { return m_nodes[node].next; }
  uint16_t*& Link(uint32_t node) { return m_nodes[node].link; }

  // kCompareSlack bytes after the text let the match comparison read whole words.
  static constexpr uint32_t kCompareSlack = 8;
  // Reset() sets every entry that is read before it is written; the rest stays as it was.
  std::array<uint8_t, kTextSize + kCompareSlack> m_text;
  std::array<Node, kLeafEnd> m_nodes;
  std::array<uint16_t, kHeadCount> m_heads;
  std::array<uint16_t, 256 * 256> m_root_children;
  uint16_t m_pos = kWindowSize;
  uint16_t m_match_pos = 0;
  int32_t m_match_len = 0;
  uint16_t m_avail = 1;
};

}  // namespace kalvire::codec
