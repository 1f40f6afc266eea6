#include <gtest/gtest.h>

#include <set>

#include "core/Random.h"

namespace gb {
namespace {

// Expected values come from plain modular arithmetic (48271 * s mod 2^31-1), worked out
// outside this code base, so they check the Schrage form and the bit masks independently.
TEST(Random, UnseededSequenceMatchesTheMinimalStandardGenerator) {
    seedRnd(0x1234);
    EXPECT_FLOAT_EQ(rndFloat(), 0.837977409362793f);
    EXPECT_EQ(rndState(), 224942860);
    EXPECT_FLOAT_EQ(rndFloat(), 0.009704053401947021f);
    EXPECT_EQ(rndState(), 539475828);
    EXPECT_FLOAT_EQ(rndFloat(), 0.42512619495391846f);
}

TEST(Random, ZeroAndAllOnesSeedsFallBackToTheDefaultState) {
    seedRnd(0);
    EXPECT_EQ(rndState(), 0x1234);
    seedRnd(0x7FFFFFFF);
    EXPECT_EQ(rndState(), 0x1234);
    seedRnd(-1);  // masked to 0x7FFFFFFF
    EXPECT_EQ(rndState(), 0x1234);
    seedRnd(0);
    EXPECT_EQ(rand(1, 7), 3);
    EXPECT_EQ(rand(1, 7), 2);
    EXPECT_EQ(rand(1, 7), 5);
}

TEST(Random, RangeIsInclusiveInEitherOrder) {
    seedRnd(12345);
    const int expected[] = {1, 6, 5, 4, 3, 7};
    for (int value : expected) {
        EXPECT_EQ(rand(1, 7), value);
    }
    seedRnd(12345);
    for (int value : expected) {
        EXPECT_EQ(rand(7, 1), value);
    }
    seedRnd(99);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int value = rand(1, 4);
        ASSERT_GE(value, 1);
        ASSERT_LE(value, 4);
        seen.insert(value);
        const float f = rndFloat();
        ASSERT_GE(f, 0.0f);
        ASSERT_LT(f, 1.0f);
    }
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(rand(5, 5), 5);
}

}  // namespace
}  // namespace gb
