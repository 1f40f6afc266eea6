#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "services/Clock.h"
#include "services/EmbeddedFiles.h"
#include "services/Graphics.h"
#include "services/Random.h"
#include "services/TKeyboard.h"
#include "services/TPlatform.h"
#include "services/TPlatformScope.h"
#include "tests/support/PlatformSkips.h"

namespace gb {
namespace {

// A device that writes down when it goes, and whether the platform's pictures were already
// gone by then.
struct Probe {
    Probe(std::string probeName, std::vector<std::string>& into, std::weak_ptr<TImage> watched)
        : name(std::move(probeName)), log(into), picture(std::move(watched)) {}
    ~Probe() { log.push_back(name + (picture.expired() ? "" : " (pictures still there)")); }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    std::string name;
    std::vector<std::string>& log;
    std::weak_ptr<TImage> picture;
};

TEST(Platform, DevicesGoInReverseOrderOfMakingAfterThePictures) {
    std::vector<std::string> log;
    {
        TPlatform platform;
        platform.blockImage = std::make_shared<TImage>();
        platform.fruitSheet = {std::make_shared<TImage>(), true};
        const std::weak_ptr<TImage> blocks = platform.blockImage;
        const std::weak_ptr<TImage> fruit = platform.fruitSheet.image;
        platform.make<Probe>("display", log, blocks);
        platform.make<Probe>("sound", log, fruit);
        platform.make<Probe>("events", log, blocks);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"events", "sound", "display"}));
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

// What one platform's services remember stays with it: a test's keys, seed, files, clock and
// drawing state never reach the next test's platform.
TEST(Platform, EachPlatformKeepsItsOwnState) {
    static const unsigned char bytes[] = {1, 2, 3};
    TPlatform first;
    {
        TPlatformScope installed(first);
        first.clock = [] { return 4242; };
        keyboard().keyPressed(key::left);
        keyboard().charTyped('a');
        seedRnd(99);
        registerEmbeddedFile("media/gfx/only-here.png", bytes, sizeof bytes);
        setColor(1, 2, 3);
        EXPECT_EQ(milliSecs(), 4242);
    }
    TPlatform second;
    TPlatformScope installed(second);
    EXPECT_FALSE(keyDown(key::left));
    EXPECT_EQ(getChar(), 0);
    EXPECT_EQ(rndState(), 0x1234);
    EXPECT_EQ(embeddedFileData("media/gfx/only-here.png"), nullptr);
    EXPECT_EQ(drawState().red, 255);
    EXPECT_EQ(first.randomState, 99);
    EXPECT_EQ(first.keyboard.takeChar(), 'a');
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
