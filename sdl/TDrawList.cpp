#include "sdl/TDrawList.h"

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
}

void TDrawList::compare(const TDrawList& before, const TDrawList& after, TDirtyRegion& region) {
    const std::vector<Entry>& old = before.entries_;
    const std::vector<Entry>& now = after.entries_;
    // From one frame to the next most operations are the same: those at both ends match
    // one for one and only the middle needs looking up.
    std::size_t first = 0;
    while (first < old.size() && first < now.size() && same(old[first], now[first])) {
        ++first;
    }
    std::size_t oldEnd = old.size();
    std::size_t nowEnd = now.size();
    while (oldEnd > first && nowEnd > first && same(old[oldEnd - 1], now[nowEnd - 1])) {
        --oldEnd;
        --nowEnd;
    }
    if (first == oldEnd) {
        for (std::size_t i = first; i < nowEnd; ++i) {
            region.add(now[i].box);
        }
        return;
    }
    std::vector<std::pair<std::uint64_t, std::uint32_t>>& index = before.index_;
    index.clear();
    for (std::size_t i = first; i < oldEnd; ++i) {
        index.emplace_back(old[i].hash, static_cast<std::uint32_t>(i));
    }
    std::sort(index.begin(), index.end());
    // Each operation of the new list is matched with the first equal one of the old list after
    // the last match, so matches keep their order. A match is only ever missed, never false:
    // what is not matched is drawn again.
    std::vector<bool>& matched = before.matched_;
    matched.assign(oldEnd - first, false);
    std::size_t next = first;  // the old operations before this one are used up
    for (std::size_t j = first; j < nowEnd; ++j) {
        const Entry& entry = now[j];
        bool found = false;
        if (!entry.unique) {
            auto it = std::lower_bound(index.begin(), index.end(),
                                       std::pair{entry.hash, static_cast<std::uint32_t>(next)});
            for (; it != index.end() && it->first == entry.hash; ++it) {
                if (same(old[it->second], entry)) {
                    matched[it->second - first] = true;
                    next = it->second + 1;
                    found = true;
                    break;
                }
            }
        }
        if (!found) {
            region.add(entry.box);
        }
    }
    for (std::size_t i = first; i < oldEnd; ++i) {
        if (!matched[i - first]) {
            region.add(old[i].box);
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
