// Loading the raster back-end by file name and binding its entries by name.
#include "engine/raster_link/raster_link.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "engine/messages/messages.h"
#include "platform/platform.h"
#include "tessaly/engine_api.h"

namespace {

// One back-end entry: the name it is exported under, the name shown when it
// is missing, and how its address is stored in its table slot.
struct EntryBinding {
    const char* lookupName;
    const char* shownName;
    void (*store)(RasterEntryTable& table, void* address);
};

// Binding order and names, from the boundary's one list.
#define TESSALY_RASTER_BINDING(field, type, exportName, shown) \
    {#exportName, shown, [](RasterEntryTable& t, void* a) { t.field = reinterpret_cast<type>(a); }},
constexpr EntryBinding kBindings[] = {TESSALY_RASTER_ENTRIES(TESSALY_RASTER_BINDING)};
#undef TESSALY_RASTER_BINDING
static_assert(std::size(kBindings) == sizeof(RasterEntryTable) / sizeof(void*));

// Engine-front state, one per process, zero at load.
void* g_library = nullptr;      // the linked back-end; linked exactly while non-null
char g_linkedName[256];         // file name of the last successful link
RasterEntryTable g_table;       // bound entries, null when unbound
int g_card = 0;                 // first argument of the last r_InitEngine
int g_videoMode = 0;            // second argument of the last r_InitEngine
int g_device = 0;               // third argument of the last r_InitEngine (kept, not read)
bool g_framePresented = false;  // set by every r_SwapBuffers, never cleared

}  // namespace

const RasterEntryTable& Raster() { return g_table; }
bool FramePresented() { return g_framePresented; }
int RememberedCard() { return g_card; }
int RememberedVideoMode() { return g_videoMode; }
int RememberedDevice() { return g_device; }

TESSALY_EXPORT int r_LinkRaster(const char* libraryName, r_MsgCallback cb) {
    const char* name = libraryName ? libraryName : "";
    if (g_library) {
        EngineMessage(cb, "r_LinkRaster : %s Already Linked , use r_FreeRaster first\n", g_linkedName);
        return -1;
    }
    g_library = libraryName ? plat_LoadLibrary(libraryName) : nullptr;
    if (!g_library) {
        EngineMessage(cb, "r_LinkRaster : Failed to Link %s\n", name);
        return -1;
    }
    // The library stays loaded after a failed lookup, with the entries bound
    // so far; r_FreeRaster releases it.
    for (const EntryBinding& entry : kBindings) {
        void* address = plat_GetProcAddress(g_library, entry.lookupName);
        entry.store(g_table, address);
        if (!address) {
            EngineMessage(cb, "r_LinkRaster : Error, Unable to load %s from %s\n", entry.shownName, name);
            return -1;
        }
    }
    snprintf(g_linkedName, sizeof g_linkedName, "%s", name);
    EngineMessage(cb, "r_LinkRaster : Linked %s\n", name);
    return 0;
}

TESSALY_EXPORT int r_FreeRaster(r_MsgCallback cb) {
    if (!g_library) return EngineMessage(cb, "r_FreeRaster : Error, No Raster Linked\n");
    plat_FreeLibrary(g_library);
    g_library = nullptr;
    g_table = RasterEntryTable{};
    return EngineMessage(cb, "r_FreeRaster : %s Released\n", g_linkedName);
}

// ---- pass-throughs: arguments handed on unchanged, results returned unchanged ----

TESSALY_EXPORT int r_GetSysInfo(void) { return g_table.GetSysInfo(); }

TESSALY_EXPORT int r_InitEngine(int card, int mode, int device, PlatWindow** window, int flags, r_MsgCallback cb) {
    // Screenshots read the frame size of the remembered card and mode.
    g_card = card;
    g_videoMode = mode;
    g_device = device;
    return g_table.InitEngine(card, mode, device, window, flags, cb);
}

TESSALY_EXPORT int r_DeinitEngine(void) { return g_table.DeInitEngine(); }

TESSALY_EXPORT int r_SetViewportArea(float left, float top, float right, float bottom, r_MsgCallback cb) {
    return g_table.SetViewportArea(left, top, right, bottom, cb);
}

TESSALY_EXPORT int r_ClearScreen(uint32_t colour, r_MsgCallback cb) { return g_table.ClearScreen(colour, cb); }

TESSALY_EXPORT int r_ClearZBuffer(float depth, r_MsgCallback cb) { return g_table.ClearZBuffer(depth, cb); }

TESSALY_EXPORT int r_SwapBuffers(int reserved) {
    g_framePresented = true;
    return g_table.SwapBuffers(reserved);
}

TESSALY_EXPORT int r_SetFrustum(float fieldOfView, float aspect, float nearDistance, float farDistance,
                                r_MsgCallback cb) {
    return g_table.SetFrustum(fieldOfView, aspect, nearDistance, farDistance, cb);
}

TESSALY_EXPORT int r_SimpleTLRender(const TLVertex* vertices, int vertexCount, int clip, int reserved) {
    return g_table.SimpleTLRender(vertices, vertexCount, clip, reserved);
}

TESSALY_EXPORT int r_TransformIntoCamSpace(const Vector3* in, Vector3* out, int count, Matrix44 model, int reserved) {
    return g_table.TransformIntoCamSpace(in, out, count, model, reserved);
}

TESSALY_EXPORT int r_AllocMaxVtcs(int count, r_MsgCallback cb) { return g_table.AllocMaxVtcs(count, cb); }

TESSALY_EXPORT int r_FreeAllocatedVtcs(r_MsgCallback cb) { return g_table.FreeAllocatedVtcs(cb); }

TESSALY_EXPORT int r_SetRenderState(int code, int value) { return g_table.SetRenderState(code, value); }

TESSALY_EXPORT int r_DrawBitmap(int handle, int x, int y, int width, int height, unsigned flags, r_MsgCallback cb) {
    return g_table.DrawBitmap(handle, x, y, width, height, flags, cb);
}

TESSALY_EXPORT int r_SysPrint(const char* text, int x, int y, uint32_t colour) {
    if (!text) return 0;
    return g_table.SysPrint(text, x, y, colour);
}

TESSALY_EXPORT int r_SeekMode(int card, int width, int height, int bitsPerPixel, int requireHardware) {
    return g_table.SeekMode(card, width, height, bitsPerPixel, requireHardware);
}

TESSALY_EXPORT void* r_LockZBufferPointer(int* pitch, int* depthBits) {
    return g_table.LockZBufferPointer(pitch, depthBits);
}

TESSALY_EXPORT int r_ReleaseZBufferPointer(void) { return g_table.ReleaseZBufferPointer(); }

TESSALY_EXPORT int r_GetCardsNum(void) { return g_table.GetCardsNum(); }

TESSALY_EXPORT int r_GetVideoModesNum(int card) { return g_table.GetVideoModesNum(card); }

TESSALY_EXPORT int r_GetVideoModeData(int card, int mode, int* width, int* height, int* bitsPerPixel, char* reserved) {
    return g_table.GetVideoModeData(card, mode, width, height, bitsPerPixel, reserved);
}

TESSALY_EXPORT const char* r_GetVideoModeDataStr(int card, int mode) { return g_table.GetVideoModeDataStr(card, mode); }
