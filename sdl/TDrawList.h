#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "sdl/TDirtyRegion.h"

namespace gb {

// The drawing operations of one picture, in order, each reduced to a key (everything that
// decides the pixels it draws: what it draws, where, how it blends and clips) and the rectangle
// of pixels it can change. Two operations with equal keys draw the same pixels.
//
// Comparing the list of the picture on screen with the list of the next picture tells where the
// two can differ: operations are matched in order, and only the boxes of the operations that
// either picture has and the other has not can hold different pixels. Every other pixel is
// covered by the same operations in the same order in both pictures.
class TDrawList {
  public:
    static constexpr std::size_t kKeyWords = 20;
    using Key = std::array<std::uint32_t, kKeyWords>;

    struct Entry {
        Key key{};
        std::uint64_t hash = 0;
        TPixelRect box;       // the pixels the operation may change
        bool exact = true;    // draws the same pixels when clipped to any part of its box
        bool unique = false;  // matches no other operation, not even one with the same key
    };

    void clear() { entries_.clear(); }
    void add(const Key& key, const TPixelRect& box, bool exact, bool unique = false);
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const Entry& operator[](std::size_t i) const { return entries_[i]; }

    // Marks in region every pixel where the pictures of the two lists can differ.
    static void compare(const TDrawList& before, const TDrawList& after, TDirtyRegion& region);
    // Grows region until every inexact operation that touches it lies in it whole, so that no
    // such operation ever has to be drawn clipped to a part of its box.
    void coverInexact(TDirtyRegion& region) const;

  private:
    static bool same(const Entry& a, const Entry& b) {
        return !a.unique && !b.unique && a.hash == b.hash && a.key == b.key;
    }
    std::vector<Entry> entries_;
    // Room for comparing the list with a later one: the hashes of the entries to look up with
    // their indices, sorted, and which of them were matched.
    mutable std::vector<std::pair<std::uint64_t, std::uint32_t>> index_;
    mutable std::vector<bool> matched_;
};

}  // namespace gb
