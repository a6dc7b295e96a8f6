// The boundary between the application and the engine core (libt7gfx.so).
// Every export the application (and the tests) may call, grouped by module.
//
// Conventions: handles are store indices 0..capacity-1, -1 asks for the first
// free slot where allowed; failures return -1 (or a neutral value) and report
// through the optional r_MsgCallback; names of loaded models and textures are
// upper-cased in place. The engine owns every model, mesh, picture and light it
// stores; pointers it returns stay valid until the slot is reloaded or the
// store is freed. Diagnostic texts returned or passed to callbacks are valid
// until the engine formats its next message.
#pragma once

#include <cstdint>

#include "tessaly/export.h"
#include "tessaly/model_records.h"
#include "tessaly/raster_interface.h"
#include "tessaly/vector_types.h"

// ---- raster link and pass-throughs (engine/raster_link) ----
TESSALY_EXPORT int r_LinkRaster(const char* libraryName, r_MsgCallback cb);
TESSALY_EXPORT int r_FreeRaster(r_MsgCallback cb);
// Where the engine sends what must reach the user whatever callback an
// operation was given (loads often run with a silent one): a format plug-in
// that cannot be loaded or bound (once per plug-in name for the process, with
// the places searched and the loader's reason), a model file that was read
// only in part (the plug-in's own warning, once per file read) and a picture
// file that exists but could not be read. One line per call, without a
// newline. Null (the start value) drops them. The application owns the callback.
TESSALY_EXPORT void r_SetReportCallback(r_MsgCallback cb);
TESSALY_EXPORT int r_GetSysInfo(void);
TESSALY_EXPORT int r_InitEngine(int card, int mode, int device, PlatWindow** window, int flags, r_MsgCallback cb);
TESSALY_EXPORT int r_DeinitEngine(void);
TESSALY_EXPORT int r_SetViewportArea(float left, float top, float right, float bottom, r_MsgCallback cb);
TESSALY_EXPORT int r_ClearScreen(uint32_t colour, r_MsgCallback cb);
TESSALY_EXPORT int r_ClearZBuffer(float depth, r_MsgCallback cb);
TESSALY_EXPORT int r_SwapBuffers(int reserved);
TESSALY_EXPORT int r_SetFrustum(float fieldOfView, float aspect, float nearDistance, float farDistance,
                                r_MsgCallback cb);
TESSALY_EXPORT int r_SimpleTLRender(const TLVertex* vertices, int vertexCount, int clip, int reserved);
TESSALY_EXPORT int r_TransformIntoCamSpace(const Vector3* in, Vector3* out, int count, Matrix44 model, int reserved);
TESSALY_EXPORT int r_AllocMaxVtcs(int count, r_MsgCallback cb);
TESSALY_EXPORT int r_FreeAllocatedVtcs(r_MsgCallback cb);
TESSALY_EXPORT int r_SetRenderState(int code, int value);
TESSALY_EXPORT int r_DrawBitmap(int handle, int x, int y, int width, int height, unsigned flags, r_MsgCallback cb);
TESSALY_EXPORT int r_SysPrint(const char* text, int x, int y, uint32_t colour);  // null text: 0, nothing called
TESSALY_EXPORT int r_SeekMode(int card, int width, int height, int bitsPerPixel, int requireHardware);
TESSALY_EXPORT void* r_LockZBufferPointer(int* pitch, int* depthBits);
TESSALY_EXPORT int r_ReleaseZBufferPointer(void);
TESSALY_EXPORT int r_GetCardsNum(void);
TESSALY_EXPORT int r_GetVideoModesNum(int card);
TESSALY_EXPORT int r_GetVideoModeData(int card, int mode, int* width, int* height, int* bitsPerPixel, char* reserved);
TESSALY_EXPORT const char* r_GetVideoModeDataStr(int card, int mode);

// ---- model store (engine/models) ----
TESSALY_EXPORT int r_AllocMaxModels(int capacity, r_MsgCallback cb);
TESSALY_EXPORT int r_FreeAllocatedModels(r_MsgCallback cb);
// name is upper-cased in place; modelDir and textureDir end in '/'.
TESSALY_EXPORT int r_LoadModel(int handle, char* name, const char* modelDir, const char* textureDir, int reserved,
                               r_MsgCallback cb);
// As r_LoadModel, keeping only one layer of the object (1 the first, as a
// scene's "LoadObjectLayer" counts; 0 the whole object). A model already held
// for the same name and layer is copied. -1 when the file has no such layer or
// its plug-in cannot pick layers (it can still give layer 1: the whole object).
TESSALY_EXPORT int r_LoadModelLayer(int handle, char* name, const char* modelDir, const char* textureDir, int layer,
                                    r_MsgCallback cb);
TESSALY_EXPORT int r_CopyModel(int source, int target, r_MsgCallback cb);
// Empties one model slot so that a later load can take it again (the store has
// no other per-model release). 0, or -1 for a bad handle or no store.
TESSALY_EXPORT int r_FreeModel(int handle, r_MsgCallback cb);
TESSALY_EXPORT Vector3 r_GetModelCenter(int handle);
TESSALY_EXPORT float r_GetModelRadius(int handle);
TESSALY_EXPORT int r_GetSurfNum(int handle);
TESSALY_EXPORT const char* r_GetSurfName(int handle, int mesh);
TESSALY_EXPORT int r_GetSurfTexturesNum(int handle, int mesh);
TESSALY_EXPORT int r_GetSurfTextureIdx(int handle, int mesh, int slot);
TESSALY_EXPORT int r_GetMeshesNum(int handle, r_MsgCallback cb);
TESSALY_EXPORT CMesh* r_GetMeshPointer(int handle, int mesh, r_MsgCallback cb);

