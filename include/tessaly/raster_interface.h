// The boundary between the engine (libt7gfx.so) and the raster back-end
// (t7dxraster.so). The engine loads the back-end at run time and binds the 42
// entries of RasterEntryTable by name; the back-end defines each entry as an
// exported C function of exactly the type given here.
//
// Ownership: every buffer passed in is caller-owned and only read or written
// during the call, unless an entry says otherwise. The back-end owns its
// surfaces, its texture and image stores and its TL vertex buffer; the engine
// never touches them except through these entries.
#pragma once

#include <cstdint>

#include "tessaly/export.h"
#include "tessaly/model_records.h"
#include "tessaly/vector_types.h"

// ---- render-state codes (first argument of r_SetRenderState, a bit mask) ----
enum RenderStateCode : int {
    RS_ZWRITE = 1,       // value zero/non-zero: depth writes off/on
    RS_ZCHECK = 2,       // value zero/non-zero: depth test off/on
    RS_ZFUNC = 4,        // value bits 1 less, 2 less-equal, 4 greater, 8 greater-equal (last set wins)
    RS_ALPHABLEND = 8,   // value zero/non-zero: blending off/on
    RS_BLENDMODE = 16,   // value bits 8 translucent, 4 additive, 16 source x source colour
    RS_BILINEAR = 32,    // value zero/non-zero: nearest / bilinear with linear mip blending
    RS_FILLMODE = 64,    // value bits 2 wireframe, 1 points, 4 solid (applied in that order)
    RS_DITHER = 128,     // value 0 off, non-zero on (16-bit targets)
    RS_ANTIALIAS = 256,  // value zero/non-zero: edge antialiasing off/on
};

enum BlendModeValue : int {
    BLEND_ADDITIVE = 4,       // source + destination
    BLEND_TRANSLUCENT = 8,    // source x (1 - source alpha) + destination x source alpha
    BLEND_SOURCE_COLOUR = 16  // source x source colour, destination discarded
};

enum FillModeValue : int { FILL_POINTS = 1, FILL_WIREFRAME = 2, FILL_SOLID = 4 };

// ---- r_InitEngine flags ----
enum InitFlags : int {
    EXCLUSIVEFULLSCREEN = 1,  // full screen in the chosen mode
    WINDOWED = 2,             // windowed at the window's client size; wins over 1
    NOFRONTBUFFER = 4,        // with 1: full screen without a front surface
};

// ---- r_AddTexture and r_DrawBitmap flags ----
constexpr unsigned TEXTURE_NOMIPMAP = 0x8000;  // one level only
constexpr unsigned DRAWBITMAP_TEXTURE = 1;     // source is a texture handle (else an image)
constexpr unsigned DRAWBITMAP_FRONT = 4;       // draw onto the front surface (else the back)

// ---- r_SetViewportArea / r_SetFrustum ----
// (no constants)

// Transformed-and-lit vertex, 88 bytes: the one layout every submission takes.
struct TLVertex {
    float sx;           // screen x in pixels, 0 at the left edge, pixel centres at integers
    float sy;           // screen y in pixels, 0 at the top edge, growing downwards
    float sz;           // depth: 0 at the near plane, 1 at the far plane
    float rhw;          // 1 / camera-space z
    uint32_t diffuse;   // 0xAARRGGBB (bytes in memory: blue, green, red, alpha)
    uint32_t specular;  // same layout; unused (specular lighting is off)
    float tex[8][2];    // texture pairs 0..7 (u, v); only pair 0 is sampled
};
static_assert(sizeof(TLVertex) == 88);

// A display card of the survey (GetDDData).
struct RasterCardRecord {
    uint8_t identifier[16];  // all zeros for card 0
    char description[256];   // zero-terminated, cut to 255 characters
    char name[256];          // zero-terminated, cut to 255 characters
};

// ---- entry types, in binding order ----
typedef int (*RasterFn_GetSysInfo)(void);  // 1  "GetSysInfo": survey, returns card count
typedef int (*RasterFn_InitEngine)(int card, int mode, int device, PlatWindow** window, int flags,
                                   r_MsgCallback cb);  // 2
