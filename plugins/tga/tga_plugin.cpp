// The image plug-in entry points for TGA files: read one picture and hand its
// pixels to the engine, or write a screenshot.

#include <cstdio>
#include <vector>

#include "common/message_buffer.h"
#include "common/tga_encoder.h"
#include "platform/platform.h"
#include "plugins/tga/tga_codec.h"
#include "tessaly/plugin_interface.h"

TESSALY_IMAGE_PLUGIN_ENTRIES(TESSALY_DECLARE_EXPORT)

namespace {

tga::Picture g_picture;         // the picture read last; kept until the next read or the unload
MessageBuffer<1024> g_message;  // the plug-in's one diagnostic buffer

// Reads the file whole (up to the most any accepted picture can need).
// False when it cannot be opened or read.
bool ReadFile(const char* path, std::vector<uint8_t>& data) {
    std::FILE* f = plat_OpenFile(path, "rb");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        const size_t wanted = static_cast<size_t>(size) < tga::kMaxFileBytes ? size_t(size) : tga::kMaxFileBytes;
        data.resize(wanted);
        ok = wanted == 0 || std::fread(data.data(), 1, wanted, f) == wanted;
    }
    std::fclose(f);
    return ok;
}

}  // namespace

int r_Load2D(const char* path, r_MsgCallback cb) {
    g_picture = tga::Picture{};
    if (!path) {
        g_message.Send(cb, "tga.dll r_Load2D : Error, could not open %s\n", "(null)");
        return -1;
    }
    std::vector<uint8_t> data;
    if (!ReadFile(path, data)) {
        g_message.Send(cb, "tga.dll r_Load2D : Error, could not open %s\n", path);
        return -1;
    }
    switch (tga::Decode(data, g_picture)) {
        case tga::DecodeResult::Ok:
            return 0;
        case tga::DecodeResult::Unsupported:
            g_message.Send(cb, "tga.dll r_Load2D : Error, %s is not a supported TGA file\n", path);
            return -1;
        case tga::DecodeResult::Damaged:
            g_message.Send(cb, "tga.dll r_Load2D : Error, %s is truncated or damaged\n", path);
            return -1;
        case tga::DecodeResult::OutOfMemory:
            g_message.Send(cb, "tga.dll r_Load2D : Error, not enough memory for %s\n", path);
            return -1;
    }
    return -1;
}

int r_GetImageData(int* width, int* height, int* bitsPerPixel, r_MsgCallback) {
    if (width) *width = g_picture.width;
    if (height) *height = g_picture.height;
    if (bitsPerPixel) *bitsPerPixel = g_picture.bits;
    return g_picture.pixels ? 0 : -1;
}

uint8_t* r_GetImagePointer(r_MsgCallback) { return g_picture.pixels.get(); }

int r_Save2D(const char* fileName, const uint8_t* pixels, int bitsPerPixel, int height, int width, int pitch,
             int /*flags*/, r_MsgCallback cb) {
    const char* name = fileName ? fileName : "(null)";
    const int bytesPerPixel = bitsPerPixel / 8;
    if (!fileName || !pixels || (bitsPerPixel != 24 && bitsPerPixel != 32) || width < 1 || height < 1 ||
        width > 65535 || height > 65535 || pitch < width * bytesPerPixel) {
        g_message.Send(cb, "tga.dll r_Save2D : Error, no picture to save as %s (%dx%dx%d, pitch %d)\n", name, width,
                       height, bitsPerPixel, pitch);
        return -1;
    }
    std::FILE* f = plat_OpenFile(fileName, "wb");
    if (!f) {
        g_message.Send(cb, "tga.dll r_Save2D : Error, could not create %s\n", name);
        return -1;
    }
    // Uncompressed 24 bits, rows stored bottom first.
    const bool written = WriteTga(f, pixels, bytesPerPixel, pitch, TgaLayout{width, height, 24, false});
    if (std::fclose(f) != 0 || !written) {
        char resolved[4096];  // the name the file was created under
        plat_ResolvePath(fileName, resolved, sizeof resolved);
        std::remove(resolved);  // no half-written picture is left behind
        g_message.Send(cb, "tga.dll r_Save2D : Error, could not write %s\n", name);
        return -1;
    }
    return 0;
}
