// The software display draws again only what changed, and fruit with a blitter of its own; the
// pixels must stay exactly those of SDL's software renderer drawing everything. Each test
// compares it with SDL itself, or with a display drawing the same picture from nothing.

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "sdl/TLightSprite.h"
#include "sdl/TSdlSoftwareDisplay.h"
#include "tests/sdl/DisplayFixture.h"

namespace gb {
namespace {

constexpr int kW = 800;
constexpr int kH = 600;

using Random = std::mt19937;

int between(Random& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}
float betweenF(Random& random, float low, float high) {
    return std::uniform_real_distribution<float>(low, high)(random);
}

SDL_Surface* newSurface(int w, int h) {
    return SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
}

std::uint32_t* pixelAt(SDL_Surface* s, int x, int y) {
    return reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(s->pixels) +
                                            static_cast<std::ptrdiff_t>(y) * s->pitch) +
           x;
}

// A picture of random colours, opaque or with a soft round shape and transparent margins.
SDL_Surface* randomPicture(Random& random, int w, int h, bool shaped) {
    SDL_Surface* s = newSurface(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint32_t alpha = 255;
            if (shaped) {
                const float dx = (static_cast<float>(x) + 0.5f) / static_cast<float>(w) - 0.5f;
                const float dy = (static_cast<float>(y) + 0.5f) / static_cast<float>(h) - 0.5f;
                const float d = 1.0f - 2.6f * std::sqrt(dx * dx + dy * dy);
                alpha = d <= 0.0f   ? 0u
                        : d >= 0.6f ? 255u
                                    : static_cast<std::uint32_t>(d / 0.6f * 255);
            }
            *pixelAt(s, x, y) =
                alpha << 24 | static_cast<std::uint32_t>(between(random, 0, 0xFFFFFF));
        }
    }
    return s;
}

SDL_Texture* textureOf(SDL_Renderer* renderer, SDL_Surface* picture) {
    SDL_Texture* t = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC,
                                       picture->w, picture->h);
    SDL_UpdateTexture(t, nullptr, picture->pixels, picture->pitch);
    return t;
}

// The first pixel where two pictures of the same size differ, as text; empty when none does.
std::string firstDifference(SDL_Surface* a, SDL_Surface* b, std::uint32_t mask = 0xFFFFFFFFu) {
    for (int y = 0; y < a->h; ++y) {
        for (int x = 0; x < a->w; ++x) {
            const std::uint32_t pa = *pixelAt(a, x, y) & mask;
            const std::uint32_t pb = *pixelAt(b, x, y) & mask;
            if (pa != pb) {
                char text[96];
                std::snprintf(text, sizeof text, "(%d, %d): %08x, not %08x", x, y,
                              static_cast<unsigned>(pa), static_cast<unsigned>(pb));
                return text;
            }
        }
    }
    return "";
}

void setClip(SDL_Renderer* renderer, const SDL_Rect* clip) {
    SDL_RenderSetClipRect(renderer, clip);
}

class SoftwareDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(display.open(nullptr, kW, kH, error)) << error;
    }
    TSdlSoftwareDisplay display;
};