// ---- texture and image stores (engine/pictures) ----
TESSALY_EXPORT int r_AllocMaxTextures(int capacity, r_MsgCallback cb);
TESSALY_EXPORT int r_FreeAllocatedTextures(r_MsgCallback cb);
TESSALY_EXPORT int r_AllocMaxImages(int capacity, r_MsgCallback cb);
TESSALY_EXPORT int r_FreeAllocatedImages(r_MsgCallback cb);
// name is upper-cased in place; dir ends in '/'. flags go to the back-end (TEXTURE_NOMIPMAP).
TESSALY_EXPORT int r_LoadTexture(int handle, char* name, const char* dir, int flags, r_MsgCallback cb);
TESSALY_EXPORT int r_LoadImage(int handle, const char* name, const char* dir, int reserved, r_MsgCallback cb);
// Pass-through to the back-end; the engine's own store is not touched.
TESSALY_EXPORT int r_AddTexture(int handle, unsigned width, unsigned height, int bitsPerPixel, const uint8_t* texels,
                                const char* name, unsigned flags, r_MsgCallback cb);
TESSALY_EXPORT int r_GetTexturesNum(void);
TESSALY_EXPORT const char* r_GetTextureName(int handle);
TESSALY_EXPORT int r_GetTextureData(int handle, int* width, int* height, int* bitsPerPixel);
TESSALY_EXPORT const char* r_GetTextureDataStr(int handle);
TESSALY_EXPORT uint8_t* r_LockTexturePointer(int handle, int* width, int* height, int* pitch, int* bitsPerPixel);
TESSALY_EXPORT int r_ReleaseTexturePointer(int handle, int writeBack);

// ---- mesh drawing (engine/draw) ----
TESSALY_EXPORT int r_SetCamMatrix(const Matrix44* camera);
TESSALY_EXPORT int r_DrawCMeshData(int handle, Matrix44 model, int flags);
TESSALY_EXPORT int r_AllocMaxAlphaMeshes(int capacity);
TESSALY_EXPORT int r_FreeAllocatedAlphaMeshes(void);
TESSALY_EXPORT int r_FlushAlphaMeshes(void);

// ---- lighting front (engine/lighting) ----
TESSALY_EXPORT int r_AllocMaxLights(int lights, int vertexColours, r_MsgCallback cb);
TESSALY_EXPORT int r_FreeAllocatedLights(r_MsgCallback cb);
TESSALY_EXPORT int r_AddLight(const Matrix44* placement, const float* rgb, float range, int type, uint8_t flag,
                              int extra);
// Pass-through to the lighting library's _SetLightCone (a spot's cone and soft edge, radians).
TESSALY_EXPORT int r_SetLightCone(int light, float coneAngle, float edgeAngle);
TESSALY_EXPORT int r_KillLight(int light);
TESSALY_EXPORT int r_KillAllLights(void);
TESSALY_EXPORT int r_SetAmbient(float red, float green, float blue);
TESSALY_EXPORT int r_LightMesh(CMesh* mesh, const Matrix44* model, uint32_t* coloursA, uint32_t* coloursB, int mode);
TESSALY_EXPORT int r_ResetSBMIllum(CMesh* mesh, float luminosity);
TESSALY_EXPORT int r_AddModelLights(int handle, const Matrix44* model, int extra);
TESSALY_EXPORT int r_PreIllumModel(int handle, const Matrix44* model, r_MsgCallback cb);
TESSALY_EXPORT int r_ResetModelIllum(int handle, r_MsgCallback cb);

// ---- 2D effects and flares (engine/effects) ----
// colour: byte 0 blue, 1 green, 2 red, 3 alpha. blendMode: RS_BLENDMODE value.
TESSALY_EXPORT int r_Render2DFX(int texture, Vector3 position, float halfWidth, float halfHeight, uint32_t colour,
                                int blendMode, int reserved, r_MsgCallback cb);
TESSALY_EXPORT int r_RenderFlare(int texture, Vector3 position, float halfWidth, float halfHeight, uint32_t colour,
                                 int blendMode, int reserved, r_MsgCallback cb);
TESSALY_EXPORT void r_RenderLightEffects(void);

// ---- console (engine/console) ----
TESSALY_EXPORT int r_ConsoleInit(int displayLines, int historyLines, int lineWidth);
TESSALY_EXPORT int r_ConsoleDeInit(void);
TESSALY_EXPORT int r_ConsoleClear(void);
TESSALY_EXPORT int r_ConsoleSetCursorCharacter(int character);
TESSALY_EXPORT int r_ConsolePrintLine(const char* text);
TESSALY_EXPORT int r_ConsoleAddChar(int keyCode);
TESSALY_EXPORT const char* r_ConsoleGetLine(int index);
TESSALY_EXPORT char* r_ConsoleGetCommand(void);
TESSALY_EXPORT int r_ConsoleHasCommandAvailable(void);
TESSALY_EXPORT int r_ConsoleCommandAccepted(void);

// ---- screenshots (engine/screenshot) ----
// Saves the back buffer as dir + prefix + NNN + "." + extension with the first free number.
TESSALY_EXPORT int r_ScreenShot(const char* prefix, const char* extension, const char* dir, int flags,
                                r_MsgCallback cb);
