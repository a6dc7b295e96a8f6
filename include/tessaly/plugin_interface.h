// The boundary between the engine and its format plug-ins. The engine finds a
// plug-in by the file's extension ("lwo" -> lwo.so, "tga" -> tga.so, looked up
// without regard to case), loads it for one load or save, binds the entries
// below by name, drives them and releases the library again.
//
// Model plug-ins fill CModel/CMesh records (tessaly/model_records.h) that the
// engine has allocated; they never allocate or free the engine's arrays
// (except r_ExportMD2, which allocates three arrays per destination mesh).
// Image plug-ins hand pixels over as rows top to bottom, 3 bytes red, green,
// blue per pixel, or 4 with alpha for 32 bits.
#pragma once

#include <cstdint>

#include "tessaly/export.h"
#include "tessaly/model_records.h"

// ---- model plug-in ("Link3DFunctions"), binding order ----
// Reads the whole file at path; 0 when the plug-in now holds the model, -1 when
// the file could not be read. Messages go to cb. A message whose text holds
// "Warning" says the file was read only in part (what was wrong, where); the
// engine reports the first one of a load to the user (r_SetReportCallback).
typedef int (*ModelFn_Load3D)(const char* path, r_MsgCallback cb);
// Fills the engine-allocated meshes of model (one per surface, arrays sized
// 3 x r_GetSurfacePolys), its mesh count, radius (raised only) and centre.
// flags bit 0x4 skips welding.
typedef void (*ModelFn_ExportMD)(CModel* model, int flags);
// Flat-shaded copy of a model exported with welding skipped; allocates the
// positions, normals and face normals of each destination mesh.
typedef void (*ModelFn_ExportMD2)(CModel* destination, int reserved, const CModel* source);
typedef int (*ModelFn_GetSurfacesNum)(void);          // surfaces = meshes
typedef int (*ModelFn_GetSurfacePolys)(int surface);  // triangles of the surface (0 for any other number)
typedef int (*ModelFn_GetMaxTexturesNum)(void);       // texture slots per surface (8)
typedef const char* (*ModelFn_GetSurfaceTextureName)(int surface, int slot);  // valid until the next load or unload
typedef int (*ModelFn_HasTexture)(int surface, int slot);                     // non-zero when the slot names an image

// The one list of the model plug-in boundary, in binding order:
// X(field of ModelPluginTable, type, exported name). The table, the engine's
// binding and the plug-in's declarations of its exports are made from it.
#define TESSALY_MODEL_PLUGIN_ENTRIES(X)                                              \
    X(Load3D, ModelFn_Load3D, r_Load3D)                                              \
    X(ExportMD, ModelFn_ExportMD, r_ExportMD)                                        \
    X(ExportMD2, ModelFn_ExportMD2, r_ExportMD2)                                     \
    X(GetSurfacesNum, ModelFn_GetSurfacesNum, r_GetSurfacesNum)                      \
    X(GetSurfacePolys, ModelFn_GetSurfacePolys, r_GetSurfacePolys)                   \
    X(GetMaxTexturesNum, ModelFn_GetMaxTexturesNum, r_GetMaxTexturesNum)             \
    X(GetSurfaceTextureName, ModelFn_GetSurfaceTextureName, r_GetSurfaceTextureName) \
    X(HasTexture, ModelFn_HasTexture, r_HasTexture)

struct ModelPluginTable {
#define TESSALY_PLUGIN_SLOT(field, type, exportName) type field;
    TESSALY_MODEL_PLUGIN_ENTRIES(TESSALY_PLUGIN_SLOT)
};

// ---- model plug-in, optional entry ----
// Bound only when the engine loads one layer of an object (r_LoadModelLayer);
// a plug-in without it can give only whole objects. As r_Load3D, keeping only
// the polygons of layer (1 the first; 0 every layer); -1 with an error message
// when the file has no such layer.
typedef int (*ModelFn_Load3DLayer)(const char* path, int layer, r_MsgCallback cb);
#define TESSALY_MODEL_PLUGIN_LAYER_ENTRY "r_Load3DLayer"

// ---- image plug-in ("Link2DFunctions"), binding order ----
// Reads the picture at path and keeps it until the next read or the unload.
// The first message holding "Error" or "Warning" about a file that exists is
// reported to the user as what was wrong with it.
typedef int (*ImageFn_Load2D)(const char* path, r_MsgCallback cb);
// Sizes of the picture read; width 0 means nothing was read. Bits are 24 or 32.
typedef int (*ImageFn_GetImageData)(int* width, int* height, int* bitsPerPixel, r_MsgCallback cb);
// The pixels (width x height x bits / 8 bytes, top row first, R,G,B[,A]); the
// same pointer on every call until the plug-in reads again or is released.
typedef uint8_t* (*ImageFn_GetImagePointer)(r_MsgCallback cb);
// Writes a picture file. pixels: rows top to bottom, pitch bytes apart, each
// pixel bitsPerPixel / 8 bytes in the order blue, green, red (the back-buffer
// lock's layout). 0 on success, -1 on failure (reported through cb).
typedef int (*ImageFn_Save2D)(const char* fileName, const uint8_t* pixels, int bitsPerPixel, int height, int width,
                              int pitch, int flags, r_MsgCallback cb);

// The one list of the image plug-in boundary, in binding order:
// X(field of ImagePluginTable, type, exported name).
#define TESSALY_IMAGE_PLUGIN_ENTRIES(X)                            \
    X(Load2D, ImageFn_Load2D, r_Load2D)                            \
    X(GetImageData, ImageFn_GetImageData, r_GetImageData)          \
    X(GetImagePointer, ImageFn_GetImagePointer, r_GetImagePointer) \
    X(Save2D, ImageFn_Save2D, r_Save2D)

struct ImagePluginTable {
    TESSALY_IMAGE_PLUGIN_ENTRIES(TESSALY_PLUGIN_SLOT)
};
#undef TESSALY_PLUGIN_SLOT
