#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PngWriter.h"
#include "core/EmbeddedFiles.h"
#include "services/Graphics.h"
#include "tests/sdl/DisplayFixture.h"

namespace gb {
namespace {

using testkit::argb;

// A colour that names picture cell k.
std::uint32_t cellColour(int k) {
    return argb(255, 10 * k, 255 - 10 * k, k);
}

// A picture of cellsAcross x cellsDown cells of 24 x 28 pixels, each filled with the colour of
// its number, plus `extra` pixels of magenta right of the last whole column.
TPixmap numberedPicture(int cellsAcross, int cellsDown, int extra) {
    TPixmap picture(cellsAcross * 24 + extra, cellsDown * 28);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const int column = x / 24;
            picture.writePixel(x, y,
                               column < cellsAcross ? cellColour(y / 28 * cellsAcross + column)
                                                    : argb(255, 255, 0, 255));
        }
    }
    return picture;
}

// Registers PNG bytes under a virtual path; the registry keeps pointers, so they live on.
std::string registerPng(const std::string& name, std::vector<unsigned char> bytes) {
    static std::vector<std::vector<unsigned char>> kept;
    kept.push_back(std::move(bytes));
    const std::string path = "media/gfx/test-" + name + ".png";
    registerEmbeddedFile(path, kept.back().data(), kept.back().size());
    return std::string(kIncbinPrefix) + path;
}

// Every pixel of the frame has the colour of picture cell k.
::testing::AssertionResult frameIsCell(const ImageRef& image, int frame, int k) {
    const TPixmap& cell = image->pixels(frame);
    for (int y = 0; y < cell.height(); ++y) {
        for (int x = 0; x < cell.width(); ++x) {
            if (cell.readPixel(x, y) != cellColour(k)) {
                return ::testing::AssertionFailure()
                       << "frame " << frame << " pixel " << x << ", " << y << " is not cell " << k;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

class ImageTest : public ::testing::Test {
  protected:
    void SetUp() override { autoMidHandle(false); }
    void TearDown() override { autoMidHandle(false); }
};

TEST_F(ImageTest, AnimImageCutsWholeCellsLeftToRightAndRefusesTooFew) {
    // 290 x 28 holds 12 whole 24 x 28 cells; the last two columns are never used.
    const std::string path = registerPng("numbers", testkit::encodePng(numberedPicture(12, 1, 2)));
    ImageRef ten = loadAnimImage(path, 24, 28, 0, 10);
    ASSERT_TRUE(ten);
    EXPECT_EQ(ten->cellCount(), 10);
    EXPECT_EQ(imageWidth(ten), 24);
    EXPECT_EQ(imageHeight(ten), 28);
    for (int n = 0; n < 10; ++n) {
        EXPECT_TRUE(frameIsCell(ten, n, n));
    }
    ImageRef lastTen = loadAnimImage(path, 24, 28, 2, 10);
    ASSERT_TRUE(lastTen);
    EXPECT_TRUE(frameIsCell(lastTen, 9, 11));

    EXPECT_FALSE(loadAnimImage(path, 24, 28, 0, 13));
    EXPECT_FALSE(loadAnimImage(path, 24, 28, 3, 10));
    EXPECT_TRUE(loadAnimImage(path, 24, 28, 0, 12));
}

TEST_F(ImageTest, AnimImageNumbersRowsTopToBottom) {
    const std::string path = registerPng("grid", testkit::encodePng(numberedPicture(3, 2, 0)));
    autoMidHandle(true);
    ImageRef image = loadAnimImage(path, 24, 28, 1, 5);
    ASSERT_TRUE(image);
    EXPECT_TRUE(frameIsCell(image, 2, 3));  // first cell of the second row, at (0, 28)
    EXPECT_TRUE(frameIsCell(image, 4, 5));
    EXPECT_EQ(image->handleX, 12.0f);
    EXPECT_EQ(image->handleY, 14.0f);
}

TEST_F(ImageTest, LoadImageIsOneCellAndMasksOnlyPicturesWithoutAlpha) {
    TPixmap picture(3, 2);
    picture.writePixel(0, 0, argb(255, 0, 0, 0));
    picture.writePixel(1, 0, argb(255, 9, 8, 7));
    picture.writePixel(2, 0, argb(0, 0, 0, 0));
    picture.writePixel(0, 1, argb(128, 50, 60, 70));

    const std::string rgba = registerPng("rgba", testkit::encodePng(picture, true));
    ImageRef withAlpha = loadImage(rgba);
    ASSERT_TRUE(withAlpha);
    EXPECT_EQ(withAlpha->cellCount(), 1);
    EXPECT_EQ(withAlpha->flags, maskedImage | filteredImage);
    EXPECT_EQ(withAlpha->handleX, 0.0f);
    EXPECT_EQ(readPixel(withAlpha->cells[0], 0, 0), argb(255, 0, 0, 0));
    EXPECT_EQ(readPixel(withAlpha->cells[0], 0, 1), argb(128, 50, 60, 70));

    // Without an alpha channel the mask colour (black) becomes transparent, if asked.
    const std::string rgb = registerPng("rgb", testkit::encodePng(picture, false));
    ImageRef masked = loadImage(rgb);
    ASSERT_TRUE(masked);
    EXPECT_EQ(readPixel(masked->cells[0], 0, 0) >> 24, 0u);
    EXPECT_EQ(readPixel(masked->cells[0], 1, 0), argb(255, 9, 8, 7));
    ImageRef unmasked = loadImage(rgb, filteredImage);
    ASSERT_TRUE(unmasked);
    EXPECT_EQ(readPixel(unmasked->cells[0], 0, 0), argb(255, 0, 0, 0));
}

TEST_F(ImageTest, BrokenOrMissingPicturesGiveNoImage) {
    const std::vector<unsigned char> good = testkit::encodePng(numberedPicture(2, 1, 0));
    ASSERT_TRUE(loadImage(registerPng("good", good)));

    std::vector<unsigned char> truncated(
        good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    EXPECT_FALSE(loadImage(registerPng("truncated", truncated)));
    // Damage inside the compressed pixels (past the 8-byte signature and the header chunk).
    std::vector<unsigned char> damaged = good;
    for (std::size_t i = 40; i < damaged.size() - 16; i += 7) {
        damaged[i] ^= 0x5A;
    }
    EXPECT_FALSE(loadAnimImage(registerPng("damaged", damaged), 24, 28, 0, 1));
    EXPECT_FALSE(loadImage(registerPng("garbage", std::vector<unsigned char>(100, 0x42))));
    EXPECT_FALSE(loadImage(registerPng("header-only", {good.begin(), good.begin() + 8})));
    EXPECT_FALSE(loadImage("incbin::media/gfx/never-registered.png"));
    EXPECT_FALSE(loadImage("/nonexistent/directory/picture.png"));
    // Nonsense cell sizes cut nothing.
    EXPECT_FALSE(loadAnimImage(registerPng("good2", good), 0, 28, 0, 1));
    EXPECT_FALSE(loadAnimImage(registerPng("good3", good), 24, 28, -1, 1));
}

}  // namespace
}  // namespace gb
