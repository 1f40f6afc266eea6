// What main checks before SDL starts: numbers from the environment, the gamepad mapping file
// SDL would read, and termination signals during the start.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "core/ShutdownSignals.h"
#include "game/ControllerMappingFile.h"
#include "game/EnvironmentNumbers.h"
#include "game/StartUpSignals.h"
#include "tests/support/PlatformSkips.h"

namespace gb {
namespace {

namespace fs = std::filesystem;

// What a function wrote to a stream, through a temporary file.
class Captured {
  public:
    Captured() : file_(std::tmpfile(), &std::fclose) {}
    std::FILE* get() const { return file_.get(); }
    std::string text() const {
        std::fflush(file_.get());
        std::rewind(file_.get());
        std::string out;
        char buffer[512];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file_.get())) > 0) {
            out.append(buffer, n);
        }
        return out;
    }

  private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
};

TEST(EnvironmentNumbers, OnlyTheWholeTextAsACountFromOneToIntMaxIsACount) {
    EXPECT_EQ(parseCount("1"), 1);
    EXPECT_EQ(parseCount("40"), 40);
    EXPECT_EQ(parseCount("007"), 7);
    EXPECT_EQ(parseCount("2147483647"), INT_MAX);
    for (const char* refused : {"", "abc", "-1", "0", "000", "0x10", "2147483648",
                                "99999999999999999999", "10abc", "1e3", " 5", "5 ", "+5", "4.0"}) {
        EXPECT_EQ(parseCount(refused), std::nullopt) << '"' << refused << '"';
    }
}

TEST(EnvironmentNumbers, AValueThatIsNoCountIsIgnoredWithOneLine) {
    constexpr const char* kName = "GUMBOLT_TEST_COUNT";
    Captured err;
    ::unsetenv(kName);
    EXPECT_EQ(countFromEnvironment(kName, err.get()), std::nullopt);
    ::setenv(kName, "", 1);
    EXPECT_EQ(countFromEnvironment(kName, err.get()), std::nullopt);
    ::setenv(kName, "25", 1);
    EXPECT_EQ(countFromEnvironment(kName, err.get()), 25);
    EXPECT_EQ(err.text(), "");

    // The value is shown within the one line, however long or strange it is.
    ::setenv(kName, "10abc", 1);
    EXPECT_EQ(countFromEnvironment(kName, err.get()), std::nullopt);
    ::setenv(kName, ("1\n2" + std::string(50, '9')).c_str(), 1);
    EXPECT_EQ(countFromEnvironment(kName, err.get()), std::nullopt);
    ::unsetenv(kName);
    EXPECT_EQ(err.text(),
              "gumbolt: ignoring GUMBOLT_TEST_COUNT=10abc: not a whole number from 1 to "
              "2147483647\n"
              "gumbolt: ignoring GUMBOLT_TEST_COUNT=1?29999999999999999999999999999999999999...: "
              "not a whole number from 1 to 2147483647\n");
}

class MappingFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("gumbolt-mappings-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        ::unsetenv("SDL_GAMECONTROLLERCONFIG_FILE");
        fs::remove_all(dir);
    }
    std::string path(const char* name) const { return (dir / name).string(); }

    // A file of n mapping lines of the given length each (newline included, at least 60).
    std::string mappingLines(const char* name, std::size_t n, std::size_t length = 60) const {
        std::ofstream out(path(name));
        for (std::size_t i = 0; i < n; ++i) {
            char guid[40];
            std::snprintf(guid, sizeof guid, "03000000%024zx", i);
            std::string line = std::string(guid) + ",Pad,a:b0,platform:Linux,";
            line.resize(length - 1, ' ');
            out << line << '\n';
        }
        return path(name);
    }

    fs::path dir;
};

TEST_F(MappingFileTest, OnlyARegularFileWithinTheBoundsIsLeftForSdl) {
    // The largest accepted: exactly the most lines, and exactly the most bytes.
    EXPECT_EQ(reasonToSkipMappingFile(mappingLines("lines.txt", kMaxMappingFileLines)), "");
    EXPECT_EQ(reasonToSkipMappingFile(
                  mappingLines("bytes.txt", kMaxMappingFileBytes / 128, std::size_t{128})),
              "");
    EXPECT_EQ(fs::file_size(path("bytes.txt")), kMaxMappingFileBytes);
    // A link to a good file is good.
    fs::create_symlink("lines.txt", path("link.txt"));
    EXPECT_EQ(reasonToSkipMappingFile(path("link.txt")), "");

    EXPECT_EQ(reasonToSkipMappingFile(mappingLines("more-lines.txt", kMaxMappingFileLines + 1)),
              "it has more than 10000 lines, more than any list of mappings");
    std::ofstream(path("one-more-byte.txt")) << std::string(kMaxMappingFileBytes, 'x') << '\n';
    EXPECT_EQ(reasonToSkipMappingFile(path("one-more-byte.txt")),
              "it is larger than 1024 KiB, more than any list of mappings");
    EXPECT_EQ(reasonToSkipMappingFile(path("missing.txt")), std::strerror(ENOENT));
    EXPECT_EQ(reasonToSkipMappingFile(dir.string()), "not a regular file");
}

TEST_F(MappingFileTest, AHugeFileOrAFifoIsSkippedWithoutReadingOrWaiting) {
    GUMBOLT_SKIP_IN_BROWSER("a browser's files have no FIFOs");
    // 4 GB, nearly all of it a hole, and a FIFO nobody writes to: neither is read nor waited
    // for (the alarm turns a wait into a failure).
    const std::string huge = path("huge.txt");
    {
        const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t{4} << 30), 0);
        ::close(fd);
    }
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0644), 0);
    ::alarm(30);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(reasonToSkipMappingFile(huge),
              "it is larger than 1024 KiB, more than any list of mappings");
    EXPECT_EQ(reasonToSkipMappingFile(path("fifo")), "not a regular file");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

    // Skipped: SDL will not see it, and one line says why. A good file stays for SDL.
    Captured err;
    ::setenv("SDL_GAMECONTROLLERCONFIG_FILE", path("fifo").c_str(), 1);
    vetControllerMappingFile(err.get());
    ::alarm(0);
    EXPECT_EQ(std::getenv("SDL_GAMECONTROLLERCONFIG_FILE"), nullptr);
    EXPECT_EQ(err.text(), "gumbolt: not reading the gamepad mappings in " + path("fifo") +
                              " (SDL_GAMECONTROLLERCONFIG_FILE): not a regular file\n");
    const std::string good = mappingLines("good.txt", 3);
    ::setenv("SDL_GAMECONTROLLERCONFIG_FILE", good.c_str(), 1);
    vetControllerMappingFile(err.get());
    EXPECT_STREQ(std::getenv("SDL_GAMECONTROLLERCONFIG_FILE"), good.c_str());
    const std::string said = err.text();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
}

// How a child that takes a signal after setting up the handlers ends: its exit status, or
// 128 plus the signal that ended it.
int endingAfterSignal(bool loopHandlers) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        endStartUpOnSignals();
        if (loopHandlers) {
            installShutdownSignals();
        }
        ::raise(SIGTERM);
        // The loop's handler only asks the loop to end: the child goes on to say so.
        ::_exit(shutdownSignalled() ? 7 : 8);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(StartUpSignals, ASignalDuringTheStartEndsTheProcessAtOnceAndLaterOnlyAsksTheLoopToEnd) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    EXPECT_EQ(endingAfterSignal(false), 0);
    EXPECT_EQ(endingAfterSignal(true), 7);
}

}  // namespace
}  // namespace gb
