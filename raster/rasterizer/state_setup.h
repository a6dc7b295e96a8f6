// The per-draw snapshot of targets, render states and the bound texture that
// every stage of the rasterizer reads.
#pragma once

#include <cstdint>

#include "raster/raster_device.h"

namespace raster {

constexpr int kMaxTextureLevels = 16;
// Screen-space guard band beyond the surface edges: triangles are clipped to
// it, so snapped coordinates and edge functions stay well inside 64 bits.
constexpr float kGuardBand = 2048.0f;

struct TexLevel {
    const uint32_t* texels = nullptr;  // ARGB8888, width x height, rows packed
    int width = 0, height = 0;
    bool pow2 = false;             // both sides powers of two: wrap by mask
    int widthShift = 0;            // log2(width) when pow2: row offset by shift
    float scaleU = 1, scaleV = 1;  // level texels per level-0 texel
};

enum class TargetKind { RGB565, RGB565Dither, XRGB8888 };
enum class DepthKind { None, Bits16, Bits32 };
// Nearest and Bilinear: power-of-two textures (wrap by mask); the AnySize
// variants wrap by modulo.
enum class TexKind { None, Nearest, Bilinear, NearestAnySize, BilinearAnySize };

struct DrawContext {
    // Targets.
    uint8_t* colour = nullptr;
    int colourPitch = 0;
    TargetKind target = TargetKind::RGB565;
    uint8_t* depth = nullptr;
    int depthPitch = 0;
    DepthKind depthKind = DepthKind::None;  // None when the depth test is off or no depth surface
    uint64_t depthMax = 65535;              // largest depth value of the depth surface
    // Scissor: the viewport rectangle within the surfaces, max exclusive.
    int clipX0 = 0, clipY0 = 0, clipX1 = 0, clipY1 = 0;
    // Guard band in screen pixels.
    float guardX0 = 0, guardY0 = 0, guardX1 = 0, guardY1 = 0;
    // States.
    bool depthWrite = true;
    DepthFunc depthFunc = DepthFunc::LessEqual;
    int blend = 0;  // 0: off, else BLEND_ADDITIVE / BLEND_TRANSLUCENT / BLEND_SOURCE_COLOUR
    bool antialias = false;
    FillMode fill = FillMode::Solid;
    CullMode cull = CullMode::CounterClockwise;
    // Texture (pair 0 of each vertex).
    TexKind tex = TexKind::None;
    int levelCount = 0;
    float texWidth = 0, texHeight = 0;  // level 0 size
    TexLevel levels[kMaxTextureLevels];
};

// Fills dc from the device's states, viewport and bound texture, to draw into
// back and test and write depth (the device's own back and depth surfaces:
// they are passed apart because the draws write them, while dev is only read).
// False when nothing can be drawn (no back surface or an empty viewport).
bool BuildDrawContext(const Device& dev, FrameSurface& back, DepthSurface& depth, DrawContext& dc);

}  // namespace raster
