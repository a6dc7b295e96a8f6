// The image plug-in entry points, shared by the PNG, JPEG, BMP and IFF
// plug-ins: read one picture and hand its pixels to the engine, or write a
// screenshot. Each plug-in library links this file with the Format it serves
// (kPluginFormat, defined in its own small file).

#include <cstdio>
#include <new>
#include <vector>

#include "common/message_buffer.h"
#include "platform/platform.h"
#include "plugins/images/picture.h"
#include "tessaly/plugin_interface.h"

TESSALY_IMAGE_PLUGIN_ENTRIES(TESSALY_DECLARE_EXPORT)

extern const images::Format kPluginFormat;

namespace {

images::Picture g_picture;      // the picture read last; kept until the next read or the unload
MessageBuffer<1024> g_message;  // the plug-in's one diagnostic buffer

// Reads the file whole into data. False with the reason in fault.
bool ReadFile(const char* path, std::vector<uint8_t>& data, std::string& fault) {
    std::FILE* f = plat_OpenFile(path, "rb");
    if (!f) {
        fault = "cannot be opened";
        return false;
    }
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (!ok) {
        fault = "cannot be read";
    } else if (static_cast<size_t>(size) > images::kMaxFileBytes) {
        fault = "file is larger than any picture accepted";
        ok = false;
    } else {
        try {
            data.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            fault = "not enough memory to read the file";
            ok = false;
        }
        if (ok && size > 0 && std::fread(data.data(), 1, data.size(), f) != data.size()) {
            fault = "cannot be read";
            ok = false;
        }
    }
    std::fclose(f);
    return ok;
}

}  // namespace

int r_Load2D(const char* path, r_MsgCallback cb) {
    g_picture = images::Picture{};
    const char* name = path ? path : "(null)";
    std::vector<uint8_t> data;
    std::string fault;
    if (!path || !ReadFile(path, data, fault)) {
        g_message.Send(cb, "%s r_Load2D : Error, could not open %s (%s)\n", kPluginFormat.pluginName, name,
                       path ? fault.c_str() : "no name");
        return -1;
    }
    if (!kPluginFormat.decode(data, g_picture, fault)) {
        g_picture = images::Picture{};
        g_message.Send(cb, "%s r_Load2D : Error, %s is not a readable %s file: %s\n", kPluginFormat.pluginName, name,
                       kPluginFormat.kind, fault.c_str());
        return -1;
    }
    return 0;
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
    if (!kPluginFormat.encode) {
        g_message.Send(cb, "%s r_Save2D : Error, cannot write %s files (%s)\n", kPluginFormat.pluginName,
                       kPluginFormat.kind, name);
        return -1;
    }
    const int bytesPerPixel = bitsPerPixel / 8;
    if (!fileName || !pixels || (bitsPerPixel != 24 && bitsPerPixel != 32) || width < 1 || height < 1 ||
        width > images::kMaxSide || height > images::kMaxSide || pitch < width * bytesPerPixel) {
        g_message.Send(cb, "%s r_Save2D : Error, no picture to save as %s (%dx%dx%d, pitch %d)\n",
                       kPluginFormat.pluginName, name, width, height, bitsPerPixel, pitch);
        return -1;
    }
    std::FILE* f = plat_OpenFile(fileName, "wb");
    if (!f) {
        g_message.Send(cb, "%s r_Save2D : Error, could not create %s\n", kPluginFormat.pluginName, name);
        return -1;
    }
    std::string fault;
    const bool written = kPluginFormat.encode(f, pixels, bytesPerPixel, width, height, pitch, fault);
    if (std::fclose(f) != 0 || !written) {
        char resolved[4096];  // the name the file was created under
        plat_ResolvePath(fileName, resolved, sizeof resolved);
        std::remove(resolved);  // no half-written picture is left behind
        g_message.Send(cb, "%s r_Save2D : Error, could not write %s%s%s\n", kPluginFormat.pluginName, name,
                       fault.empty() ? "" : ": ", fault.c_str());
        return -1;
    }
    return 0;
}
