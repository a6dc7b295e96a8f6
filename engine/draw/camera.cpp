// r_SetCamMatrix: the engine keeps its own copy of the camera's placement (for
// sorting alpha meshes and for environment coordinates) and hands the same
// matrix to the back-end, which keeps the inverse for its transforms.
#include "engine/draw/camera.h"

#include "engine/raster_link/raster_link.h"
#include "tessaly/engine_api.h"

namespace {

Matrix44 g_camera = MatIdentity();

}  // namespace

const Matrix44& CameraMatrix() { return g_camera; }

TESSALY_EXPORT int r_SetCamMatrix(const Matrix44* camera) {
    if (camera == nullptr) return -1;
    g_camera = *camera;
    return Raster().SetCamMatrix(camera);
}