// Every way a sprite is drawn (scaled or not, cut by the clip or by the picture's edge, faded,
// tinted, additive or blended) gives SDL's own pixels.
TEST_F(SoftwareDisplay, SpritesDrawExactlyWhatSdlsRendererDraws) {
    Random random(11);
    SDL_Surface* background = randomPicture(random, kW, kH, false);
    SDL_Surface* expected = newSurface(kW, kH);
    SDL_Renderer* sdl = SDL_CreateSoftwareRenderer(expected);
    SDL_Texture* backdrop = textureOf(display.renderer(), background);
    SDL_SetTextureBlendMode(backdrop, SDL_BLENDMODE_NONE);

    for (int round = 0; round < 20; ++round) {
        const int w = between(random, 8, 100);
        const int h = between(random, 8, 100);
        SDL_Surface* picture = randomPicture(random, w, h, true);
        SDL_Texture* reference = textureOf(sdl, picture);
        SDL_SetTextureScaleMode(reference, SDL_ScaleModeNearest);
        TLightSprite sprite(picture);
        for (int i = 0; i < 40; ++i) {
            // Sizes from tiny to larger than the picture, now and then exactly its own.
            float scale = betweenF(random, 0.01f, 1.6f);
            if (i % 10 == 0) {
                scale = 1.0f;
            } else if (i % 10 == 1) {
                scale = 1.0f + 0.5f / static_cast<float>(std::max(w, h));
            }
            SDL_FRect target{betweenF(random, -80.0f, 840.0f), betweenF(random, -80.0f, 640.0f),
                             static_cast<float>(w) * scale, static_cast<float>(h) * scale};
            SDL_Rect clip{between(random, -20, 700), between(random, -20, 500),
                          between(random, 0, 400), between(random, 0, 400)};
            if (i % 3 == 0) {
                // Clipped on every side, inside the picture.
                target.x = betweenF(random, 0.0f, static_cast<float>(kW) - target.w);
                target.y = betweenF(random, 0.0f, static_cast<float>(kH) - target.h);
                const int left = between(random, -3, static_cast<int>(target.w) / 2);
                const int top = between(random, -3, static_cast<int>(target.h) / 2);
                clip = SDL_Rect{static_cast<int>(target.x) + left, static_cast<int>(target.y) + top,
                                static_cast<int>(target.w) - left - between(random, -3, 20),
                                static_cast<int>(target.h) - top - between(random, -3, 20)};
            } else if (i % 3 == 1) {
                clip = SDL_Rect{static_cast<int>(target.x) - 5, static_cast<int>(target.y) - 5,
                                static_cast<int>(target.w) + 10, static_cast<int>(target.h) + 10};
            }
            const bool clipped = i % 7 != 0;
            SDL_Color tint{255, 255, 255,
                           static_cast<Uint8>(i % 4 == 0 ? 255 : between(random, 0, 255))};
            if (i % 9 == 0) {
                tint.g = static_cast<Uint8>(between(random, 0, 255));
            }
            const SDL_BlendMode blend = i % 8 == 0 ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_ADD;

            SDL_BlitSurface(background, nullptr, expected, nullptr);
            SDL_SetTextureColorMod(reference, tint.r, tint.g, tint.b);
            SDL_SetTextureAlphaMod(reference, tint.a);
            SDL_SetTextureBlendMode(reference, blend);
            setClip(sdl, clipped ? &clip : nullptr);
            SDL_RenderCopyF(sdl, reference, nullptr, &target);

            display.clear(0, 0, 0, 255);
            setClip(display.renderer(), nullptr);
            display.copy(nullptr, backdrop, nullptr, SDL_FRect{0, 0, kW, kH});
            setClip(display.renderer(), clipped ? &clip : nullptr);
            display.copySprite(nullptr, sprite, target, tint, blend);
            display.render();
            ASSERT_EQ(firstDifference(display.backBuffer(), expected), "")
                << "picture " << w << " x " << h << " at " << target.x << ", " << target.y
                << " size " << target.w << " x " << target.h << ", clip " << clip.x << ", "
                << clip.y << ", " << clip.w << " x " << clip.h << (clipped ? "" : " (off)")
                << ", alpha " << int{tint.a} << ", blend " << blend;
        }
        SDL_DestroyTexture(reference);
    }
    SDL_DestroyRenderer(sdl);
    SDL_FreeSurface(expected);
    SDL_FreeSurface(background);
}

// A scene that changes a little from frame to frame: things that move, grow, fade, come and
// go, drawn every way the display knows.
class Scene {
  public:
    struct Thing {
        int kind;  // 0 texture copy, 1 scaled copy, 2 sprite, 3 flipped copy, 4 turned quad
        int picture;
        SDL_FRect target;
        SDL_Color tint;
        SDL_BlendMode blend;
        bool clipped;
        SDL_Rect clip;
    };

    // Turned quads are never taken for one another (they are always drawn again).
    Scene(Random& random, bool turnedQuads) : random_(random), turnedQuads_(turnedQuads) {
        for (int i = 0; i < 6; ++i) {
            pictures_.push_back(randomPicture(random_, between(random_, 10, 90),
                                              between(random_, 10, 90), i % 2 == 0));
            sprites_.push_back(std::make_unique<TLightSprite>(randomPicture(
                random_, between(random_, 20, 100), between(random_, 20, 100), true)));
        }
        for (int i = 0; i < 40; ++i) {
            things_.push_back(newThing());
        }
    }
    ~Scene() {
        for (SDL_Surface* p : pictures_) {
            SDL_FreeSurface(p);
        }
    }

