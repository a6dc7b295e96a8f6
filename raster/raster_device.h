// Internal state of the raster back-end shared by its modules (not exported).
//
//   survey / device set-up / frame operations / stores  write the frame, the
//   stores and the set-up fields;
//   render states, transforms and the rasterizer        read them and write
//   RasterState, TransformState and the TL vertex buffer.
//
// Pixel formats: a 16-bit frame is RGB565, a 32-bit frame XRGB8888 (0x00RRGGBB
// words). Depth is 16-bit (0..65535) or 32-bit (0..0xFFFFFFFF) unsigned, 0 the
// near plane. Textures are stored as ARGB8888 words (0xAARRGGBB), one array per
// mip level.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/vecmath.h"
#include "tessaly/raster_interface.h"

namespace raster {

enum class PixelFormat { RGB565, XRGB8888 };

// A surface the back-end draws into (the back buffer) or presents from.
struct FrameSurface {
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes per row
    PixelFormat format = PixelFormat::RGB565;
    std::vector<uint8_t> pixels;  // height x pitch bytes
    bool present() const { return !pixels.empty(); }
};

struct DepthSurface {
    int width = 0;
    int height = 0;
    int bits = 16;   // 16 or 32
    int pitch = 0;   // bytes per row
    std::vector<uint8_t> samples;  // height x pitch bytes
    bool present() const { return !samples.empty(); }
};

// One texture of the texture store: level 0 is width x height, level k is
// (width >> k) x (height >> k), each an ARGB8888 array.
struct TextureLevel {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> texels;
};
struct Texture {
    std::vector<TextureLevel> levels;  // empty = free slot
    bool present() const { return !levels.empty(); }
};

// One image of the image store, in the frame's own pixel format.
struct Image {
    int width = 0;
    int height = 0;
    int pitch = 0;
    PixelFormat format = PixelFormat::RGB565;
    std::vector<uint8_t> pixels;  // empty = free slot
    bool present() const { return !pixels.empty(); }
};

enum class FillMode { Points, Wireframe, Solid };
enum class DepthFunc { Less, LessEqual, Greater, GreaterEqual };
enum class CullMode { None, CounterClockwise };

// Render states, written by r_SetRenderState / r_SetTexture / r_RenderSBM.
struct RasterState {
    bool antialias = false;
    FillMode fill = FillMode::Solid;
    bool dither = true;
    bool bilinear = false;
    bool depthWrite = true;
    bool depthTest = true;
    DepthFunc depthFunc = DepthFunc::LessEqual;
    bool alphaBlend = false;
    int blendMode = BLEND_TRANSLUCENT;  // BlendModeValue
    CullMode cull = CullMode::CounterClockwise;
    int texture = -1;  // bound texture handle on stage 0, -1 none
};

// Transform and projection state (r_SetCamMatrix, r_SetModelMatrix, r_SetFrustum).
struct TransformState {
    Matrix44 camera{};
    Matrix44 inverseCamera{};
    Matrix44 model{};
    Matrix44 screen{};  // model x inverse camera x diag(scale, scale, 1, 1)
    float fieldOfView = 0, aspect = 0, nearDistance = 0, farDistance = 0;
    float cot = 0, centreX = 0, centreY = 0, screenScale = 0, depthFactor = 0, depthOffset = 0;
    float verticalAngle = 0;
    Vector3 leftPlane{}, rightPlane{}, bottomPlane{}, topPlane{};
};

// Viewport and clear rectangle (r_SetViewportArea).
struct ViewportState {
    int x = 0, y = 0, width = 0, height = 0;
    float clipX = 0, clipY = 0, clipWidth = 0, clipHeight = 0;
    int clearLeft = 0, clearTop = 0, clearRight = 0, clearBottom = 0;  // empty until set
};

// The back-end's whole state (one instance).
struct Device {
    bool initialised = false;
    PlatWindow* window = nullptr;
    int card = 0, device = 0, mode = 0, initFlags = 0;
    FrameSurface back;
    bool hasFront = false;  // false in the windowed and no-front-buffer set-ups
    DepthSurface depth;

    std::vector<Texture> textures;  // size = texture capacity
    std::vector<Image> images;      // size = image capacity
    bool texturesAllocated = false;
    bool imagesAllocated = false;

    RasterState state;
    TransformState xf;
    ViewportState viewport;
    std::vector<TLVertex> tlBuffer;  // r_AllocMaxVtcs
    bool inScene = false;            // between r_3DStart and r_3DEnd
};

Device& GetDevice();

}  // namespace raster
