// The kept settings: their text, each kind of wrong line, where the file is and how it is
// written (or, after a failed read, not).

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "game/KeyNames.h"
#include "game/TSettings.h"
#include "game/TSettingsFile.h"
#include "services/TKeyboard.h"

namespace gb {
namespace {

using Command = TSettings::Command;

TSettings changedSettings() {
    TSettings settings;
    settings.volume = 40;
    settings.music = false;
    settings.track = 5;
    settings.startLevel = 7;
    settings.landingShadow = true;
    settings.fullscreen = false;
    settings.keys = {'A', 'D', 'S', key::space, 101 /* keypad 5 */, 112 /* F1 */, key::enter};
    return settings;
}

TEST(Settings, TheTextReadsBackAsTheSameSettings) {
    for (const TSettings& settings : {TSettings(), changedSettings()}) {
        std::vector<std::string> reports;
        EXPECT_EQ(TSettings::fromText(settings.toText(), "f", reports), settings);
        EXPECT_TRUE(reports.empty()) << reports.front();
    }
    // Every named key survives its name.
    for (int code = 1; code < 256; ++code) {
        if (!keyName(code).empty()) {
            EXPECT_EQ(keyFromName(keyName(code)), code) << keyName(code);
        }
    }
    // A person's spelling: other case, spaces, comments, blank lines, Windows line ends.
    std::vector<std::string> reports;
    const TSettings read = TSettings::fromText(
        "# mine\n\n  volume=7  \r\nturn-left = keypad5\nDROP = x\ndrop = page up\n", "f", reports);
    EXPECT_EQ(read.volume, 7);
    EXPECT_EQ(read.keyOf(Command::turnLeft), 101);
    EXPECT_EQ(read.keyOf(Command::drop), 33);
    ASSERT_EQ(reports.size(), 1u);  // names are exact: DROP is not drop
    EXPECT_EQ(reports[0], "f:5: unknown setting 'DROP'");
}

// One report per wrong line, naming the file and the line; that setting keeps its default and
// every good line is kept.
TEST(Settings, EachWrongLineIsReportedOnceAndFallsBackToTheDefault) {
    const std::string text =
        "volume = 300\n"      // 1: out of range
        "music = yes\n"       // 2: not on/off
        "track = 3\n"         // 3: good
        "level = 0\n"         // 4: out of range
        "shadow = on\n"       // 5: good
        "screen = big\n"      // 6: bad
        "colour = pink\n"     // 7: unknown name
        "left = A\n"          // 8: good
        "right = A\n"         // 9: A is bound twice
        "down = Nowhere\n"    // 10: no such key
        "pause = M\n"         // 11: the music key
        "track = 4\n"         // 12: set twice
        "just some words\n"   // 13: not a setting
        "turn-right = F11\n"  // 14: the game's own
        "drop = Space\n"      // 15: good
        "volume = 12abc\n";   // 16: the first volume line was wrong: still not a number
    std::vector<std::string> reports;
    const TSettings read = TSettings::fromText(text, "/cfg/settings", reports);
    const std::set<int> badLines = {1, 2, 4, 6, 7, 9, 10, 11, 12, 13, 14, 16};
    ASSERT_EQ(reports.size(), badLines.size());
    auto report = reports.begin();
    for (const int line : badLines) {
        EXPECT_TRUE(report->starts_with("/cfg/settings:" + std::to_string(line) + ": ")) << *report;
        EXPECT_EQ(report->find('\n'), std::string::npos);
        ++report;
    }
    const TSettings defaults;
    EXPECT_EQ(read.volume, defaults.volume);
    EXPECT_EQ(read.music, defaults.music);
    EXPECT_EQ(read.track, 2);
    EXPECT_EQ(read.startLevel, defaults.startLevel);
    EXPECT_TRUE(read.landingShadow);
    EXPECT_EQ(read.fullscreen, defaults.fullscreen);
    EXPECT_EQ(read.keyOf(Command::left), 'A');
    EXPECT_EQ(read.keyOf(Command::right), defaults.keyOf(Command::right));
    EXPECT_EQ(read.keyOf(Command::down), defaults.keyOf(Command::down));
    EXPECT_EQ(read.keyOf(Command::pause), defaults.keyOf(Command::pause));
    EXPECT_EQ(read.keyOf(Command::turnRight), defaults.keyOf(Command::turnRight));
    EXPECT_EQ(read.keyOf(Command::drop), key::space);
}

// A key given to one command leaves the command whose default it was with a free key: no
// key ever does two things.
TEST(Settings, AKeyMovedToAnotherCommandLeavesNoTwoCommandsSharingOne) {
    for (const char* text : {"left = Z\n", "left = Z\nturn-left = Left\n", "pause = Up\ndrop = P\n",
                             "left = Z\nright = X\ndown = P\ndrop = Left\n"}) {
        std::vector<std::string> reports;
        const TSettings read = TSettings::fromText(text, "f", reports);
        EXPECT_TRUE(reports.empty()) << text;
        const std::set<int> distinct(read.keys.begin(), read.keys.end());
        EXPECT_EQ(distinct.size(), read.keys.size()) << text;
    }
}

TEST(Settings, TheFileIsUnderXdgConfigHomeWhenItIsAnAbsolutePath) {
    EXPECT_EQ(TSettingsFile::pathFor("/x/conf", "/home/a"), "/x/conf/gumbolt/settings");
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "conf", "./conf"}) {
        EXPECT_EQ(TSettingsFile::pathFor(ignored, "/home/a"), "/home/a/.config/gumbolt/settings")
            << (ignored ? ignored : "unset");
    }
    EXPECT_EQ(TSettingsFile::pathFor(nullptr, nullptr), "");
    EXPECT_EQ(TSettingsFile::pathFor("", "home"), "");
}

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("gumbolt-settings-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        path = (dir / "conf" / "gumbolt" / "settings").string();
        err.reset(std::tmpfile());
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    std::string errText() const {
        std::fflush(err.get());
        std::rewind(err.get());
        std::string text;
        for (int ch; (ch = std::fgetc(err.get())) != EOF;) {
            text.push_back(static_cast<char>(ch));
        }
        return text;
    }

    static std::string contents(const std::string& file) {
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path dir;
    std::string path;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> err{nullptr, &std::fclose};
};

// No file: the defaults, and nothing is written until a setting changes; then the directory
// is made and the next start reads the same settings back.
TEST_F(SettingsFile, AMissingFileIsTheDefaultsAndAChangeIsWrittenWithItsDirectory) {
    TSettingsFile file(path);
    EXPECT_EQ(file.load(err.get()), TSettings());
    EXPECT_TRUE(file.save(TSettings(), err.get()));
    EXPECT_FALSE(std::filesystem::exists(dir));

    ASSERT_TRUE(file.save(changedSettings(), err.get()));
    EXPECT_EQ(contents(path), changedSettings().toText());
    TSettingsFile again(path);
    EXPECT_EQ(again.load(err.get()), changedSettings());
    EXPECT_EQ(errText(), "");
}

// A file with wrong lines is reported line by line but not rewritten while nothing changes.
TEST_F(SettingsFile, WrongLinesAreReportedAndTheFileIsLeftUntilASettingChanges) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::string text = "volume = 99\nsize = 3\nlevel = ten\n";
    std::ofstream(path) << text;
    TSettingsFile file(path);
    TSettings settings = file.load(err.get());
    EXPECT_EQ(settings.volume, 99);
    EXPECT_EQ(errText(), "gumbolt: " + path + ":2: unknown setting 'size'\ngumbolt: " + path +
                             ":3: bad value 'ten' for level (1 to 9); using the default\n");
    EXPECT_TRUE(file.save(settings, err.get()));
    EXPECT_EQ(contents(path), text);
    settings.volume = 100;
    EXPECT_TRUE(file.save(settings, err.get()));
    EXPECT_EQ(TSettingsFile(path).load(err.get()), settings);
}