    void step() {
        for (Thing& thing : things_) {
            if (between(random_, 0, 9) < 3) {
                thing.target.x += betweenF(random_, -6.0f, 6.0f);
                thing.target.y += betweenF(random_, -6.0f, 6.0f);
            }
            if (thing.kind == 2 && between(random_, 0, 3) == 0) {
                thing.tint.a = static_cast<Uint8>(between(random_, 0, 255));
            }
        }
        if (between(random_, 0, 2) == 0) {
            things_.erase(things_.begin() +
                          between(random_, 0, static_cast<int>(things_.size()) - 1));
        }
        if (between(random_, 0, 2) == 0) {
            things_.insert(things_.begin() + between(random_, 0, static_cast<int>(things_.size())),
                           newThing());
        }
    }

    // Draws the scene on a display whose textures of the pictures are given.
    void draw(TSdlSoftwareDisplay& display, const std::vector<SDL_Texture*>& textures) const {
        display.clear(20, 30, 40, 255);
        for (const Thing& thing : things_) {
            setClip(display.renderer(), thing.clipped ? &thing.clip : nullptr);
            if (thing.kind == 2) {
                display.copySprite(nullptr, *sprites_[static_cast<std::size_t>(thing.picture)],
                                   thing.target, thing.tint, thing.blend);
                continue;
            }
            SDL_Texture* texture = textures[static_cast<std::size_t>(thing.picture)];
            SDL_SetTextureColorMod(texture, thing.tint.r, thing.tint.g, thing.tint.b);
            SDL_SetTextureAlphaMod(texture, thing.tint.a);
            SDL_SetTextureBlendMode(texture, thing.blend);
            SDL_SetTextureScaleMode(
                texture, thing.picture % 2 == 0 ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
            if (thing.kind == 3) {
                display.copy(nullptr, texture, nullptr, thing.target, SDL_FLIP_HORIZONTAL);
            } else if (thing.kind == 4) {
                const SDL_FRect& t = thing.target;
                const SDL_Color white{255, 255, 255, 255};
                const SDL_Vertex corners[4] = {{{t.x + 10, t.y}, white, {0, 0}},
                                               {{t.x + t.w, t.y + 10}, white, {1, 0}},
                                               {{t.x + t.w - 10, t.y + t.h}, white, {1, 1}},
                                               {{t.x, t.y + t.h - 10}, white, {0, 1}}};
                const int triangles[6] = {0, 1, 2, 0, 2, 3};
                display.geometry(nullptr, texture, corners, 4, triangles, 6);
            } else {
                display.copy(nullptr, texture, nullptr, thing.target);
            }
        }
    }

    const std::vector<SDL_Surface*>& pictures() const { return pictures_; }

  private:
    Thing newThing() {
        Thing thing{};
        thing.kind = between(random_, 0, 9) < 4 ? 2 : between(random_, 0, turnedQuads_ ? 4 : 3);
        thing.picture = between(random_, 0, 5);
        const SDL_Surface* picture = pictures_[static_cast<std::size_t>(thing.picture)];
        const float scale =
            thing.kind == 0 || thing.kind == 3 ? 1.0f : betweenF(random_, 0.3f, 1.5f);
        const float w =
            thing.kind == 2
                ? static_cast<float>(sprites_[static_cast<std::size_t>(thing.picture)]->width())
                : static_cast<float>(picture->w);
        const float h =
            thing.kind == 2
                ? static_cast<float>(sprites_[static_cast<std::size_t>(thing.picture)]->height())
                : static_cast<float>(picture->h);
        thing.target = SDL_FRect{betweenF(random_, -40.0f, 800.0f),
                                 betweenF(random_, -40.0f, 600.0f), w * scale, h * scale};
        thing.tint = SDL_Color{
            255, static_cast<Uint8>(between(random_, 0, 9) == 0 ? 128 : 255), 255,
            static_cast<Uint8>(between(random_, 0, 1) == 0 ? 255 : between(random_, 0, 255))};
        const SDL_BlendMode blends[] = {SDL_BLENDMODE_BLEND, SDL_BLENDMODE_ADD, SDL_BLENDMODE_MOD,
                                        SDL_BLENDMODE_NONE};
        thing.blend = thing.kind == 2 ? SDL_BLENDMODE_ADD : blends[between(random_, 0, 3)];
        thing.clipped = between(random_, 0, 2) == 0;
        thing.clip = SDL_Rect{between(random_, 0, 600), between(random_, 0, 400),
                              between(random_, 50, 300), between(random_, 50, 300)};
        return thing;
    }

    Random& random_;
    bool turnedQuads_;
    std::vector<SDL_Surface*> pictures_;
    std::vector<std::unique_ptr<TLightSprite>> sprites_;
    std::vector<Thing> things_;
};

std::vector<SDL_Texture*> texturesFor(const TSdlSoftwareDisplay& display, const Scene& scene) {
    std::vector<SDL_Texture*> textures;
    for (SDL_Surface* picture : scene.pictures()) {
        textures.push_back(textureOf(display.renderer(), picture));
    }
    return textures;
}

// Frame after frame, drawing only what changed leaves the picture that drawing everything
// anew gives.
TEST_F(SoftwareDisplay, DrawingOnlyWhatChangedEndsWithThePictureDrawnAnew) {
    Random random(5);
    Scene scene(random, true);
    const std::vector<SDL_Texture*> textures = texturesFor(display, scene);
    long redrawn = 0;
    for (int frame = 0; frame < 40; ++frame) {
        scene.draw(display, textures);
        display.render();
        redrawn += display.lastRender().pixels;

        TSdlSoftwareDisplay fresh;
        std::string error;
        ASSERT_TRUE(fresh.open(nullptr, kW, kH, error)) << error;
        scene.draw(fresh, texturesFor(fresh, scene));
        fresh.render();
        ASSERT_EQ(firstDifference(display.backBuffer(), fresh.backBuffer()), "")
            << "frame " << frame;
        scene.step();
    }
    // It did save work: far less than 40 whole pictures were drawn again.
    EXPECT_LT(redrawn, 20L * kW * kH);
}

TEST_F(SoftwareDisplay, AFrameDrawnAgainTheSameWayDrawsNothing) {
    Random random(6);
    Scene scene(random, false);
    const std::vector<SDL_Texture*> textures = texturesFor(display, scene);
    scene.draw(display, textures);
    display.render();
    EXPECT_GT(display.lastRender().operations, 0u);
    scene.draw(display, textures);
    display.render();
    EXPECT_EQ(display.lastRender().pixels, 0);
    EXPECT_EQ(display.lastRender().operations, 0u);
}

// Pixels read in the middle of a frame are the picture so far; drawing on after that, and on
// after a picture is never cleared for thousands of operations, still ends right.
TEST_F(SoftwareDisplay, PicturesReadHalfwayOrNeverClearedStayRight) {
    Random random(9);
    SDL_Surface* picture = randomPicture(random, 30, 20, true);
    SDL_Surface* expected = newSurface(kW, kH);
    SDL_Renderer* sdl = SDL_CreateSoftwareRenderer(expected);
    SDL_Texture* theirs = textureOf(sdl, picture);
    SDL_Texture* ours = textureOf(display.renderer(), picture);
    for (SDL_Texture* t : {theirs, ours}) {
        SDL_SetTextureBlendMode(t, SDL_BLENDMODE_ADD);
        SDL_SetTextureAlphaMod(t, 40);
    }
    SDL_SetRenderDrawColor(sdl, 0, 0, 0, 255);
    SDL_RenderClear(sdl);
    display.clear(0, 0, 0, 255);
    SDL_Surface* read = newSurface(kW, kH);
    for (int i = 0; i < 6000; ++i) {
        const SDL_FRect target{static_cast<float>(i * 37 % 760), static_cast<float>(i * 53 % 570),
                               30.0f, 20.0f};
        SDL_RenderCopyF(sdl, theirs, nullptr, &target);
        display.copy(nullptr, ours, nullptr, target);
        if (i % 1500 == 700) {
            const SDL_Rect all{0, 0, kW, kH};
            ASSERT_EQ(display.readPixels(all, SDL_PIXELFORMAT_ARGB8888, read->pixels, read->pitch),
                      0);
            ASSERT_EQ(firstDifference(read, expected), "") << "after " << i + 1;
        }
    }
    display.render();
    EXPECT_EQ(firstDifference(display.backBuffer(), expected), "");
    SDL_FreeSurface(read);
    SDL_DestroyRenderer(sdl);
    SDL_FreeSurface(expected);
    SDL_FreeSurface(picture);
}

// The window shows what changed, and everything again when it lost its contents; a window of
// another size shows the picture as SDL's renderer with a logical size shows it.
class SoftwareDisplayInAWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { testkit::useHeadlessDisplay(); }
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        window = SDL_CreateWindow("test", 0, 0, kW, kH, SDL_WINDOW_RESIZABLE);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        std::string error;
        ASSERT_TRUE(display.open(window, kW, kH, error)) << error;
    }
    void TearDown() override {
        display.close();
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    // What SDL's renderer shows of the back buffer in the window as it is now.
    SDL_Surface* whatSdlShows() {
        SDL_Surface* shown = SDL_GetWindowSurface(window);
        SDL_Surface* expected =
            SDL_CreateRGBSurfaceWithFormat(0, shown->w, shown->h, 32, shown->format->format);
        SDL_Renderer* sdl = SDL_CreateSoftwareRenderer(expected);
        SDL_RenderSetLogicalSize(sdl, kW, kH);
        SDL_Texture* back = textureOf(sdl, display.backBuffer());
        SDL_SetTextureBlendMode(back, SDL_BLENDMODE_NONE);
        SDL_SetTextureScaleMode(back, SDL_ScaleModeNearest);
        SDL_SetRenderDrawColor(sdl, 0, 0, 0, 255);
        SDL_RenderClear(sdl);
        SDL_RenderCopy(sdl, back, nullptr, nullptr);
        SDL_DestroyRenderer(sdl);
        return expected;
    }
    std::string windowDifference() {
        SDL_Surface* expected = whatSdlShows();
        const std::string difference =
            firstDifference(SDL_GetWindowSurface(window), expected, 0xFFFFFFu);
        SDL_FreeSurface(expected);
        return difference;
    }
    SDL_Window* window = nullptr;
    TSdlSoftwareDisplay display;
};

