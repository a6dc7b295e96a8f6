// Camera, model and projection state and the point
// transforms that turn model-space or camera-space points into the screen
// fields of TL vertices. All arithmetic is float, as the projection table is
// defined; nothing here guards against points on or behind the camera plane
// (the rasterizer clips those in homogeneous space).
#include <cmath>
#include <new>
#include <type_traits>

#include "raster/raster_device.h"

namespace {

// One affine point transform p x M (fourth column taken as 0, 0, 0, 1).
inline void TransformPoint(const Matrix44& m, const Vector3& p, float& x, float& y, float& z) {
    x = p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12];
    y = p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13];
    z = p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14];
}

void RebuildScreenMatrix(raster::TransformState& xf) {
    Matrix44 modelView;
    MatMultiply(xf.model, xf.inverseCamera, modelView);
    xf.screen = modelView;
    for (int row = 0; row < 4; ++row) {
        xf.screen.m[row * 4 + 0] *= xf.screenScale;
        xf.screen.m[row * 4 + 1] *= xf.screenScale;
    }
}

}  // namespace

TESSALY_EXPORT int r_SetCamMatrix(const Matrix44* camera) {
    if (camera == nullptr) return -1;
    raster::TransformState& xf = raster::GetDevice().xf;
    xf.camera = *camera;
    MatInverseAffine(xf.camera, xf.inverseCamera);
    return 0;
}

TESSALY_EXPORT int r_SetModelMatrix(const Matrix44* model) {
    if (model == nullptr) return -1;
    raster::TransformState& xf = raster::GetDevice().xf;
    xf.model = *model;
    RebuildScreenMatrix(xf);
    return 0;
}

TESSALY_EXPORT int r_SetFrustum(float fieldOfView, float aspect, float nearDistance, float farDistance, r_MsgCallback) {
    raster::Device& dev = raster::GetDevice();
    raster::TransformState& xf = dev.xf;
    const float w = static_cast<float>(static_cast<unsigned>(dev.back.width));
    const float h = static_cast<float>(static_cast<unsigned>(dev.back.height));
    xf.fieldOfView = fieldOfView;
    xf.aspect = aspect;
    xf.nearDistance = nearDistance;
    xf.farDistance = farDistance;
    const float half = fieldOfView * 0.5f;
    xf.cot = 1.0f / std::tan(half);
    xf.centreX = w * 0.5f;
    xf.centreY = h * 0.5f;
    xf.screenScale = w * 0.5f * xf.cot;
    xf.depthFactor = farDistance / (farDistance - nearDistance);
    xf.depthOffset = xf.depthFactor * nearDistance;
    // The vertical angle takes tan of the full field of view (with aspect 1 it equals F).
    xf.verticalAngle = std::atan(aspect * std::tan(fieldOfView));
    const float c = std::cos(half), s = std::sin(half);
    const float cv = std::cos(xf.verticalAngle * 0.5f), sv = std::sin(xf.verticalAngle * 0.5f);
    xf.leftPlane = {c, 0.0f, s};
    xf.rightPlane = {-c, 0.0f, s};
    xf.bottomPlane = {0.0f, cv, sv};
    xf.topPlane = {0.0f, -cv, sv};
    return 0;
}

TESSALY_EXPORT int r_AllocMaxVtcs(int count, r_MsgCallback) {
    raster::Device& dev = raster::GetDevice();
    std::vector<TLVertex>().swap(dev.tlBuffer);
    std::vector<float>().swap(dev.tlHomogeneous);
    if (count <= 0) return 0;
    try {  // an allocation failure leaves no buffer and is not reported
        dev.tlBuffer.assign(static_cast<size_t>(count), TLVertex{});
        dev.tlHomogeneous.assign(static_cast<size_t>(count) * 4, 0.0f);
    } catch (const std::bad_alloc&) {
        std::vector<TLVertex>().swap(dev.tlBuffer);
        std::vector<float>().swap(dev.tlHomogeneous);
    }
    return 0;
}

TESSALY_EXPORT int r_FreeAllocatedVtcs(r_MsgCallback) {
    raster::Device& dev = raster::GetDevice();
    std::vector<TLVertex>().swap(dev.tlBuffer);
    std::vector<float>().swap(dev.tlHomogeneous);
    return 0;
}

TESSALY_EXPORT int r_TransformIntoCamSpace(const Vector3* in, Vector3* out, int count, Matrix44 model, int) {
    if (in == nullptr || out == nullptr) return 0;
    const raster::TransformState& xf = raster::GetDevice().xf;
    Matrix44 p;
    MatMultiply(model, xf.inverseCamera, p);
    for (int i = 0; i < count; ++i) {
        float x, y, z;
        TransformPoint(p, in[i], x, y, z);
        out[i] = {x, y, z};
    }
    return 0;
}

TESSALY_EXPORT int r_FullVertexCamWork(TLVertex* out, const Vector3* in, int count) {
    if (in == nullptr || out == nullptr) return 0;
    const raster::TransformState& xf = raster::GetDevice().xf;
    for (int i = 0; i < count; ++i) {
        float x, y, z;
        TransformPoint(xf.screen, in[i], x, y, z);
        const float rhw = 1.0f / z;
        out[i].sx = x * rhw + xf.centreX;
        out[i].sy = xf.centreY - y * rhw;
        out[i].sz = xf.depthFactor - xf.depthOffset * rhw;
        out[i].rhw = rhw;
    }
    return 0;
}

TESSALY_EXPORT int r_TransformInto2DSpace(TLVertex* out, const Vector3* in, int count) {
    if (in == nullptr || out == nullptr) return 0;
    const raster::TransformState& xf = raster::GetDevice().xf;
    for (int i = 0; i < count; ++i) {
        const float rhw = 1.0f / in[i].z;
        out[i].sx = in[i].x * xf.screenScale * rhw + xf.centreX;
        out[i].sy = xf.centreY - xf.screenScale * in[i].y * rhw;
        out[i].sz = xf.depthFactor - xf.depthOffset * rhw;
        out[i].rhw = rhw;
    }
    return 0;
}
