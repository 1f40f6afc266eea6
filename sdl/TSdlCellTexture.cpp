#include "sdl/TSdlCellTexture.h"

#include <SDL.h>

#include <utility>

namespace gb {

TSdlCellTexture::TSdlCellTexture(std::shared_ptr<TSdlRendererLife> life, SDL_Texture* texture)
    : life_(std::move(life)), texture_(texture) {}

TSdlCellTexture::~TSdlCellTexture() {
    if (life_->alive && texture_ != nullptr) {
        SDL_DestroyTexture(texture_);
    }
}

}  // namespace gb