typedef int (*RasterFn_DeInitEngine)(void);            // 3  "r_DeInitEngine"
typedef int (*RasterFn_SetViewportArea)(float left, float top, float right, float bottom, r_MsgCallback cb);  // 4
typedef int (*RasterFn_ClearScreen)(uint32_t colour, r_MsgCallback cb);  // 5  colour 0xAARRGGBB
typedef int (*RasterFn_SwapBuffers)(int reserved);                       // 6
typedef int (*RasterFn_SetFrustum)(float fieldOfView, float aspect, float nearDistance, float farDistance,
                                   r_MsgCallback cb);                 // 7
typedef int (*RasterFn_ClearZBuffer)(float depth, r_MsgCallback cb);  // 8  0 nearest .. 1 farthest
typedef int (*RasterFn_SimpleTLRender)(const TLVertex* vertices, int vertexCount, int clip, int reserved);  // 9
typedef int (*RasterFn_TransformIntoCamSpace)(const Vector3* in, Vector3* out, int count, Matrix44 model,
                                              int reserved);                                            // 10
typedef int (*RasterFn_AllocMaxVtcs)(int count, r_MsgCallback cb);                                      // 11
typedef int (*RasterFn_FreeAllocatedVtcs)(r_MsgCallback cb);                                            // 12
typedef int (*RasterFn_RenderSBM)(CMesh* mesh, const uint32_t* colours, int reserved1, int reserved2);  // 13
typedef int (*RasterFn_AllocMaxTextures)(int count, r_MsgCallback cb);                                  // 14
typedef int (*RasterFn_AllocMaxImages)(int count, r_MsgCallback cb);                                    // 15
typedef int (*RasterFn_FreeAllocatedTextures)(r_MsgCallback cb);                                        // 16
typedef int (*RasterFn_FreeAllocatedImages)(r_MsgCallback cb);                                          // 17
typedef int (*RasterFn_SetCamMatrix)(const Matrix44* camera);                                           // 18
typedef int (*RasterFn_SetModelMatrix)(const Matrix44* model);                                          // 19
typedef int (*RasterFn_3DStart)(void);                                                                  // 20
typedef int (*RasterFn_3DEnd)(void);                                                                    // 21
typedef int (*RasterFn_SetRenderState)(int code, int value);                                            // 22
typedef int (*RasterFn_DrawBitmap)(int handle, int x, int y, int width, int height, unsigned flags,
                                   r_MsgCallback cb);  // 23
typedef int (*RasterFn_AddImage)(int handle, unsigned width, unsigned height, int bitsPerPixel, const uint8_t* pixels,
                                 const char* name, r_MsgCallback cb);  // 24
typedef int (*RasterFn_AddTexture)(int handle, unsigned width, unsigned height, int bitsPerPixel, const uint8_t* texels,
                                   const char* name, unsigned flags, r_MsgCallback cb);  // 25
typedef int (*RasterFn_SetTexture)(int stage, int handle);                               // 26
typedef int (*RasterFn_SysPrint)(const char* text, int x, int y, uint32_t colour);       // 27 colour 0x00BBGGRR
typedef int (*RasterFn_SeekMode)(int card, int width, int height, int bitsPerPixel, int requireHardware);  // 28
typedef void* (*RasterFn_LockZBufferPointer)(int* pitch, int* depthBits);                                  // 29
typedef int (*RasterFn_ReleaseZBufferPointer)(void);                                                       // 30
typedef uint8_t* (*RasterFn_LockBackBufferPointer)(int* pitch, int* bitsPerPixel);  // 31 24-bit B,G,R copy
typedef int (*RasterFn_ReleaseBackBufferPointer)(void);                             // 32
typedef int (*RasterFn_GetCardsNum)(void);                                          // 33
typedef int (*RasterFn_GetVideoModesNum)(int card);                                 // 34
typedef int (*RasterFn_GetVideoModeData)(int card, int mode, int* width, int* height, int* bitsPerPixel,
                                         char* reserved);                                // 35
