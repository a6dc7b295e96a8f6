#include "tools/formats/tga_writer.h"

#include "common/tga_encoder.h"

namespace demo {

std::vector<uint8_t> TgaBytes(const Picture& picture, int bitsPerPixel) {
    // The encoder takes blue, green, red, alpha rows.
    std::vector<uint8_t> bgra(size_t(picture.Width()) * picture.Height() * 4);
    uint8_t* out = bgra.data();
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x, out += 4) {
            const Rgba p = picture.At(x, y);
            out[0] = p.b;
            out[1] = p.g;
            out[2] = p.r;
            out[3] = p.a;
        }
    const TgaLayout layout{picture.Width(), picture.Height(), bitsPerPixel == 32 ? 32 : 24, true};
    return ::TgaBytes(bgra.data(), 4, picture.Width() * 4, layout);
}

}  // namespace demo
