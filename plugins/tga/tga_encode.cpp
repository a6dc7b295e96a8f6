// TGA writer: uncompressed 24-bit true colour, rows stored bottom-up.

#include <vector>

#include "plugins/tga/tga_codec.h"

namespace tga {

bool Encode(std::FILE* file, const uint8_t* pixels, int bytesPerPixel, int width, int height, int pitch)
{
    uint8_t header[kHeaderSize] = {};
    header[2] = 2;  // uncompressed true colour
    header[12] = static_cast<uint8_t>(width & 0xFF);
    header[13] = static_cast<uint8_t>(width >> 8);
    header[14] = static_cast<uint8_t>(height & 0xFF);
    header[15] = static_cast<uint8_t>(height >> 8);
    header[16] = 24;
    header[17] = 0;  // origin bottom left, no alpha bits
    if (std::fwrite(header, 1, sizeof header, file) != sizeof header)
        return false;

    std::vector<uint8_t> row(size_t(width) * 3);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* src = pixels + size_t(y) * pitch;
        for (int x = 0; x < width; ++x) {
            row[x * 3 + 0] = src[0];
            row[x * 3 + 1] = src[1];
            row[x * 3 + 2] = src[2];
            src += bytesPerPixel;
        }
        if (std::fwrite(row.data(), 1, row.size(), file) != row.size())
            return false;
    }
    return true;
}

}  // namespace tga
