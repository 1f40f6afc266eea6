#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sdl/TDirtyRegion.h"
#include "sdl/TDrawList.h"

namespace gb {

class TLightSprite;

// The display where SDL draws on the CPU. The game's back buffer is a surface of the display's
// own size, drawn by SDL's software renderer, and SDL's renderer would redraw and present all
// of it every frame although from one frame to the next mostly nothing changes.
//
// Here the drawing calls of a picture are first only written down, as a list of operations
// (TDrawList). When the picture is needed (to read pixels back, or to present it), that list
// is compared with the list of the picture the back buffer holds, and only where the two can
// differ are the operations carried out again, clipped to those parts; presenting then copies
// only those parts into the window (SDL's window surface, which can update a list of
// rectangles). A frame that repeats the last one costs nothing but the comparison.
//
// The pixels are those SDL's software renderer draws when it draws everything: an operation
// whose pixels do not depend on its clipping (an unscaled copy, a fill) is drawn clipped to
// each changed part, and one that does (a scaled copy: SDL scales a clipped copy from a
// shifted start) is drawn whole, with the parts it covers all counted as changed.
//
// Sprites (TLightSprite) are drawn with a blitter of our own when SDL would give the same
// pixels: additive light, untinted, inside the clip rectangle. Every other operation is
// carried out by SDL itself.
class TSdlSoftwareDisplay {
  public:
    TSdlSoftwareDisplay() = default;
    ~TSdlSoftwareDisplay();
    TSdlSoftwareDisplay(const TSdlSoftwareDisplay&) = delete;
    TSdlSoftwareDisplay& operator=(const TSdlSoftwareDisplay&) = delete;

    // Makes a width x height back buffer, black and transparent, and a software renderer that
    // draws into it; the window (none for drawing only) is where present shows it. False with
    // SDL's reason when something cannot be made.
    bool open(SDL_Window* window, int width, int height, std::string& error);
    // Frees the renderer (with every texture made with it) and the back buffer.
    void close();
    bool isOpen() const { return renderer_ != nullptr; }
    // Makes textures and draws into them (its target is the back buffer unless set otherwise;
    // drawing into the back buffer goes through the calls below).
    SDL_Renderer* renderer() const { return renderer_; }
    SDL_Surface* backBuffer() const { return back_; }

    // The picture's drawing calls. Each is carried out later exactly as the SDL call it stands
    // for would be carried out now: under the texture's current colour, alpha, blend and scale
    // modes and the renderer's current clip rectangle. keep holds what the texture belongs to
    // until the operation is no longer needed.
    //
    // SDL_RenderClear (clip ignored).
    void clear(Uint8 red, Uint8 green, Uint8 blue, Uint8 alpha);
    // SDL_RenderCopyF, or SDL_RenderCopyExF without turning when flip is not SDL_FLIP_NONE.
    void copy(std::shared_ptr<const void> keep, SDL_Texture* texture, const SDL_Rect* source,
              const SDL_FRect& target, SDL_RendererFlip flip = SDL_FLIP_NONE);
    // SDL_RenderGeometry.
    void geometry(std::shared_ptr<const void> keep, SDL_Texture* texture,
                  const SDL_Vertex* vertices, int vertexCount, const int* indices, int indexCount);
    // SDL_RenderCopyF of a whole sprite, had it been a texture with this colour, alpha, blend
    // mode and nearest sampling.
    void copySprite(std::shared_ptr<const void> keep, const TLightSprite& sprite,
                    const SDL_FRect& target, SDL_Color tint, SDL_BlendMode blend);

    // Brings the back buffer up to the picture drawn so far.
    void render();
    // Reads pixels of the picture drawn so far (SDL_RenderReadPixels).
    int readPixels(const SDL_Rect& rect, Uint32 format, void* pixels, int pitch);
    // Renders the picture and copies what changed since the last present into the window.
    // False when the window already shows this very picture.
    bool present();

    // How many operations the last render drew again, and how many pixels of the picture it
    // counted as changed (for tests and measurements).
    struct Work {
        std::size_t operations = 0;
        long pixels = 0;
    };
    Work lastRender() const { return lastRender_; }

  private:
    enum class Kind : std::uint32_t { fill = 1, copy, flipped, geometry, sprite };
    struct Operation {
        Kind kind = Kind::fill;
        std::shared_ptr<const void> keep;
        SDL_Texture* texture = nullptr;
        const TLightSprite* sprite = nullptr;
        SDL_Rect source{};  // the whole texture when hasSource is false
        bool hasSource = false;
        SDL_FRect target{};
        SDL_RendererFlip flip = SDL_FLIP_NONE;
        SDL_Color tint{255, 255, 255, 255};
        SDL_BlendMode blend = SDL_BLENDMODE_NONE;
        SDL_ScaleMode scale = SDL_ScaleModeNearest;
        SDL_Rect clip{};
        bool clipped = false;
        Uint32 pixel = 0;          // fill
        std::size_t vertices = 0;  // geometry: where its vertices and indices start in the
        std::size_t indices = 0;   // frame's shared arrays, and how many
        int vertexCount = 0;
        int indexCount = 0;
    };
    // A picture: its operations, their comparable list, and the geometry they use.
    struct Picture {
        std::vector<Operation> operations;
        TDrawList list;
        std::vector<SDL_Vertex> vertices;
        std::vector<int> indices;
        void clear();
    };

    void add(Operation operation, const TPixelRect& box, bool exact, bool unique);
    // The picture drawn becomes the one shown; until something more is drawn, the picture
    // being drawn is that same one, without a copy of it.
    void settle();
    // Before drawing: a picture drawn on without clearing goes on from the one shown.
    void drawOn();
    // Records the renderer's clip rectangle in the operation.
    void takeClip(Operation& operation) const;
    // The part of the back buffer the operation's clip leaves it.
    TPixelRect clipOf(const Operation& operation) const;
    // Carries out one operation clipped to the rectangle (or with its own clip only when whole).
    void draw(const Operation& operation, const Picture& picture, const TPixelRect* part);
    void drawSprite(const Operation& operation, const SDL_Rect& clip);
    void presentToWindow();
    // Where SDL's renderer with a logical size of the back buffer's places the picture in a
    // w x h window (its viewport), and the rectangle it scales the picture to.
    SDL_Rect letterboxViewport(int w, int h) const;
    SDL_Rect letterbox(int w, int h) const;
    // Keeps the list of operations bounded when a picture is never cleared: the back buffer
    // becomes the first operation of a new list.
    void flatten();
    static int SDLCALL watchWindow(void* display, SDL_Event* event);

    SDL_Window* window_ = nullptr;
    SDL_Surface* back_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    Picture shown_;    // what the back buffer holds
    Picture drawing_;  // the picture being drawn, unless drawingIsShown_
    bool drawingIsShown_ = false;
    TDirtyRegion changed_{0, 0};      // scratch: where drawing_ differs from shown_
    TDirtyRegion unpresented_{0, 0};  // where the back buffer differs from the window
    bool windowStale_ = true;         // the window shows nothing of ours (new, exposed, resized)
    SDL_Surface* windowSurface_ = nullptr;
    Work lastRender_;
};

}  // namespace gb
