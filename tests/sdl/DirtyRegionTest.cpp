#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "sdl/TDirtyRegion.h"

namespace gb {
namespace {

constexpr int kWidth = 810;  // not a whole number of tiles, so the edge tiles are cut
constexpr int kHeight = 605;

// How many of the rectangles cover each pixel of the area.
std::vector<int> coverage(const std::vector<TPixelRect>& rects) {
    std::vector<int> count(static_cast<std::size_t>(kWidth * kHeight), 0);
    for (const TPixelRect& r : rects) {
        for (int y = r.y; y < r.bottom(); ++y) {
            for (int x = r.x; x < r.right(); ++x) {
                ++count[static_cast<std::size_t>(y * kWidth + x)];
            }
        }
    }
    return count;
}

TEST(DirtyRegion, GivesBackWhatWasMarkedAsRectanglesThatDoNotOverlap) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> position(-100, 900);
    std::uniform_int_distribution<int> size(0, 150);
    for (int round = 0; round < 20; ++round) {
        TDirtyRegion region(kWidth, kHeight);
        std::vector<TPixelRect> marked;
        for (int i = 0; i < 25; ++i) {
            const TPixelRect r{position(random), position(random), size(random), size(random)};
            region.add(r);
            marked.push_back(r.intersection(TPixelRect{0, 0, kWidth, kHeight}));
        }
        const std::vector<TPixelRect> rects = region.rects();
        const std::vector<int> given = coverage(rects);
        const std::vector<int> wanted = coverage(marked);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const std::size_t i = static_cast<std::size_t>(y * kWidth + x);
                ASSERT_LE(given[i], 1) << "rectangles overlap at " << x << ", " << y;
                if (wanted[i] > 0) {
                    ASSERT_EQ(given[i], 1) << "marked pixel " << x << ", " << y << " left out";
                }
                // Nothing beyond the tiles of what was marked.
                if (given[i] > 0) {
                    const TPixelRect tile{x / TDirtyRegion::kTile * TDirtyRegion::kTile,
                                          y / TDirtyRegion::kTile * TDirtyRegion::kTile,
                                          TDirtyRegion::kTile, TDirtyRegion::kTile};
                    bool touched = false;
                    for (const TPixelRect& m : marked) {
                        touched = touched || m.intersects(tile);
                    }
                    ASSERT_TRUE(touched) << "pixel " << x << ", " << y << " was never marked";
                }
            }
        }
        EXPECT_EQ(region.empty(), rects.empty());
    }
}

TEST(DirtyRegion, RowsOfTheSameExtentBecomeOneRectangle) {
    TDirtyRegion region(kWidth, kHeight);
    region.add(TPixelRect{20, 20, 50, 100});
    region.add(TPixelRect{400, 0, 1000, 1000});
    const std::vector<TPixelRect> rects = region.rects();
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0], (TPixelRect{16, 16, 64, 112}));
    // The edge tiles stop at the area's edge.
    EXPECT_EQ(rects[1], (TPixelRect{400, 0, kWidth - 400, kHeight}));
}

TEST(DirtyRegion, AddingTellsWhetherAnythingNewWasMarked) {
    TDirtyRegion region(kWidth, kHeight);
    EXPECT_FALSE(region.add(TPixelRect{10, 10, 0, 5}));
    EXPECT_FALSE(region.add(TPixelRect{-50, -50, 40, 40}));
    EXPECT_FALSE(region.add(TPixelRect{kWidth, 0, 10, 10}));
    EXPECT_TRUE(region.empty());
    EXPECT_TRUE(region.add(TPixelRect{0, 0, 5, 5}));
    EXPECT_FALSE(region.add(TPixelRect{3, 3, 5, 5}));  // the same tile
    EXPECT_TRUE(region.add(TPixelRect{3, 3, 20, 5}));  // and its neighbour
    EXPECT_TRUE(region.intersects(TPixelRect{31, 15, 4, 4}));
    EXPECT_FALSE(region.intersects(TPixelRect{32, 0, 4, 4}));
    EXPECT_FALSE(region.full());
    region.addAll();
    EXPECT_TRUE(region.full());
    region.clear();
    EXPECT_TRUE(region.empty());
    EXPECT_TRUE(region.rects().empty());
}

}  // namespace
}  // namespace gb
