#pragma once

#include <memory>

#include "services/TImage.h"

struct SDL_Texture;

namespace gb {

// What the textures of one SDL renderer check before use: they belong to that renderer and
// are only valid while it lives and has not lost its textures.
struct TSdlRendererLife {
    bool alive = true;
};

// The texture of one cell (or of the font, or of a pixel map drawn once), owned by the
// renderer that made it. SDL frees a renderer's textures with the renderer, so a texture that
// outlives its renderer is only forgotten, never freed twice.
class TSdlCellTexture : public TCellTexture {
  public:
    TSdlCellTexture(std::shared_ptr<TSdlRendererLife> life, SDL_Texture* texture);
    ~TSdlCellTexture() override;
    TSdlCellTexture(const TSdlCellTexture&) = delete;
    TSdlCellTexture& operator=(const TSdlCellTexture&) = delete;

    bool belongsTo(const std::shared_ptr<TSdlRendererLife>& life) const {
        return life_ == life && life_->alive;
    }
    // Whether the renderer that made the texture still lives.
    bool rendererAlive() const { return life_->alive; }
    SDL_Texture* texture() const { return texture_; }

  private:
    std::shared_ptr<TSdlRendererLife> life_;
    SDL_Texture* texture_;
};

}  // namespace gb
