// A stand-in raster back-end for the linking tests. Every entry records its
// name and arguments as text and returns a result of its own. Built once
// complete and once per entry with TESTRASTER_OMIT=N leaving entry N out (the
// variant without entry 1 exports "r_GetSysInfo" in its place, a name the
// engine must not accept).
#include <cstdarg>
#include <cstdio>

#include "tessaly/raster_interface.h"

#ifndef TESTRASTER_OMIT
#define TESTRASTER_OMIT 0
#endif
#define KEEP(n) (TESTRASTER_OMIT != (n))

namespace {
char g_lastCall[1024];
int g_callCount = 0;
uint8_t g_buffer[64];

void Record(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Record(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(g_lastCall, sizeof g_lastCall, format, args);
    va_end(args);
    ++g_callCount;
}
}  // namespace

TESSALY_EXPORT const char* testraster_LastCall(void) { return g_lastCall; }
TESSALY_EXPORT int testraster_CallCount(void) { return g_callCount; }

#if KEEP(1)
TESSALY_EXPORT int GetSysInfo(void) {
    Record("GetSysInfo");
    return 101;
}
#else
TESSALY_EXPORT int r_GetSysInfo(void) {
    Record("r_GetSysInfo");
    return 101;
}
#endif
#if KEEP(2)
TESSALY_EXPORT int r_InitEngine(int card, int mode, int device, PlatWindow** window, int flags, r_MsgCallback cb) {
    Record("r_InitEngine %d %d %d %p %d %p", card, mode, device, (void*)window, flags, (void*)cb);
    return 102;
}
#endif
#if KEEP(3)
TESSALY_EXPORT int r_DeInitEngine(void) {
    Record("r_DeInitEngine");
    return 103;
}
#endif
#if KEEP(4)
TESSALY_EXPORT int r_SetViewportArea(float l, float t, float r, float b, r_MsgCallback cb) {
    Record("r_SetViewportArea %g %g %g %g %p", l, t, r, b, (void*)cb);
    return 104;
}
#endif
#if KEEP(5)
TESSALY_EXPORT int r_ClearScreen(uint32_t colour, r_MsgCallback cb) {
    Record("r_ClearScreen %08x %p", colour, (void*)cb);
    return 105;
}
#endif
#if KEEP(6)
TESSALY_EXPORT int r_SwapBuffers(int reserved) {
    Record("r_SwapBuffers %d", reserved);
    return 106;
}
#endif
#if KEEP(7)
TESSALY_EXPORT int r_SetFrustum(float fov, float aspect, float n, float f, r_MsgCallback cb) {
    Record("r_SetFrustum %g %g %g %g %p", fov, aspect, n, f, (void*)cb);
    return 107;
}
#endif
#if KEEP(8)
TESSALY_EXPORT int r_ClearZBuffer(float depth, r_MsgCallback cb) {
    Record("r_ClearZBuffer %g %p", depth, (void*)cb);
    return 108;
}
#endif
#if KEEP(9)
TESSALY_EXPORT int r_SimpleTLRender(const TLVertex* v, int count, int clip, int reserved) {
    Record("r_SimpleTLRender %p %d %d %d", (const void*)v, count, clip, reserved);
    return 109;
}
#endif
#if KEEP(10)
TESSALY_EXPORT int r_TransformIntoCamSpace(const Vector3* in, Vector3* out, int count, Matrix44 m, int reserved) {
    Record("r_TransformIntoCamSpace %p %p %d [%g %g %g %g %g %g %g %g %g %g %g %g %g %g %g %g] %d", (const void*)in,
           (void*)out, count, m.m[0], m.m[1], m.m[2], m.m[3], m.m[4], m.m[5], m.m[6], m.m[7], m.m[8], m.m[9], m.m[10],
           m.m[11], m.m[12], m.m[13], m.m[14], m.m[15], reserved);
    return 110;
}
#endif
#if KEEP(11)
TESSALY_EXPORT int r_AllocMaxVtcs(int count, r_MsgCallback cb) {
    Record("r_AllocMaxVtcs %d %p", count, (void*)cb);
    return 111;
}
#endif
#if KEEP(12)
TESSALY_EXPORT int r_FreeAllocatedVtcs(r_MsgCallback cb) {
    Record("r_FreeAllocatedVtcs %p", (void*)cb);
    return 112;
}
#endif
#if KEEP(13)
TESSALY_EXPORT int r_RenderSBM(CMesh* mesh, const uint32_t* colours, int a, int b) {
    Record("r_RenderSBM %p %p %d %d", (void*)mesh, (const void*)colours, a, b);
    return 113;
}
#endif
#if KEEP(14)
TESSALY_EXPORT int r_AllocMaxTextures(int count, r_MsgCallback cb) {
    Record("r_AllocMaxTextures %d %p", count, (void*)cb);
    return 114;
}
#endif
#if KEEP(15)
TESSALY_EXPORT int r_AllocMaxImages(int count, r_MsgCallback cb) {
    Record("r_AllocMaxImages %d %p", count, (void*)cb);
    return 115;
}
#endif
#if KEEP(16)
TESSALY_EXPORT int r_FreeAllocatedTextures(r_MsgCallback cb) {
    Record("r_FreeAllocatedTextures %p", (void*)cb);
    return 116;
}
#endif
#if KEEP(17)
TESSALY_EXPORT int r_FreeAllocatedImages(r_MsgCallback cb) {
    Record("r_FreeAllocatedImages %p", (void*)cb);
    return 117;
}
#endif
#if KEEP(18)
TESSALY_EXPORT int r_SetCamMatrix(const Matrix44* m) {
    Record("r_SetCamMatrix %p", (const void*)m);
    return 118;
}
#endif
#if KEEP(19)
TESSALY_EXPORT int r_SetModelMatrix(const Matrix44* m) {
    Record("r_SetModelMatrix %p", (const void*)m);
    return 119;
}
#endif
#if KEEP(20)
TESSALY_EXPORT int r_3DStart(void) {
    Record("r_3DStart");
    return 120;
}
#endif
#if KEEP(21)
TESSALY_EXPORT int r_3DEnd(void) {
    Record("r_3DEnd");
    return 121;
}
#endif
#if KEEP(22)
TESSALY_EXPORT int r_SetRenderState(int code, int value) {
    Record("r_SetRenderState %d %d", code, value);
    return 122;
}
#endif
#if KEEP(23)
TESSALY_EXPORT int r_DrawBitmap(int handle, int x, int y, int w, int h, unsigned flags, r_MsgCallback cb) {
    Record("r_DrawBitmap %d %d %d %d %d %u %p", handle, x, y, w, h, flags, (void*)cb);
    return 123;
}
#endif
#if KEEP(24)
TESSALY_EXPORT int r_AddImage(int handle, unsigned w, unsigned h, int bpp, const uint8_t* px, const char* name,
                              r_MsgCallback cb) {
    Record("r_AddImage %d %u %u %d %p %s %p", handle, w, h, bpp, (const void*)px, name, (void*)cb);
    return 124;
}
#endif
#if KEEP(25)
TESSALY_EXPORT int r_AddTexture(int handle, unsigned w, unsigned h, int bpp, const uint8_t* px, const char* name,
                                unsigned flags, r_MsgCallback cb) {
    Record("r_AddTexture %d %u %u %d %p %s %u %p", handle, w, h, bpp, (const void*)px, name, flags, (void*)cb);
    return 125;
}
#endif
#if KEEP(26)
TESSALY_EXPORT int r_SetTexture(int stage, int handle) {
    Record("r_SetTexture %d %d", stage, handle);
    return 126;
}
#endif
#if KEEP(27)
TESSALY_EXPORT int r_SysPrint(const char* text, int x, int y, uint32_t colour) {
    Record("r_SysPrint %s %d %d %08x", text, x, y, colour);
    return 127;
}
#endif
#if KEEP(28)
TESSALY_EXPORT int r_SeekMode(int card, int w, int h, int bpp, int hw) {
    Record("r_SeekMode %d %d %d %d %d", card, w, h, bpp, hw);
    return 128;
}
#endif
#if KEEP(29)
TESSALY_EXPORT void* r_LockZBufferPointer(int* pitch, int* bits) {
    Record("r_LockZBufferPointer %p %p", (void*)pitch, (void*)bits);
    return g_buffer + 29;
}
#endif
#if KEEP(30)
TESSALY_EXPORT int r_ReleaseZBufferPointer(void) {
    Record("r_ReleaseZBufferPointer");
    return 130;
}
#endif
#if KEEP(31)
TESSALY_EXPORT uint8_t* r_LockBackBufferPointer(int* pitch, int* bpp) {
    Record("r_LockBackBufferPointer %p %p", (void*)pitch, (void*)bpp);
    return g_buffer + 31;
}
#endif
#if KEEP(32)
TESSALY_EXPORT int r_ReleaseBackBufferPointer(void) {
    Record("r_ReleaseBackBufferPointer");
    return 132;
}
#endif
#if KEEP(33)
TESSALY_EXPORT int r_GetCardsNum(void) {
    Record("r_GetCardsNum");
    return 133;
}
#endif
#if KEEP(34)
TESSALY_EXPORT int r_GetVideoModesNum(int card) {
    Record("r_GetVideoModesNum %d", card);
    return 134;
}
#endif
#if KEEP(35)
TESSALY_EXPORT int r_GetVideoModeData(int card, int mode, int* w, int* h, int* bpp, char* reserved) {
    Record("r_GetVideoModeData %d %d %p %p %p %p", card, mode, (void*)w, (void*)h, (void*)bpp, (void*)reserved);
    return 135;
}
#endif
#if KEEP(36)
TESSALY_EXPORT const char* r_GetVideoModeDataStr(int card, int mode) {
    static const char text[] = "test mode text";
    Record("r_GetVideoModeDataStr %d %d", card, mode);
    return text;
}
#endif
#if KEEP(37)
TESSALY_EXPORT int r_ZTest(int x0, int y0, int x1, int y1, unsigned depth) {
    Record("r_ZTest %d %d %d %d %u", x0, y0, x1, y1, depth);
    return 137;
}
#endif
#if KEEP(38)
TESSALY_EXPORT int r_FullVertexCamWork(TLVertex* out, const Vector3* in, int count) {
    Record("r_FullVertexCamWork %p %p %d", (void*)out, (const void*)in, count);
    return 138;
}
#endif
#if KEEP(39)
TESSALY_EXPORT int r_SimpleIndexedTLRender(const TLVertex* v, int count, const uint16_t* idx, int idxCount, int clip) {
    Record("r_SimpleIndexedTLRender %p %d %p %d %d", (const void*)v, count, (const void*)idx, idxCount, clip);
    return 139;
}
#endif
#if KEEP(40)
TESSALY_EXPORT int r_TransformInto2DSpace(TLVertex* out, const Vector3* in, int count) {
    Record("r_TransformInto2DSpace %p %p %d", (void*)out, (const void*)in, count);
    return 140;
}
#endif
#if KEEP(41)
TESSALY_EXPORT uint8_t* r_LockTexturePointer(int handle, int* w, int* h, int* pitch, int* bpp) {
    Record("r_LockTexturePointer %d %p %p %p %p", handle, (void*)w, (void*)h, (void*)pitch, (void*)bpp);
    return g_buffer + 41;
}
#endif
#if KEEP(42)
TESSALY_EXPORT int r_ReleaseTexturePointer(int handle, int writeBack) {
    Record("r_ReleaseTexturePointer %d %d", handle, writeBack);
    return 142;
}
#endif
