#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "sdl/TDrawList.h"

namespace gb {
namespace {

// An operation for the tests: its key is its name, and it covers a box.
struct Op {
    std::uint32_t name;
    TPixelRect box;
    bool exact = true;
    bool unique = false;
};

TDrawList listOf(std::initializer_list<Op> ops) {
    TDrawList list;
    for (const Op& op : ops) {
        TDrawList::Key key{};
        key[0] = op.name;
        key[5] = static_cast<std::uint32_t>(op.box.x);
        list.add(key, op.box, op.exact, op.unique);
    }
    return list;
}

TDirtyRegion changes(const TDrawList& before, const TDrawList& after) {
    TDirtyRegion region(800, 600);
    TDrawList::compare(before, after, region);
    return region;
}

const TPixelRect kScreen{0, 0, 800, 600};
const TPixelRect kA{0, 0, 32, 32};
const TPixelRect kB{200, 0, 32, 32};
const TPixelRect kC{400, 0, 32, 32};
const TPixelRect kD{600, 0, 32, 32};

TEST(DrawList, TheSameOperationsInTheSameOrderChangeNothing) {
    const TDrawList before = listOf({{1, kScreen}, {2, kA}, {3, kB}});
    EXPECT_TRUE(changes(before, listOf({{1, kScreen}, {2, kA}, {3, kB}})).empty());
}

TEST(DrawList, AnOperationThatMovedChangesWhereItWasAndWhereItIsOnly) {
    const TDrawList before = listOf({{1, kA}, {2, kB}, {3, kD}});
    const TDirtyRegion region = changes(before, listOf({{1, kA}, {2, kC}, {3, kD}}));
    EXPECT_TRUE(region.intersects(kB));
    EXPECT_TRUE(region.intersects(kC));
    EXPECT_FALSE(region.intersects(kA));
    EXPECT_FALSE(region.intersects(kD));
}

TEST(DrawList, OperationsAddedOrTakenAwayLeaveTheOthersMatched) {
    const TDrawList before = listOf({{1, kA}, {3, kC}, {4, kD}});
    // One more in the middle: everything after it still matches.
    TDirtyRegion region = changes(before, listOf({{1, kA}, {2, kB}, {3, kC}, {4, kD}}));
    EXPECT_TRUE(region.intersects(kB));
    EXPECT_FALSE(region.intersects(kA) || region.intersects(kC) || region.intersects(kD));
    // One fewer.
    region = changes(before, listOf({{1, kA}, {4, kD}}));
    EXPECT_TRUE(region.intersects(kC));
    EXPECT_FALSE(region.intersects(kA) || region.intersects(kD));
    // Everything new.
    EXPECT_TRUE(changes(TDrawList{}, before).intersects(kD));
}

TEST(DrawList, OperationsInAnotherOrderAreChangesWhereTheyOverlap) {
    const TPixelRect left{0, 0, 100, 100};
    const TPixelRect right{50, 50, 100, 100};
    const TDirtyRegion region =
        changes(listOf({{1, left}, {2, right}}), listOf({{2, right}, {1, left}}));
    EXPECT_TRUE(region.intersects(TPixelRect{50, 50, 50, 50}));
}

TEST(DrawList, AUniqueOperationNeverMatchesEvenItself) {
    const TDrawList list = listOf({{1, kA}, {2, kB, false, true}, {3, kC}});
    const TDirtyRegion region = changes(list, list);
    EXPECT_TRUE(region.intersects(kB));
    EXPECT_FALSE(region.intersects(kA) || region.intersects(kC));
}

TEST(DrawList, InexactOperationsTouchingTheRegionComeIntoItWhole) {
    // A chain: the change meets inexact 2, whose box meets inexact 3; 4 is exact and 5 is far.
    const TPixelRect changed{0, 0, 20, 20};
    const TPixelRect second{10, 10, 100, 40};
    const TPixelRect third{100, 40, 100, 100};
    const TPixelRect fourth{150, 0, 200, 30};
    const TPixelRect fifth{500, 500, 50, 50};
    const TDrawList list = listOf(
        {{1, kScreen}, {2, second, false}, {3, third, false}, {4, fourth}, {5, fifth, false}});
    TDirtyRegion region(800, 600);
    region.add(changed);
    list.coverInexact(region);
    for (const TPixelRect& box : {second, third}) {
        // Every pixel of the box is in the region.
        int covered = 0;
        for (const TPixelRect& part : region.rects()) {
            covered += part.intersection(box).width * part.intersection(box).height;
        }
        EXPECT_EQ(covered, box.width * box.height);
    }
    EXPECT_FALSE(region.intersects(TPixelRect{352, 0, 10, 10}));  // past the exact fourth
    EXPECT_FALSE(region.intersects(fifth));
}

}  // namespace
}  // namespace gb
