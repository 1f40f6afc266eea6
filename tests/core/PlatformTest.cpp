#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/Clock.h"
#include "core/EmbeddedFiles.h"
#include "core/Random.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "tests/support/PlatformSkips.h"

namespace gb {
namespace {

// A device, or a service's state, that writes down when it goes.
struct Probe {
    Probe(std::string probeName, std::vector<std::string>& into)
        : name(std::move(probeName)), log(into) {}
    ~Probe() { log.push_back(name); }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    std::string name;
    std::vector<std::string>& log;
};

// The state of a service that counts how often it was asked for.
struct Counter {
    int value = 0;
};
struct OtherCounter {
    int value = 0;
};

// A device that asks for a state while it goes, as a device that writes to the keyboard or
// the console on its way out would.
struct LastWords {
    LastWords(TPlatform& platform, std::vector<std::string>& into) : owner(platform), log(into) {}
    ~LastWords() {
        log.push_back(owner.state<Counter>().value == 0 ? "last words to a new state"
                                                        : "last words to the old state");
    }
    LastWords(const LastWords&) = delete;
    LastWords& operator=(const LastWords&) = delete;
    TPlatform& owner;
    std::vector<std::string>& log;
};

TEST(Platform, DevicesAndStatesGoInReverseOrderOfMaking) {
    std::vector<std::string> log;
    {
        TPlatform platform;
        platform.make<Probe>("display", log);
        platform.make<LastWords>(platform, log);
        platform.state<Counter>().value = 1;
        platform.make<Probe>("sound", log);
        platform.make<Probe>("events", log);
    }
    // The state made after the device went before it; the device, asking for it on its way
    // out, got a new one rather than the one already gone.
    EXPECT_EQ(
        log, (std::vector<std::string>{"events", "sound", "last words to a new state", "display"}));
}

TEST(Platform, EachKindOfStateIsMadeOnceAtTheFirstAsking) {
    TPlatform platform;
    Counter& counter = platform.state<Counter>();
    counter.value = 7;
    EXPECT_EQ(&platform.state<Counter>(), &counter);
    EXPECT_EQ(platform.state<OtherCounter>().value, 0);
    EXPECT_EQ(platform.state<Counter>().value, 7);
    TPlatform another;
    EXPECT_EQ(another.state<Counter>().value, 0);
}

TEST(Platform, AScopeInstallsAPlatformAndPutsThePreviousOneBack) {
    TPlatform& outer = platform();  // the test program's own
    TPlatform first;
    TPlatform second;
    {
        TPlatformScope installedFirst(first);
        EXPECT_EQ(&platform(), &first);
        {
            TPlatformScope installedSecond(second);
            EXPECT_EQ(&platform(), &second);
        }
        EXPECT_EQ(&platform(), &first);
    }
    EXPECT_EQ(&platform(), &outer);
}

// What one platform's services remember stays with it: a test's seed, files, clock and the
// state of the services above never reach the next test's platform.
TEST(Platform, EachPlatformKeepsItsOwnState) {
    static const unsigned char bytes[] = {1, 2, 3};
    TPlatform first;
    {
        TPlatformScope installed(first);
        first.clock = [] { return 4242; };
        seedRnd(99);
        registerEmbeddedFile("media/gfx/only-here.png", bytes, sizeof bytes);
        platform().state<Counter>().value = 3;
        EXPECT_EQ(milliSecs(), 4242);
    }
    TPlatform second;
    TPlatformScope installed(second);
    EXPECT_EQ(rndState(), 0x1234);
    EXPECT_EQ(embeddedFileData("media/gfx/only-here.png"), nullptr);
    EXPECT_EQ(platform().state<Counter>().value, 0);
    EXPECT_EQ(first.randomState, 99);
    EXPECT_EQ(first.state<Counter>().value, 3);
}

TEST(Platform, UsingTheServicesWithNoPlatformInstalledIsAProgramFault) {
    GUMBOLT_EXPECT_EXIT(
        {
            detail::installedPlatform = nullptr;
            milliSecs();
        },
        ::testing::ExitedWithCode(255), "No platform is installed");
}

}  // namespace
}  // namespace gb
