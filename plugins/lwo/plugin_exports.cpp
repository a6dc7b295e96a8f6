// The eight exports the engine binds when it loads a *.lwo model, and the
// optional one it binds to load a single layer.

#include "lwo_reader.h"
#include "mesh_export.h"
#include "tessaly/plugin_interface.h"

TESSALY_MODEL_PLUGIN_ENTRIES(TESSALY_DECLARE_EXPORT)

TESSALY_EXPORT int r_Load3D(const char* path, r_MsgCallback cb) { return lwo::Reader().Load3D(path, cb); }

TESSALY_EXPORT std::remove_pointer_t<ModelFn_Load3DLayer> r_Load3DLayer;  // checks the type
TESSALY_EXPORT int r_Load3DLayer(const char* path, int layer, r_MsgCallback cb) {
    return lwo::Reader().Load3D(path, cb, layer);
}

TESSALY_EXPORT int r_GetSurfacesNum(void) { return lwo::Reader().SurfaceCount(); }

TESSALY_EXPORT int r_GetSurfacePolys(int surface) { return lwo::Reader().SurfacePolys(surface); }

TESSALY_EXPORT int r_GetMaxTexturesNum(void) { return lwo::kTextureSlots; }

TESSALY_EXPORT int r_HasTexture(int surface, int slot) { return lwo::Reader().HasTexture(surface, slot) ? 1 : 0; }

TESSALY_EXPORT const char* r_GetSurfaceTextureName(int surface, int slot) {
    return lwo::Reader().TextureName(surface, slot);
}

TESSALY_EXPORT void r_ExportMD(CModel* model, int flags) {
    if (model) lwo::ExportMeshes(lwo::Reader(), *model, flags);
}

TESSALY_EXPORT void r_ExportMD2(CModel* destination, int, const CModel* source) {
    if (destination && source) lwo::ExportFlatMeshes(lwo::Reader(), *destination, *source);
}
