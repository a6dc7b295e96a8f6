#include "common/tga_encoder.h"

bool EncodeTga(const uint8_t* pixels, int bytesPerPixel, int pitch, const TgaLayout& layout, TgaSink sink,
               void* context) {
    const int width = layout.width, height = layout.height;
    if (width < 1 || width > 0xFFFF || height < 1 || height > 0xFFFF) return false;
    if ((bytesPerPixel != 3 && bytesPerPixel != 4) || pitch < width * bytesPerPixel) return false;
    if (layout.bits != 24 && !(layout.bits == 32 && bytesPerPixel == 4)) return false;

    uint8_t header[kTgaHeaderSize] = {};
    header[2] = 2;  // uncompressed true colour
    header[12] = static_cast<uint8_t>(width & 0xFF);
    header[13] = static_cast<uint8_t>(width >> 8);
    header[14] = static_cast<uint8_t>(height & 0xFF);
    header[15] = static_cast<uint8_t>(height >> 8);
    header[16] = static_cast<uint8_t>(layout.bits);
    // Bit 5: the first row is the top row; bits 0-3: alpha bits per pixel.
    header[17] = static_cast<uint8_t>((layout.topFirst ? 0x20 : 0) | (layout.bits == 32 ? 8 : 0));
    if (!sink(context, header, sizeof header)) return false;

    const int outBytes = layout.bits / 8;
    const size_t rowBytes = size_t(width) * outBytes;
    // Rows already in the file's pixel layout go out as they are.
    const bool asStored = bytesPerPixel == outBytes;
    std::vector<uint8_t> row(asStored ? 0 : rowBytes);
    for (int i = 0; i < height; ++i) {
        const int y = layout.topFirst ? i : height - 1 - i;
        const uint8_t* src = pixels + size_t(y) * pitch;
        if (!asStored) {
            for (int x = 0; x < width; ++x) {
                row[size_t(x) * 3 + 0] = src[size_t(x) * bytesPerPixel + 0];
                row[size_t(x) * 3 + 1] = src[size_t(x) * bytesPerPixel + 1];
                row[size_t(x) * 3 + 2] = src[size_t(x) * bytesPerPixel + 2];
            }
            src = row.data();
        }
        if (!sink(context, src, rowBytes)) return false;
    }
    return true;
}

bool WriteTga(std::FILE* file, const uint8_t* pixels, int bytesPerPixel, int pitch, const TgaLayout& layout) {
    const TgaSink toFile = [](void* context, const uint8_t* data, size_t size) {
        return std::fwrite(data, 1, size, static_cast<std::FILE*>(context)) == size;
    };
    return EncodeTga(pixels, bytesPerPixel, pitch, layout, toFile, file);
}

std::vector<uint8_t> TgaBytes(const uint8_t* pixels, int bytesPerPixel, int pitch, const TgaLayout& layout) {
    std::vector<uint8_t> bytes;
    const TgaSink toMemory = [](void* context, const uint8_t* data, size_t size) {
        auto& out = *static_cast<std::vector<uint8_t>*>(context);
        out.insert(out.end(), data, data + size);
        return true;
    };
    if (!EncodeTga(pixels, bytesPerPixel, pitch, layout, toMemory, &bytes)) bytes.clear();
    return bytes;
}
