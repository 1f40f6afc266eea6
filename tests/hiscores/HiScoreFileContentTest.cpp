#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

#include "hiscores/THiScoreTable.h"
#include "tests/hiscores/HiScoreTestSupport.h"

namespace gb::test {
namespace {

using HiScoreFileContentTest = TempDirTest;

// What a table loaded from these bytes must hold: every record read (a trailing partial one
// with zeros for its missing bytes), a stable sort by descending score, the best kept.
Entries expectedTable(const std::string& bytes, int maxScores) {
    Entries all;
    for (std::size_t at = 0; at < bytes.size(); at += 12) {
        std::string rec = bytes.substr(at, 12);
        rec.resize(12, '\0');
        std::uint32_t score = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            score |= static_cast<std::uint32_t>(static_cast<unsigned char>(rec[8 + i])) << (8 * i);
        }
        all.emplace_back(rec.substr(0, 8), static_cast<std::int32_t>(score));
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    all.resize(std::min<std::size_t>(all.size(), static_cast<std::size_t>(std::max(maxScores, 0))));
    return all;
}

// Bytes that look like a high-score file often enough to reach every rule: random garbage,
// whole records with few distinct scores (ties) or extreme ones, any length.
std::string randomFileBytes(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> percent(0, 99);
    const std::size_t length =
        percent(rng) < 90 ? std::uniform_int_distribution<std::size_t>(0, 12 * 12 + 11)(rng)
                          : std::uniform_int_distribution<std::size_t>(0, 12 * 300)(rng);
    std::string bytes;
    if (percent(rng) < 25) {
        for (std::size_t i = 0; i < length; ++i) {
            bytes.push_back(static_cast<char>(byte(rng)));
        }
        return bytes;
    }
    constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kHighest = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kScores[] = {0, 1, -1, 100, 100, 250, 1000, kLowest, kHighest};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kScores) - 1);
    while (bytes.size() < length) {
        std::string name;
        for (int i = 0; i < 8; ++i) {
            name.push_back(static_cast<char>(byte(rng)));
        }
        const std::int32_t score =
            percent(rng) < 70 ? kScores[pick(rng)] : static_cast<std::int32_t>(rng());
        bytes += record(name, score);
    }
    bytes.resize(length);
    return bytes;
}

TEST_F(HiScoreFileContentTest, RandomFilesLoadIntoASortedTrimmedTable) {
    std::mt19937 rng(20261208);
    constexpr int kFiles = 3000;
    for (int file = 0; file < kFiles; ++file) {
        const std::string bytes = randomFileBytes(rng);
        const int maxScores = file % 4 == 0 ? static_cast<int>(rng() % 8) : 5;
        fs::remove(path());  // a rewrite in place would be flushed to disk on close
        writeBytes(path(), bytes);
        auto table = THiScoreTable::create(path(), maxScores);
        const Entries loaded = entriesOf(*table);
        SCOPED_TRACE("file " + std::to_string(file) + ", " + std::to_string(bytes.size()) +
                     " bytes, maxScores " + std::to_string(maxScores));

        ASSERT_LE(loaded.size(), static_cast<std::size_t>(maxScores));
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            ASSERT_EQ(loaded[i].first.size(), 8u);
            if (i > 0) {
                ASSERT_GE(loaded[i - 1].second, loaded[i].second);
            }
        }
        ASSERT_EQ(loaded, expectedTable(bytes, maxScores));

        // The table sorts the same way on its own; a save with nothing added leaves the file.
        const std::string before = table->toString();
        table->sortAndTrim();
        ASSERT_EQ(table->toString(), before);
        ASSERT_TRUE(table->save());
        ASSERT_EQ(readBytes(path()), bytes);
    }
    EXPECT_TRUE(printed.empty());
}

}  // namespace
}  // namespace gb::test
