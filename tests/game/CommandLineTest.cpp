#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/CommandLine.h"
#include "tests/support/PlatformSkips.h"

namespace gb {
namespace {

using Closer = int (*)(std::FILE*);
using File = std::unique_ptr<std::FILE, Closer>;

File temporaryFile() {
    return File(std::tmpfile(), &std::fclose);
}

std::string contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[512];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, n);
    }
    return text;
}

// Runs the command line "gumbolt ARGS..." and keeps what it wrote on each stream.
struct Outcome {
    std::optional<int> status;
    std::string out;
    std::string err;
};

Outcome run(std::vector<const char*> args) {
    args.insert(args.begin(), "gumbolt");
    File out = temporaryFile();
    File err = temporaryFile();
    Outcome outcome;
    outcome.status =
        CommandLine::answer(static_cast<int>(args.size()), args.data(), out.get(), err.get());
    outcome.out = contents(out.get());
    outcome.err = contents(err.get());
    return outcome;
}

TEST(CommandLine, WithoutArgumentsTheGameStartsAndNothingIsWritten) {
    const Outcome outcome = run({});
    EXPECT_FALSE(outcome.status.has_value());
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "");

    // A program started with an empty argument vector plays too.
    File out = temporaryFile();
    EXPECT_FALSE(CommandLine::answer(0, nullptr, out.get(), out.get()).has_value());
}

TEST(CommandLine, HelpTellsTheKeysTheScoreFileAndTheEnvironment) {
    for (const char* option : {"--help", "-h"}) {
        const Outcome outcome = run({option});
        EXPECT_EQ(outcome.status, 0) << option;
        EXPECT_EQ(outcome.err, "") << option;
        EXPECT_EQ(outcome.out, CommandLine::usage()) << option;
    }
    const std::string usage = CommandLine::usage();
    EXPECT_TRUE(usage.starts_with("Usage: gumbolt"));
    for (const char* needed :
         {"--version", "Esc", "F11", "gb.dat", "XDG_DATA_HOME", "~/.local/share/gumbolt",
          "GUMBOLT_DEBUG", "GUMBOLT_QUIT_AFTER_FRAMES", "SDL_VIDEODRIVER",
          "Gamepads:", "SDL_GAMECONTROLLERCONFIG"}) {
        EXPECT_NE(usage.find(needed), std::string::npos) << "the usage does not mention " << needed;
    }
    // It fits a terminal of 80 columns.
    std::size_t lineStart = 0;
    for (std::size_t end; (end = usage.find('\n', lineStart)) != std::string::npos;
         lineStart = end + 1) {
        EXPECT_LE(end - lineStart, 80u) << usage.substr(lineStart, end - lineStart);
    }
}

