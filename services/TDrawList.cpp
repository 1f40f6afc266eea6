#include "services/TDrawList.h"

#include <algorithm>

namespace gb {

namespace {

// 64-bit FNV-1a over the key's words, then a final mix so that neighbouring keys spread.
std::uint64_t hashKey(const TDrawList::Key& key) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const std::uint32_t word : key) {
        h = (h ^ word) * 0x100000001b3ULL;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

}  // namespace

void TDrawList::add(const Key& key, const TPixelRect& box, bool exact, bool unique) {
    entries_.push_back(Entry{key, hashKey(key), box, exact, unique});
    indexed_ = false;
}

void TDrawList::compare(const TDrawList& before, const TDrawList& after, TDirtyRegion& region) {
    if (!before.indexed_) {
        before.index_.clear();
        for (std::size_t i = 0; i < before.entries_.size(); ++i) {
            before.index_.emplace_back(before.entries_[i].hash, static_cast<std::uint32_t>(i));
        }
        std::sort(before.index_.begin(), before.index_.end());
        before.indexed_ = true;
    }
    // Each operation of the new list is matched with the first equal one of the old list after
    // the last match, so matches keep their order. A match is only ever missed, never false:
    // what is not matched is drawn again.
    std::vector<bool> matched(before.entries_.size(), false);
    long last = -1;
    for (const Entry& entry : after.entries_) {
        bool found = false;
        if (!entry.unique) {
            auto it = std::lower_bound(before.index_.begin(), before.index_.end(),
                                       std::pair{entry.hash, static_cast<std::uint32_t>(last + 1)});
            for (; it != before.index_.end() && it->first == entry.hash; ++it) {
                if (same(before.entries_[it->second], entry)) {
                    last = it->second;
                    matched[it->second] = true;
                    found = true;
                    break;
                }
            }
        }
        if (!found) {
            region.add(entry.box);
        }
    }
    for (std::size_t i = 0; i < before.entries_.size(); ++i) {
        if (!matched[i]) {
            region.add(before.entries_[i].box);
        }
    }
}

void TDrawList::coverInexact(TDirtyRegion& region) const {
    if (region.empty() || region.full()) {
        return;
    }
    for (bool grew = true; grew;) {
        grew = false;
        for (const Entry& entry : entries_) {
            if (!entry.exact && region.intersects(entry.box)) {
                grew = region.add(entry.box) || grew;
            }
        }
    }
}

}  // namespace gb
