#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
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
        for (int i = 0; i < 4; ++i) {
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

        // The table sorts the same way on its own, and a save gives the file it came from.
        const std::string before = table->toString();
        table->sortAndTrim();
        ASSERT_EQ(table->toString(), before);
        if (file % 100 == 0) {  // a save flushes to disk: only now and then
            ASSERT_TRUE(table->save());
            ASSERT_EQ(THiScoreTable::create(path(), maxScores)->toString(), before);
        }
    }
    EXPECT_TRUE(printed.empty());
}

// Peak resident memory of this process in kB, as the kernel reports it.
long peakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

TEST_F(HiScoreFileContentTest, AHundredMegabyteFileLoadsInFlatMemory) {
    constexpr off_t kSize = 100 * 1024 * 1024;
    {
        // Mostly a hole of zero bytes (nameless records scoring 0), with a few real records
        // at the start, in the middle and at the very end.
        const int fd = ::open(path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, kSize), 0);
        const std::string start = record("Start", 5) + record("Early", 900);
        const std::string middle = record("Middle", 700) + record("Tie", 700);
        const std::string end = record("Late", 800) + record("Last", 1000);
        const off_t endAt = kSize / 12 * 12 - 24;  // before a 4-byte partial record
        ASSERT_EQ(::pwrite(fd, start.data(), start.size(), 0), 24);
        ASSERT_EQ(::pwrite(fd, middle.data(), middle.size(), kSize / 24 * 12), 24);
        ASSERT_EQ(::pwrite(fd, end.data(), end.size(), endAt), 24);
        ::close(fd);
    }

    // Start the peak from the current size, so earlier tests in this process do not hide it.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = peakResidentKb();
    auto table = THiScoreTable::create(path(), 5);
    const long after = peakResidentKb();
    std::printf("[ memory   ] peak resident before %ld kB, after loading 100 MB %ld kB\n", before,
                after);
    RecordProperty("peak_kb_before", static_cast<int>(before));
    RecordProperty("peak_kb_after", static_cast<int>(after));

    EXPECT_EQ(entriesOf(*table), (Entries{{padded("Last"), 1000},
                                          {padded("Early"), 900},
                                          {padded("Late"), 800},
                                          {padded("Middle"), 700},
                                          {padded("Tie"), 700}}));
    ASSERT_GT(before, 0);
    EXPECT_LT(after - before, 8 * 1024);
}

}  // namespace
}  // namespace gb::test