// The first line is what scripts read (gumbolt and the version); the licence follows.
TEST(CommandLine, VersionPrintsTheVersionThenTheLicence) {
    const Outcome outcome = run({"--version"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, CommandLine::versionLine());
    const std::string first = outcome.out.substr(0, outcome.out.find('\n'));
    EXPECT_TRUE(first.starts_with("gumbolt ") && first.size() > 8 &&
                first.find_first_not_of("0123456789.", 8) == std::string::npos)
        << first;
    EXPECT_TRUE(outcome.out.ends_with('\n')) << outcome.out;
    for (const char* needed :
         {"Copyright (C) ", "The Gumbolt developers", "GPL-3.0-or-later", "NO WARRANTY"}) {
        EXPECT_NE(outcome.out.find(needed), std::string::npos) << "no " << needed;
    }
    EXPECT_EQ(outcome.out.find("reserved"), std::string::npos) << outcome.out;
    std::size_t lineStart = 0;
    for (std::size_t end; (end = outcome.out.find('\n', lineStart)) != std::string::npos;
         lineStart = end + 1) {
        EXPECT_LE(end - lineStart, 80u) << outcome.out.substr(lineStart, end - lineStart);
    }
}

// Anything else is a usage error: the reason and the usage on standard error, status 2,
// nothing on standard output and no game.
TEST(CommandLine, UnknownOptionsAndStrayArgumentsAreUsageErrors) {
    struct Case {
        std::vector<const char*> args;
        std::string firstLine;
    };
    const std::vector<Case> cases = {
        {{"--bogus"}, "gumbolt: unknown option '--bogus'"},
        {{"-v"}, "gumbolt: unknown option '-v'"},
        {{"--help=yes"}, "gumbolt: unknown option '--help=yes'"},
        {{"-"}, "gumbolt: unknown option '-'"},
        {{"scores.dat"}, "gumbolt: unexpected argument 'scores.dat'"},
        {{""}, "gumbolt: unexpected argument ''"},
        {{"--help", "--version"}, "gumbolt: --help and --version take no other argument"},
        {{"--version", "extra"}, "gumbolt: --help and --version take no other argument"},
        {{"--windowed", "--help"}, "gumbolt: --help and --version take no other argument"},
        {{"--level"}, "gumbolt: --level needs a number from 1 to 9"},
        {{"--level", "0"}, "gumbolt: --level takes a number from 1 to 9, not '0'"},
        {{"--level", "10"}, "gumbolt: --level takes a number from 1 to 9, not '10'"},
        {{"--level=x"}, "gumbolt: --level takes a number from 1 to 9, not 'x'"},
        {{"--level", "-3"}, "gumbolt: --level takes a number from 1 to 9, not '-3'"},
        {{"--windowed", "--fullscreen"}, "gumbolt: choose one of --windowed and --fullscreen"},
        {{"--windowed", "level"}, "gumbolt: unexpected argument 'level'"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = run(c.args);
        EXPECT_EQ(outcome.status, 2) << c.firstLine;
        EXPECT_EQ(outcome.out, "") << c.firstLine;
        EXPECT_EQ(outcome.err, c.firstLine + "\n" + CommandLine::usage());
    }
}

// An answer that cannot be written is not a success (gumbolt --help >/dev/full).
TEST(CommandLine, AnAnswerThatCannotBeWrittenEndsWithStatusOne) {
    GUMBOLT_SKIP_IN_BROWSER("the browser has no command line, and its /dev/full takes every write");
    File full(std::fopen("/dev/full", "w"), &std::fclose);
    ASSERT_NE(full, nullptr);
    File err = temporaryFile();
    for (const char* option : {"--help", "--version"}) {
        const char* args[] = {"gumbolt", option};
        EXPECT_EQ(CommandLine::answer(2, args, full.get(), err.get()), 1) << option;
        std::clearerr(full.get());
    }
    EXPECT_EQ(contents(err.get()),
              "gumbolt: cannot write to standard output: No space left on device\n"
              "gumbolt: cannot write to standard output: No space left on device\n");
}

// main passes no stream when the program was started with standard output closed (gumbolt
// --help >&-): that is an answer that cannot be written too.
TEST(CommandLine, AClosedStandardOutputEndsWithStatusOne) {
    for (const char* option : {"--help", "--version"}) {
        File err = temporaryFile();
        const char* args[] = {"gumbolt", option};
        EXPECT_EQ(CommandLine::answer(2, args, nullptr, err.get()), 1) << option;
        EXPECT_EQ(contents(err.get()),
                  "gumbolt: cannot write to standard output: Bad file descriptor\n");
    }
    // Without an option there is nothing to answer: the game starts.
    EXPECT_EQ(CommandLine::answer(1, std::vector<const char*>{"gumbolt"}.data(), nullptr,
                                  temporaryFile().get()),
              std::nullopt);
}

}  // namespace
}  // namespace gb

namespace gb {
namespace {

// --windowed, --fullscreen and --level choose for the run and start the game.
TEST(CommandLine, WindowAndLevelOptionsAreHandedToTheGame) {
    struct Case {
        std::vector<const char*> args;
        std::optional<bool> fullscreen;
        int level;
    };
    const std::vector<Case> cases = {
        {{}, std::nullopt, 0},
        {{"--windowed"}, false, 0},
        {{"--fullscreen", "--level", "9"}, true, 9},
        {{"--level=1", "--windowed", "--windowed"}, false, 1},
        {{"--level", "4", "--level", "2"}, std::nullopt, 2},
    };
    for (const Case& c : cases) {
        std::vector<const char*> args = c.args;
        args.insert(args.begin(), "gumbolt");
        CommandLine::Choices choices;
        choices.level = -1;
        File out = temporaryFile();
        EXPECT_FALSE(CommandLine::answer(static_cast<int>(args.size()), args.data(), out.get(),
                                         out.get(), &choices)
                         .has_value());
        EXPECT_EQ(choices.fullscreen, c.fullscreen) << args.size();
        EXPECT_EQ(choices.level, c.level) << args.size();
        EXPECT_EQ(contents(out.get()), "");
    }
}

}  // namespace
}  // namespace gb
