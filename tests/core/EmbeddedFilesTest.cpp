#include <gtest/gtest.h>

#include "core/EmbeddedFiles.h"

namespace gb {
namespace {

TEST(EmbeddedFiles, FirstRegistrationWinsAndUnknownPathsAreEmpty) {
    static const unsigned char first[] = {1, 2, 3};
    static const unsigned char second[] = {9};
    registerEmbeddedFile("media/gfx/test-first.png", first, sizeof first);
    registerEmbeddedFile("media/gfx/test-first.png", second, sizeof second);
    EXPECT_EQ(embeddedFileData("media/gfx/test-first.png"), first);
    EXPECT_EQ(embeddedFileSize("media/gfx/test-first.png"), 3);
    EXPECT_EQ(embeddedFileData("media/gfx/nothing.png"), nullptr);
    EXPECT_EQ(embeddedFileSize("media/gfx/nothing.png"), 0);
    // Paths are compared exactly: case and separators matter.
    EXPECT_EQ(embeddedFileData("media/gfx/Test-first.png"), nullptr);
    EXPECT_EQ(embeddedFileData("media\\gfx\\test-first.png"), nullptr);
}

}  // namespace
}  // namespace gb