// A file that is there but cannot be read is said once and never written over, whatever
// changes during the run.
TEST_F(SettingsFile, AFileThatCannotBeReadIsNeverOverwritten) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    // Something the reader refuses for anyone: a directory where the file should be.
    std::filesystem::create_directory(path);
    TSettingsFile blocked(path);
    EXPECT_EQ(blocked.load(err.get()), TSettings());
    EXPECT_FALSE(blocked.writable());
    EXPECT_TRUE(blocked.save(changedSettings(), err.get()));
    const std::string said = errText();
    EXPECT_TRUE(said.starts_with("gumbolt: cannot read the settings in " + path)) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_TRUE(std::filesystem::is_directory(path));

    // A regular file without read permission, where permissions bind (not for root).
    if (::geteuid() != 0) {
        std::filesystem::remove(path);
        std::ofstream(path) << "volume = 5\n";
        ::chmod(path.c_str(), 0200);
        TSettingsFile unreadable(path);
        EXPECT_EQ(unreadable.load(err.get()), TSettings());
        EXPECT_TRUE(unreadable.save(changedSettings(), err.get()));
        ::chmod(path.c_str(), 0600);
        EXPECT_EQ(contents(path), "volume = 5\n");
    }
}

// A directory that cannot be made is a failure said in one line, not a crash or a success.
TEST_F(SettingsFile, ASaveThatFailsSaysWhy) {
    // A regular file where the directory should be: no one can make the directory, not even
    // root, on any file system.
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "gumbolt") << "not a directory\n";
    const std::string nowhere = (dir / "gumbolt" / "settings").string();
    TSettingsFile file(nowhere);
    EXPECT_FALSE(file.save(changedSettings(), err.get()));
    const std::string said = errText();
    EXPECT_TRUE(said.starts_with("gumbolt: cannot save the settings in " + nowhere)) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

}  // namespace
}  // namespace gb
