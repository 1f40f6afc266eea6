#pragma once

#include <gtest/gtest.h>

#include <grp.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/Console.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "hiscores/THiScoreTable.h"

namespace gb::test {

namespace fs = std::filesystem;

// A fresh directory per test, removed afterwards.
class TempDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("gumbolt-hiscores-" + std::to_string(::getpid()) + "-" +
                                           info->test_suite_name() + "-" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        platform.console.print = [this](std::string_view line) { printed.emplace_back(line); };
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir, ignored);
    }
    std::string path(const std::string& name = "gb.dat") const { return (dir / name).string(); }

    TPlatform platform;
    TPlatformScope installed{platform};
    fs::path dir;
    std::vector<std::string> printed;
};

// One file record written out by hand: 8 name bytes as given (padded with spaces), then the
// score least significant byte first.
inline std::string record(std::string name, std::int32_t score) {
    name.resize(8, ' ');
    const auto v = static_cast<std::uint32_t>(score);
    for (int shift = 0; shift < 32; shift += 8) {
        name.push_back(static_cast<char>(static_cast<unsigned char>(v >> shift)));
    }
    return name;
}

inline void writeBytes(const std::string& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

using Entries = std::vector<std::pair<std::string, std::int32_t>>;

// The table's entries, best first, walked the way the high-score screen walks them.
inline Entries entriesOf(const THiScoreTable& table) {
    Entries out;
    for (auto* link = table.firstLink(); link != nullptr; link = link->nextLink()) {
        out.emplace_back(link->value()->name, link->value()->score);
    }
    return out;
}

// A game that ended with this name and score, handed to the table as the game does.
inline void finishGame(THiScoreTable& table, const std::string& name, std::int32_t score) {
    THiScore player;
    player.setName(name);
    player.score = score;
    table.addPlayer(player);
}

inline std::string padded(const std::string& name) {
    std::string out = name;
    out.resize(8, ' ');
    return out;
}

// The user and group a test gives files to when it runs as root: "nobody" on Debian.
constexpr uid_t kOtherUser = 65534;
constexpr gid_t kOtherGroup = 65534;

inline bool runningAsRoot() {
    return ::geteuid() == 0;
}

// Gives a file to the user the unprivileged child below runs as (nothing to do when the tests
// do not run as root: the child is then this user already).
inline void giveToChild(const fs::path& file) {
    if (runningAsRoot()) {
        ASSERT_EQ(::chown(file.c_str(), kOtherUser, kOtherGroup), 0) << file;
    }
}

// Starts body in a child process. As root the child first becomes an ordinary user
// ("nobody") unless privileged is asked for, so that permission bits stop it as they stop a
// player; otherwise it runs as this user. The child ends with _exit, so nothing of this
// process's own ending runs twice.
inline pid_t startInChild(const std::function<int()>& body, bool unprivileged = true) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (unprivileged && runningAsRoot()) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kOtherGroup) != 0 ||
                ::setuid(kOtherUser) != 0) {
                ::_exit(120);
            }
        }
        ::_exit(body());
    }
    return pid;
}

// The exit status of a child started above, or 128 plus the signal that ended it.
inline int waitForChild(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs body in a child process (see startInChild) and returns how it ended.
inline int inChild(const std::function<int()>& body, bool unprivileged = true) {
    return waitForChild(startInChild(body, unprivileged));
}

// One-way word between two processes: one says it (once), the other waits until it is said.
class Cue {
  public:
    Cue() {
        if (::pipe(fds_) != 0) {
            fds_[0] = fds_[1] = -1;
        }
    }
    ~Cue() {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    Cue(const Cue&) = delete;
    Cue& operator=(const Cue&) = delete;

    void give() const { [[maybe_unused]] const ssize_t ignored = ::write(fds_[1], "!", 1); }
    // False when the word does not come within 30 s (the other process failed).
    bool await() const {
        pollfd ready{fds_[0], POLLIN, 0};
        char word = 0;
        return ::poll(&ready, 1, 30000) == 1 && ::read(fds_[0], &word, 1) == 1;
    }

  private:
    int fds_[2];
};

}  // namespace gb::test
