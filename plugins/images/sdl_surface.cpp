// Surfaces decoded by SDL2 to pictures.
#include "plugins/images/sdl_surface.h"

#include <cstring>

namespace images {

bool SurfaceToPicture(SDL_Surface* surface, int width, int height, Picture& out, std::string& fault) {
    out = Picture{};
    if (width > surface->w || height > surface->h) {
        fault = "decoded picture is smaller than its header says";
        return false;
    }
    const bool alpha = surface->format->Amask != 0 || SDL_HasColorKey(surface);
    SDL_Surface* converted =
        SDL_ConvertSurfaceFormat(surface, alpha ? SDL_PIXELFORMAT_RGBA32 : SDL_PIXELFORMAT_RGB24, 0);
    if (!converted) {
        fault = std::string("cannot convert the pixels: ") + SDL_GetError();
        return false;
    }
    bool ok = Allocate(out, width, height, alpha ? 32 : 24, fault);
    if (ok && SDL_LockSurface(converted) == 0) {
        for (int y = 0; y < height; ++y)
            std::memcpy(out.Row(y), static_cast<const uint8_t*>(converted->pixels) + size_t(y) * converted->pitch,
                        out.RowBytes());
        SDL_UnlockSurface(converted);
    } else if (ok) {
        fault = "cannot reach the decoded pixels";
        out = Picture{};
        ok = false;
    }
    SDL_FreeSurface(converted);
    return ok;
}

}  // namespace images
