#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "values/TVector.h"

namespace gb {
namespace {

TEST(Vector, CellRoundingAndBoundsAtTheWalls) {
    const float values[] = {2.5f, 2.4999f, -0.5f, -1.0f, -1.5f, -1.6f};
    const int cells[] = {3, 2, 0, 0, -1, -1};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(TVector(values[i], 0).roundX(), cells[i]) << values[i];
        EXPECT_EQ(TVector(0, values[i]).roundY(), cells[i]) << values[i];
    }
    const TVector size(10, 20);
    EXPECT_TRUE(TVector(9.4f, 19.4f).insideBounds(size));
    EXPECT_TRUE(TVector(-1.0f, 0).insideBounds(size));  // rounds to column 0
    EXPECT_FALSE(TVector(9.5f, 0).insideBounds(size));
    EXPECT_FALSE(TVector(-1.5f, 0).insideBounds(size));
    EXPECT_FALSE(TVector(0, 19.5f).insideBounds(size));
}

// A coordinate far outside the int range, infinite or not a number still gives a cell (the
// range's ends, or 0) without an undefined conversion.
TEST(Vector, WildCoordinatesGiveTheEndsOfTheIntRangeOrZero) {
    constexpr int most = std::numeric_limits<int>::max();
    constexpr int least = std::numeric_limits<int>::min();
    EXPECT_EQ(TVector(3e9f, 0).roundX(), most);
    EXPECT_EQ(TVector(0, INFINITY).roundY(), most);
    EXPECT_EQ(TVector(-3e9f, 0).roundX(), least);
    EXPECT_EQ(TVector(-INFINITY, 0).roundX(), least);
    EXPECT_EQ(TVector(NAN, 0).roundX(), 0);
    EXPECT_FALSE(TVector(3e9f, 0).insideBounds(TVector(10, 20)));
    EXPECT_FALSE(TVector(-3e9f, 0).insideBounds(TVector(10, 20)));
}

TEST(Vector, QuarterTurnsKeepHalfCellsExact) {
    TVector v(-1.5f, 0);
    v.rotate(90);
    EXPECT_LT(std::fabs(v.x), 1e-6f);
    EXPECT_EQ(v.y, 1.5f);
    TVector w(0.5f, 0.5f);
    w.rotate(-90);
    EXPECT_FLOAT_EQ(w.x, -0.5f);
    EXPECT_FLOAT_EQ(w.y, 0.5f);
    TVector zero;
    zero.rotate(90);  // no direction: stays put
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
}

}  // namespace
}  // namespace gb
