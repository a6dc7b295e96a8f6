// Screenshots: the back buffer saved as the first free numbered picture file
// through the image plug-in of the requested file type.
#include <cstdio>

#include "engine/messages/messages.h"
#include "engine/pictures/format_plugin.h"
#include "engine/raster_link/raster_link.h"
#include "platform/platform.h"
#include "tessaly/engine_api.h"

namespace {

constexpr int kMaxShots = 1000;  // numbers 000 to 999
constexpr size_t kNameSize = 1024;

// The first free name dir + prefix + NNN + "." + extension, resolved without
// regard to case (so an existing "ts000.tga" also takes the number of
// "TS000.TGA"). False when all numbers are taken or the names do not fit.
bool FirstFreeName(const char* dir, const char* prefix, const char* extension, char* out, size_t outSize) {
    for (int n = 0; n < kMaxShots; ++n) {
        char candidate[kNameSize];
        const int length = std::snprintf(candidate, sizeof candidate, "%s%s%.3d.%s", dir, prefix, n, extension);
        if (length < 0 || static_cast<size_t>(length) >= sizeof candidate) return false;
        // The resolved form keeps a missing name as given inside its found
        // directory, so it is also the name to write.
        if (!plat_ResolvePath(candidate, out, outSize)) return true;
    }
    return false;
}

}  // namespace

TESSALY_EXPORT int r_ScreenShot(const char* prefix, const char* extension, const char* dir, int flags,
                                r_MsgCallback cb) {
    if (!prefix) prefix = "";
    if (!extension) extension = "";
    if (!dir) dir = "";
    const RasterEntryTable& raster = Raster();
    if (!raster.GetVideoModeData || !raster.LockBackBufferPointer || !raster.ReleaseBackBufferPointer) return -1;

    int width = 0, height = 0, modeBits = 0;
    char reserved = 0;
    raster.GetVideoModeData(RememberedCard(), RememberedVideoMode(), &width, &height, &modeBits, &reserved);

    char fileName[kNameSize];
    if (!FirstFreeName(dir, prefix, extension, fileName, sizeof fileName))
        return EngineMessage(cb, "r_ScreenShot : Error, No Free File Names (%s%sxxx.%s)\n", dir, prefix, extension);

    int pitch = 0, bits = 0;
    const uint8_t* pixels = raster.LockBackBufferPointer(&pitch, &bits);
    if (!pixels) {
        raster.ReleaseBackBufferPointer();
        return -1;
    }
    // Never hand the plug-in rows wider than the locked buffer holds.
    if (bits >= 8 && width > pitch / (bits / 8)) width = pitch / (bits / 8);

    char pluginFile[256];
    std::snprintf(pluginFile, sizeof pluginFile, "%s.dll", extension);
    PluginLibrary library(pluginFile);
    if (!library.Loaded()) {
        // Nothing was saved: the caller must not take it for a shot (the
        // library itself has been reported by the plug-in lookup).
        raster.ReleaseBackBufferPointer();
        return -1;
    }

    ImagePluginTable plugin{};
    if (!Link2DFunctions(library.Handle(), pluginFile, plugin, cb)) {
        library.Release();
        raster.ReleaseBackBufferPointer();
        return EngineMessage(cb, "r_ScreenShot : Error, Could not properly link %s\n", pluginFile);
    }

    const int saved = plugin.Save2D(fileName, pixels, bits, height, width, pitch, flags, cb);
    plugin = ImagePluginTable{};
    library.Release();
    const int released = raster.ReleaseBackBufferPointer();
    // A file that could not be written is not reported as a saved shot.
    return saved == -1 ? -1 : released;
}
