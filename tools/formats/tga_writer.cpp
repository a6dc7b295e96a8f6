#include "tools/formats/tga_writer.h"

#include "tools/formats/byte_buffer.h"

namespace demo {

std::vector<uint8_t> TgaBytes(const Picture& picture, int bitsPerPixel)
{
    const bool alpha = bitsPerPixel == 32;
    constexpr uint8_t kTopLeftOrigin = 0x20;
    ByteBuffer b;
    b.U8(0).U8(0).U8(2);  // no id, no colour map, true colour
    b.Zeros(5);           // colour map description (none)
    b.U16LE(0).U16LE(0);  // origin
    b.U16LE(static_cast<uint32_t>(picture.Width())).U16LE(static_cast<uint32_t>(picture.Height()));
    b.U8(alpha ? 32 : 24).U8(kTopLeftOrigin | (alpha ? 8 : 0));
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const Rgba p = picture.At(x, y);
            b.U8(p.b).U8(p.g).U8(p.r);
            if (alpha)
                b.U8(p.a);
        }
    return b.Bytes();
}

}  // namespace demo
