#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <cmath>

#include "core/Console.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "core/Text.h"
#include "tests/support/PlatformSkips.h"

namespace gb {
namespace {

TEST(Text, FloatsKeepNineSignificantDigitsAndTheirPoint) {
    EXPECT_EQ(floatToText(3.0), "3.00000000");
    EXPECT_EQ(floatToText(1000.0), "1000.00000");
    EXPECT_EQ(floatToText(976.0), "976.000000");
    EXPECT_EQ(floatToText(0.5), "0.500000000");
    EXPECT_EQ(floatToText(-1.5), "-1.50000000");
    EXPECT_EQ(floatToText(0.0), "0.00000000");
}

TEST(Text, IntsAreDecimalWithLeadingMinus) {
    EXPECT_EQ(intToText(0), "0");
    EXPECT_EQ(intToText(-42), "-42");
    EXPECT_EQ(intToText(2147483647), "2147483647");
}

TEST(Text, TruncationGoesTowardZeroAndSaturates) {
    EXPECT_EQ(truncToInt(-0.7), 0);
    EXPECT_EQ(truncToInt(2.9), 2);
    EXPECT_EQ(truncToInt(-1.5), -1);
    EXPECT_EQ(truncToInt(1e30), 2147483647);
    EXPECT_EQ(truncToInt(-1e30), -2147483647 - 1);
    EXPECT_EQ(truncToInt(std::nan("")), 0);
}

TEST(Text, RemainderTakesTheSignOfTheDividend) {
    EXPECT_FLOAT_EQ(floatRemainder(-1.0f, 360.0f), -1.0f);
    EXPECT_FLOAT_EQ(floatRemainder(-361.0f, 360.0f), -1.0f);
    EXPECT_NEAR(floatRemainder(0.07f, 0.05f), 0.02f, 1e-6f);
    EXPECT_NEAR(floatRemainder(0.2f, -0.096f), 0.008f, 1e-6f);
}

TEST(Text, ConcatUsesTheGameTextForms) {
    int object = 0;
    const std::string line =
        concatText("Offset to (", 1.5f, ",", -2, ") ", 'x', ObjectText{&object});
    EXPECT_EQ(line.substr(0, 26), "Offset to (1.50000000,-2) ");
    EXPECT_EQ(line[26], 'x');
    EXPECT_EQ(line.size(), 27u + 8u);
}

TEST(DebugLog, SilentChannelNeverFormatsAndSinkReceivesLinesWhenOn) {
    TPlatform platform;
    TPlatformScope installed(platform);
    std::vector<std::string> lines;
    platform.console.debug = [&](std::string_view line) { lines.emplace_back(line); };
    debugLog("quiet ", 1);  // silent until switched on
    EXPECT_TRUE(lines.empty());
    platform.console.debugOn = true;
    debugLog("Key = ", 89);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Key = 89");
}

TEST(Print, LinesGoToTheSinkWhenOneIsInstalled) {
    TPlatform platform;
    TPlatformScope installed(platform);
    std::vector<std::string> lines;
    platform.console.print = [&](std::string_view line) { lines.emplace_back(line); };
    print("Sound initialized.");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Sound initialized.");
}

// Without a sink, each line reaches standard output with a single line feed and is flushed at
// once: the child below ends with _exit, which would drop anything still buffered.
TEST(Print, WritesEachLineToStandardOutputAtOnce) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    std::fflush(stdout);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        TPlatform platform;  // no sink: standard output
        TPlatformScope installed(platform);
        print("Sound initialized.");
        print("Level: 1, Speed: 1000.00000, Score: 0, Lines: 0");
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string output;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(output, "Sound initialized.\nLevel: 1, Speed: 1000.00000, Score: 0, Lines: 0\n");
}

}  // namespace
}  // namespace gb