TEST_F(SoftwareDisplayInAWindow, ShowsWhatChangedAndAllOfItWhenTheWindowNeedsIt) {
    Random random(3);
    Scene scene(random, false);
    const std::vector<SDL_Texture*> textures = texturesFor(display, scene);
    scene.draw(display, textures);
    EXPECT_TRUE(display.present());
    EXPECT_EQ(windowDifference(), "");
    scene.draw(display, textures);
    EXPECT_FALSE(display.present()) << "nothing changed";

    // Something covered the window and went away.
    SDL_Event exposed{};
    exposed.type = SDL_WINDOWEVENT;
    exposed.window.windowID = SDL_GetWindowID(window);
    exposed.window.event = SDL_WINDOWEVENT_EXPOSED;
    SDL_PushEvent(&exposed);
    SDL_FillRect(SDL_GetWindowSurface(window), nullptr, 0x123456);
    EXPECT_TRUE(display.present());
    EXPECT_EQ(windowDifference(), "");

    // Wider, taller and larger windows, each first shown whole and then in part.
    for (const auto& [w, h] : {std::pair{1000, 640}, std::pair{700, 900}, std::pair{1024, 768},
                               std::pair{801, 601}, std::pair{kW, kH}}) {
        SDL_SetWindowSize(window, w, h);
        SDL_PumpEvents();
        for (int frame = 0; frame < 3; ++frame) {
            scene.step();
            scene.draw(display, textures);
            display.present();
            ASSERT_EQ(windowDifference(), "") << w << " x " << h << ", frame " << frame;
        }
    }
}

// A frame drawn again with the very same calls shows nothing new and is not waited for;
// every other frame is.
class SdlPacing : public testkit::SdlDisplayTest {};

TEST_F(SdlPacing, OnlyFramesThatShowSomethingNewWaitForTheNextFrame) {
    const ImageRef image = testkit::solidImage(20, 20, testkit::argb(255, 200, 0, 0));
    auto frame = [&](float x) {
        clearScreen();
        drawImage(image, x, 10);
        flip();
    };
    frame(10);
    const int waited = window.pacedFrames();
    frame(10);
    frame(10);
    EXPECT_EQ(window.pacedFrames(), waited);
    frame(11);
    EXPECT_EQ(window.pacedFrames(), waited + 1);
    // The same calls with a picture that changed show something new.
    writePixel(image->cells[0], 0, 0, testkit::argb(255, 0, 0, 255));
    image->textures[0].reset();
    frame(11);
    EXPECT_EQ(window.pacedFrames(), waited + 2);
}

}  // namespace
}  // namespace gb
