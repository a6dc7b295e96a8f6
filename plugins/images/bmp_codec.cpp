// BMP reading through SDL2's own reader (1, 4, 8, 16, 24 and 32 bits,
// bottom-up and top-down rows, run-length encoded 4 and 8-bit files). The
// header is checked here first, so that no size the limits refuse reaches the
// library.

#include <cstdlib>

#include "plugins/images/picture.h"
#include "plugins/images/sdl_surface.h"

namespace images {
namespace {

uint32_t Read16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
uint32_t Read32(const uint8_t* p) { return Read16(p) | (Read16(p + 2) << 16); }

constexpr size_t kFileHeaderBytes = 14;

}  // namespace

bool DecodeBmp(std::span<const uint8_t> file, Picture& out, std::string& fault) {
    out = Picture{};
    if (file.size() < kFileHeaderBytes + 12 || file[0] != 'B' || file[1] != 'M') {
        fault = "no BMP signature";
        return false;
    }
    const uint8_t* info = file.data() + kFileHeaderBytes;
    const uint32_t infoSize = Read32(info);
    long long width = 0, height = 0;
    if (infoSize == 12) {  // the oldest header: 16-bit sizes
        width = Read16(info + 4);
        height = Read16(info + 6);
    } else if (infoSize >= 40 && file.size() >= kFileHeaderBytes + 40) {
        width = static_cast<int32_t>(Read32(info + 4));
        height = static_cast<int32_t>(Read32(info + 8));
    } else {
        fault = "unknown BMP header or file ends in it";
        return false;
    }
    // A negative height means rows stored top-down; a negative width means nothing.
    if (!CheckSize(width, std::llabs(height), fault)) return false;
    if (Read32(file.data() + 10) >= file.size()) {
        fault = "pixel data starts beyond the end of the file";
        return false;
    }

    SDL_ClearError();
    SDL_RWops* source = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    SDL_Surface* surface = source ? SDL_LoadBMP_RW(source, 1) : nullptr;
    if (!surface) {
        fault = SDL_GetError();
        if (fault.empty()) fault = "damaged pixel data";
        return false;
    }
    const bool ok =
        SurfaceToPicture(surface, static_cast<int>(width), static_cast<int>(std::llabs(height)), out, fault);
    SDL_FreeSurface(surface);
    return ok;
}

}  // namespace images
