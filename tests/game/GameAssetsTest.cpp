#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/EmbeddedFiles.h"
#include "core/EmbeddedMedia.h"
#include "game/GameAssets.h"

namespace gb {
namespace {

TEST(GameAssets, RegistrationListNamesThirtySevenFilesTwoOfThemTwice) {
    const auto order = assetRegistrationOrder();
    EXPECT_EQ(order.size(), 39u);
    std::set<std::string_view> distinct(order.begin(), order.end());
    EXPECT_EQ(distinct.size(), 37u);
    EXPECT_EQ(order[0], "media/gfx/fruits.png");
    EXPECT_EQ(order[1], "media/gfx/backTile.png");
    EXPECT_EQ(order[2], "media/sfx/bidip.ogg");
}

// Every file of the list is built into the program and registered with its exact bytes.
TEST(GameAssets, EveryBuiltInCatalogueFileIsRegistered) {
    registerGameAssets();
    const auto order = assetRegistrationOrder();
    std::set<std::string_view> catalogue(order.begin(), order.end());

    for (std::string_view path : catalogue) {
        EXPECT_NE(findBuiltInMedia(std::string(path).c_str()), nullptr)
            << "not built into the program: " << path;
    }
    for (const EmbeddedBlob& blob : builtInMedia()) {
        if (!catalogue.contains(blob.path)) {
            continue;
        }

        EXPECT_EQ(embeddedFileData(blob.path), blob.begin) << blob.path;
        EXPECT_EQ(embeddedFileSize(blob.path), blob.end - blob.begin) << blob.path;
    }
}

}  // namespace
}  // namespace gb