typedef const char* (*RasterFn_GetVideoModeDataStr)(int card, int mode);                 // 36
typedef int (*RasterFn_ZTest)(int x0, int y0, int x1, int y1, unsigned depth);           // 37 depth on 0..65535
typedef int (*RasterFn_FullVertexCamWork)(TLVertex* out, const Vector3* in, int count);  // 38
typedef int (*RasterFn_SimpleIndexedTLRender)(const TLVertex* vertices, int vertexCount, const uint16_t* indices,
                                              int indexCount, int clip);                    // 39
typedef int (*RasterFn_TransformInto2DSpace)(TLVertex* out, const Vector3* in, int count);  // 40
typedef uint8_t* (*RasterFn_LockTexturePointer)(int handle, int* width, int* height, int* pitch,
                                                int* bitsPerPixel);        // 41 24-bit B,G,R copy
typedef int (*RasterFn_ReleaseTexturePointer)(int handle, int writeBack);  // 42

// Exported by the back-end but not bound by the engine.
typedef int (*RasterFn_GetDDONum)(void);
typedef int (*RasterFn_GetDDData)(int card, RasterCardRecord* out);

// ---- the one list of the back-end boundary ----
// Every entry the engine binds, in binding order:
//   X(field, type, export, shown)
// field: the slot of RasterEntryTable; type: the entry's type above; export:
// the name the back-end exports it under (and the engine looks up); shown: the
// name a message gives when the back-end lacks it (three differ from the
// export: GetSysInfo, r_DeInitEngine and r_SetRenderState). The entry table,
// the engine's binding, the back-end's declarations of its exports and the
// tests' tables are all made from this list.
#define TESSALY_RASTER_ENTRIES(X)                                                                                \
    X(GetSysInfo, RasterFn_GetSysInfo, GetSysInfo, "r_GetSysInfo")                                               \
    X(InitEngine, RasterFn_InitEngine, r_InitEngine, "r_InitEngine")                                             \
    X(DeInitEngine, RasterFn_DeInitEngine, r_DeInitEngine, "r_DeinitEngine")                                     \
    X(SetViewportArea, RasterFn_SetViewportArea, r_SetViewportArea, "r_SetViewportArea")                         \
    X(ClearScreen, RasterFn_ClearScreen, r_ClearScreen, "r_ClearScreen")                                         \
    X(SwapBuffers, RasterFn_SwapBuffers, r_SwapBuffers, "r_SwapBuffers")                                         \
    X(SetFrustum, RasterFn_SetFrustum, r_SetFrustum, "r_SetFrustum")                                             \
    X(ClearZBuffer, RasterFn_ClearZBuffer, r_ClearZBuffer, "r_ClearZBuffer")                                     \
    X(SimpleTLRender, RasterFn_SimpleTLRender, r_SimpleTLRender, "r_SimpleTLRender")                             \
    X(TransformIntoCamSpace, RasterFn_TransformIntoCamSpace, r_TransformIntoCamSpace, "r_TransformIntoCamSpace") \
    X(AllocMaxVtcs, RasterFn_AllocMaxVtcs, r_AllocMaxVtcs, "r_AllocMaxVtcs")                                     \
    X(FreeAllocatedVtcs, RasterFn_FreeAllocatedVtcs, r_FreeAllocatedVtcs, "r_FreeAllocatedVtcs")                 \
    X(RenderSBM, RasterFn_RenderSBM, r_RenderSBM, "r_RenderSBM")                                                 \
    X(AllocMaxTextures, RasterFn_AllocMaxTextures, r_AllocMaxTextures, "r_AllocMaxTextures")                     \
    X(AllocMaxImages, RasterFn_AllocMaxImages, r_AllocMaxImages, "r_AllocMaxImages")                             \
    X(FreeAllocatedTextures, RasterFn_FreeAllocatedTextures, r_FreeAllocatedTextures, "r_FreeAllocatedTextures") \
    X(FreeAllocatedImages, RasterFn_FreeAllocatedImages, r_FreeAllocatedImages, "r_FreeAllocatedImages")         \
    X(SetCamMatrix, RasterFn_SetCamMatrix, r_SetCamMatrix, "r_SetCamMatrix")                                     \
    X(SetModelMatrix, RasterFn_SetModelMatrix, r_SetModelMatrix, "r_SetModelMatrix")                             \
    X(Start3D, RasterFn_3DStart, r_3DStart, "r_3DStart")                                                         \
    X(End3D, RasterFn_3DEnd, r_3DEnd, "r_3DEnd")                                                                 \
    X(SetRenderState, RasterFn_SetRenderState, r_SetRenderState, "r_SetRenerState")                              \
    X(DrawBitmap, RasterFn_DrawBitmap, r_DrawBitmap, "r_DrawBitmap")                                             \
    X(AddImage, RasterFn_AddImage, r_AddImage, "r_AddImage")                                                     \
    X(AddTexture, RasterFn_AddTexture, r_AddTexture, "r_AddTexture")                                             \
    X(SetTexture, RasterFn_SetTexture, r_SetTexture, "r_SetTexture")                                             \
    X(SysPrint, RasterFn_SysPrint, r_SysPrint, "r_SysPrint")                                                     \
    X(SeekMode, RasterFn_SeekMode, r_SeekMode, "r_SeekMode")                                                     \
    X(LockZBufferPointer, RasterFn_LockZBufferPointer, r_LockZBufferPointer, "r_LockZBufferPointer")             \
    X(ReleaseZBufferPointer, RasterFn_ReleaseZBufferPointer, r_ReleaseZBufferPointer, "r_ReleaseZBufferPointer") \
    X(LockBackBufferPointer, RasterFn_LockBackBufferPointer, r_LockBackBufferPointer, "r_LockBackBufferPointer") \
    X(ReleaseBackBufferPointer, RasterFn_ReleaseBackBufferPointer, r_ReleaseBackBufferPointer,                   \
      "r_ReleaseBackBufferPointer")                                                                              \
    X(GetCardsNum, RasterFn_GetCardsNum, r_GetCardsNum, "r_GetCardsNum")                                         \
    X(GetVideoModesNum, RasterFn_GetVideoModesNum, r_GetVideoModesNum, "r_GetVideoModesNum")                     \
    X(GetVideoModeData, RasterFn_GetVideoModeData, r_GetVideoModeData, "r_GetVideoModeData")                     \
    X(GetVideoModeDataStr, RasterFn_GetVideoModeDataStr, r_GetVideoModeDataStr, "r_GetVideoModeDataStr")         \
    X(ZTest, RasterFn_ZTest, r_ZTest, "r_ZTest")                                                                 \
    X(FullVertexCamWork, RasterFn_FullVertexCamWork, r_FullVertexCamWork, "r_FullVertexCamWork")                 \
    X(SimpleIndexedTLRender, RasterFn_SimpleIndexedTLRender, r_SimpleIndexedTLRender, "r_SimpleIndexedTLRender") \
    X(TransformInto2DSpace, RasterFn_TransformInto2DSpace, r_TransformInto2DSpace, "r_TransformInto2DSpace")     \
    X(LockTexturePointer, RasterFn_LockTexturePointer, r_LockTexturePointer, "r_LockTexturePointer")             \
    X(ReleaseTexturePointer, RasterFn_ReleaseTexturePointer, r_ReleaseTexturePointer, "r_ReleaseTexturePointer")

// The card survey's exports, besides the bound entries: X(field, type, export).
#define TESSALY_RASTER_SURVEY_EXPORTS(X) \
    X(GetDDONum, RasterFn_GetDDONum, GetDDONum) X(GetDDData, RasterFn_GetDDData, GetDDData)

// The engine's table of bound entries, in binding order. All null while unlinked.
struct RasterEntryTable {
#define TESSALY_RASTER_SLOT(field, type, exportName, shown) type field;
    TESSALY_RASTER_ENTRIES(TESSALY_RASTER_SLOT)
#undef TESSALY_RASTER_SLOT
};
static_assert(sizeof(RasterEntryTable) == 42 * sizeof(void*));
