// IFF ILBM (and PBM) reading through SDL2_image: 1 to 8 bit planes through a
// colour map, extra half-bright and hold-and-modify pictures, 24-bit deep
// pictures, PBM pictures whose width is a multiple of 16, uncompressed or
// ByteRun1; a transparent colour becomes alpha. Pictures with a mask plane
// are refused: the library misreads them. The chunks are walked here first: every
// chunk length is checked against the file, the header's size against the
// limits, the plane count against what the library reads, and an
// uncompressed BODY against the bytes its header asks for. The library pads
// rows to 16 pixels; the picture is cut back to the header's width.

#include <cstdio>
#include <cstring>
#include <vector>

#include <SDL2/SDL_image.h>

#include "plugins/images/picture.h"
#include "plugins/images/sdl_surface.h"

namespace images {
namespace {

uint32_t Read16(const uint8_t* p) { return (uint32_t(p[0]) << 8) | p[1]; }
uint32_t Read32(const uint8_t* p) { return (Read16(p) << 16) | Read16(p + 2); }

struct Header {
    int width = 0;
    int height = 0;
    int planes = 0;
    int masking = 0;
    int compression = 0;
    std::vector<size_t> paletteChunks;  // offsets of the CMAP and CAMG chunk ids
};

bool Fail(std::string& fault, const char* format, long long a = 0, long long b = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    fault = text;
    return false;
}

// Walks the FORM's chunks up to the BODY. False with the fault set when the
// file is not one the library reads correctly.
bool CheckChunks(std::span<const uint8_t> file, Header& h, std::string& fault) {
    if (file.size() < 12 || Read32(file.data()) != 0x464F524D /* FORM */) {
        fault = "no IFF FORM";
        return false;
    }
    const uint32_t type = Read32(file.data() + 8);
    const bool chunky = type == 0x50424D20;  // "PBM ": one byte per pixel, no planes
    if (type != 0x494C424D /* ILBM */ && !chunky) {
        fault = "IFF file is neither ILBM nor PBM";
        return false;
    }
    bool haveHeader = false;
    size_t at = 12;
    while (true) {
        if (file.size() - at < 8) return Fail(fault, "file ends before the BODY chunk");
        const uint32_t id = Read32(file.data() + at);
        const uint32_t length = Read32(file.data() + at + 4);
        at += 8;
        const size_t left = file.size() - at;
        if (id == 0x424F4459 /* BODY */) {
            if (!haveHeader) return Fail(fault, "BODY comes before the BMHD header");
            const size_t body = length < left ? length : left;
            if (h.compression == 0) {
                const size_t rowBytes = chunky ? size_t(h.width) : size_t(h.width + 15) / 16 * 2;
                const size_t rowsPerLine = chunky ? 1 : size_t(h.planes + (h.masking == 1 ? 1 : 0));
                const size_t needed = rowBytes * rowsPerLine * size_t(h.height);
                if (body < needed)
                    return Fail(fault, "BODY holds %lld bytes, the header asks for %lld", (long long)body,
                                (long long)needed);
            }
            return true;
        }
        if (length > left) return Fail(fault, "chunk of %lld bytes where %lld are left", length, (long long)left);
        if (id == 0x434D4150 /* CMAP */ || id == 0x43414D47 /* CAMG */) h.paletteChunks.push_back(at - 8);
        if (id == 0x424D4844 /* BMHD */) {
            if (length < 20) return Fail(fault, "BMHD header of %lld bytes is too short", length);
            const uint8_t* p = file.data() + at;
            h.width = static_cast<int>(Read16(p));
            h.height = static_cast<int>(Read16(p + 2));
            h.planes = p[8];
            h.masking = p[9];
            h.compression = p[10];
            if (!CheckSize(h.width, h.height, fault)) return false;
            if (chunky ? h.planes != 8 : !((h.planes >= 1 && h.planes <= 8) || h.planes == 24))
                return Fail(fault, "%lld bit planes are not read (1 to 8 and 24 are)", h.planes);
            // The library pads PBM rows to 16 pixels, the format to an even
            // count: only widths where the two agree are read.
            if (chunky && h.width % 16 != 0)
                return Fail(fault, "PBM picture %lld pixels wide is not read (multiples of 16 are)", h.width);
            // The library takes a mask plane for one more colour plane: the
            // colours come out wrong.
            if (h.masking == 1) return Fail(fault, "pictures with a mask plane are not read");
            if (h.compression > 1)
                return Fail(fault, "compression %lld is not read (none and ByteRun1 are)", h.compression);
            haveHeader = true;
        }
        at += length + (length & 1);  // chunks are padded to even lengths
        if (at > file.size()) return Fail(fault, "file ends inside a chunk");
    }
}

}  // namespace

bool DecodeIlbm(std::span<const uint8_t> file, Picture& out, std::string& fault) {
    out = Picture{};
    Header h;
    if (!CheckChunks(file, h, fault)) return false;
    // The library crashes on a deep picture that also has a colour map (it
    // writes the map into the palette its true-colour surface lacks). A deep
    // picture has no use for a map or a display mode: the copy it reads has
    // those chunks renamed, so it skips them.
    std::vector<uint8_t> copy;
    if (h.planes == 24 && !h.paletteChunks.empty()) {
        copy.assign(file.begin(), file.end());
        for (size_t at : h.paletteChunks) std::memcpy(copy.data() + at, "XXXX", 4);
        file = copy;
    }
    SDL_ClearError();
    SDL_RWops* source = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    SDL_Surface* surface = source ? IMG_LoadLBM_RW(source) : nullptr;
    if (source) SDL_RWclose(source);
    if (!surface) {
        fault = SDL_GetError();
        if (fault.empty()) fault = "damaged picture data";
        return false;
    }
    // The header's own size (the library's surface may be wider).
    const uint8_t* bmhd = nullptr;
    for (size_t at = 12; at + 8 <= file.size();) {
        const uint32_t length = Read32(file.data() + at + 4);
        if (Read32(file.data() + at) == 0x424D4844) {
            bmhd = file.data() + at + 8;
            break;
        }
        at += 8 + size_t(length) + (length & 1);
    }
    const bool ok = bmhd && SurfaceToPicture(surface, int(Read16(bmhd)), int(Read16(bmhd + 2)), out, fault);
    SDL_FreeSurface(surface);
    return ok;
}

}  // namespace images
