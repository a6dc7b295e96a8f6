// Loading the raster back-end by file name and binding its entries by name.
#include "engine/raster_link/raster_link.h"

#include <cstdio>
#include <cstring>
#include <iterator>

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
void* gLibrary = nullptr;          // the linked back-end; linked exactly while non-null
char gLinkedName[256];             // file name of the last successful link
char gMessage[1024];               // every engine diagnostic is formatted here
RasterEntryTable gTable;           // bound entries, null when unbound
int gCard = 0;                     // first argument of the last r_InitEngine
int gVideoMode = 0;                // second argument of the last r_InitEngine
int gDevice = 0;                   // third argument of the last r_InitEngine (kept, not read)
bool gFramePresented = false;      // set by every r_SwapBuffers, never cleared
r_MsgCallback gReport = nullptr;   // r_SetReportCallback's callback, null: reports dropped
char gReportText[1024];            // every report is formatted here

}  // namespace

const RasterEntryTable& Raster() { return gTable; }
bool FramePresented() { return gFramePresented; }
int RememberedCard() { return gCard; }
int RememberedVideoMode() { return gVideoMode; }
int RememberedDevice() { return gDevice; }

int EngineMessageV(r_MsgCallback cb, const char* format, va_list args) {
    vsnprintf(gMessage, sizeof gMessage, format, args);
    return cb ? cb(gMessage) : 0;
}

int EngineMessage(r_MsgCallback cb, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = EngineMessageV(cb, format, args);
    va_end(args);
    return result;
}

void EngineReport(const char* format, ...) {
    if (!gReport) return;
    va_list args;
    va_start(args, format);
    vsnprintf(gReportText, sizeof gReportText, format, args);
    va_end(args);
    // One line: a newline the format or a quoted text ends with is dropped.
    size_t length = strlen(gReportText);
    while (length > 0 && (gReportText[length - 1] == '\n' || gReportText[length - 1] == '\r'))
        gReportText[--length] = '\0';
    gReport(gReportText);
}

TESSALY_EXPORT void r_SetReportCallback(r_MsgCallback cb) { gReport = cb; }

TESSALY_EXPORT int r_LinkRaster(const char* libraryName, r_MsgCallback cb) {
    const char* name = libraryName ? libraryName : "";
    if (gLibrary) {
        EngineMessage(cb, "r_LinkRaster : %s Already Linked , use r_FreeRaster first\n", gLinkedName);
        return -1;
    }
    gLibrary = libraryName ? plat_LoadLibrary(libraryName) : nullptr;
    if (!gLibrary) {
        EngineMessage(cb, "r_LinkRaster : Failed to Link %s\n", name);
        return -1;
    }
    // The library stays loaded after a failed lookup, with the entries bound
    // so far; r_FreeRaster releases it.
    for (const EntryBinding& entry : kBindings) {
        void* address = plat_GetProcAddress(gLibrary, entry.lookupName);
        entry.store(gTable, address);
        if (!address) {
            EngineMessage(cb, "r_LinkRaster : Error, Unable to load %s from %s\n", entry.shownName, name);
            return -1;
        }
    }
    snprintf(gLinkedName, sizeof gLinkedName, "%s", name);
    EngineMessage(cb, "r_LinkRaster : Linked %s\n", name);
    return 0;
}

TESSALY_EXPORT int r_FreeRaster(r_MsgCallback cb) {
    if (!gLibrary) return EngineMessage(cb, "r_FreeRaster : Error, No Raster Linked\n");
    plat_FreeLibrary(gLibrary);
    gLibrary = nullptr;
    gTable = RasterEntryTable{};
    return EngineMessage(cb, "r_FreeRaster : %s Released\n", gLinkedName);
}

// ---- pass-throughs: arguments handed on unchanged, results returned unchanged ----

TESSALY_EXPORT int r_GetSysInfo(void) { return gTable.GetSysInfo(); }

TESSALY_EXPORT int r_InitEngine(int card, int mode, int device, PlatWindow** window, int flags, r_MsgCallback cb) {
    // Screenshots read the frame size of the remembered card and mode.
    gCard = card;
    gVideoMode = mode;
    gDevice = device;
    return gTable.InitEngine(card, mode, device, window, flags, cb);
}

TESSALY_EXPORT int r_DeinitEngine(void) { return gTable.DeInitEngine(); }

TESSALY_EXPORT int r_SetViewportArea(float left, float top, float right, float bottom, r_MsgCallback cb) {
    return gTable.SetViewportArea(left, top, right, bottom, cb);
}

TESSALY_EXPORT int r_ClearScreen(uint32_t colour, r_MsgCallback cb) { return gTable.ClearScreen(colour, cb); }

TESSALY_EXPORT int r_ClearZBuffer(float depth, r_MsgCallback cb) { return gTable.ClearZBuffer(depth, cb); }

TESSALY_EXPORT int r_SwapBuffers(int reserved) {
    gFramePresented = true;
    return gTable.SwapBuffers(reserved);
}

TESSALY_EXPORT int r_SetFrustum(float fieldOfView, float aspect, float nearDistance, float farDistance,
                                r_MsgCallback cb) {
    return gTable.SetFrustum(fieldOfView, aspect, nearDistance, farDistance, cb);
}

TESSALY_EXPORT int r_SimpleTLRender(const TLVertex* vertices, int vertexCount, int clip, int reserved) {
    return gTable.SimpleTLRender(vertices, vertexCount, clip, reserved);
}

TESSALY_EXPORT int r_TransformIntoCamSpace(const Vector3* in, Vector3* out, int count, Matrix44 model,
                                           int reserved) {
    return gTable.TransformIntoCamSpace(in, out, count, model, reserved);
}

TESSALY_EXPORT int r_AllocMaxVtcs(int count, r_MsgCallback cb) { return gTable.AllocMaxVtcs(count, cb); }

TESSALY_EXPORT int r_FreeAllocatedVtcs(r_MsgCallback cb) { return gTable.FreeAllocatedVtcs(cb); }

TESSALY_EXPORT int r_SetRenderState(int code, int value) { return gTable.SetRenderState(code, value); }

TESSALY_EXPORT int r_DrawBitmap(int handle, int x, int y, int width, int height, unsigned flags, r_MsgCallback cb) {
    return gTable.DrawBitmap(handle, x, y, width, height, flags, cb);
}

TESSALY_EXPORT int r_SysPrint(const char* text, int x, int y, uint32_t colour) {
    if (!text) return 0;
    return gTable.SysPrint(text, x, y, colour);
}

TESSALY_EXPORT int r_SeekMode(int card, int width, int height, int bitsPerPixel, int requireHardware) {
    return gTable.SeekMode(card, width, height, bitsPerPixel, requireHardware);
}

TESSALY_EXPORT void* r_LockZBufferPointer(int* pitch, int* depthBits) {
    return gTable.LockZBufferPointer(pitch, depthBits);
}

TESSALY_EXPORT int r_ReleaseZBufferPointer(void) { return gTable.ReleaseZBufferPointer(); }

TESSALY_EXPORT int r_GetCardsNum(void) { return gTable.GetCardsNum(); }

TESSALY_EXPORT int r_GetVideoModesNum(int card) { return gTable.GetVideoModesNum(card); }

TESSALY_EXPORT int r_GetVideoModeData(int card, int mode, int* width, int* height, int* bitsPerPixel,
                                      char* reserved) {
    return gTable.GetVideoModeData(card, mode, width, height, bitsPerPixel, reserved);
}

TESSALY_EXPORT const char* r_GetVideoModeDataStr(int card, int mode) {
    return gTable.GetVideoModeDataStr(card, mode);
}
