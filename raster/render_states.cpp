// r_SetRenderState: the render-state switches the engine and the console flip
// between draws. The groups of a code are applied in a fixed order (antialias,
// fill mode, dither, filtering, depth writes, depth test, depth function,
// blending, blend mode); where a value is read as bits, each set bit is applied
// in turn so that the last one listed wins.
//
// Antialiasing is edge antialiasing by coverage: each pixel a triangle touches
// counts which of 16 samples (a 4 x 4 grid) it covers; partly covered pixels
// are mixed with what the frame holds in that proportion and write no depth.
// Like any edge antialiasing without supersampling, the result depends on the
// drawing order (back to front gives clean edges).
#include <type_traits>

#include "raster/raster_device.h"

namespace raster {

void ResetRenderStates() {
    RasterState& s = GetDevice().state;
    s = RasterState{};
    s.cull = CullMode::CounterClockwise;
    s.fill = FillMode::Solid;
    s.dither = true;
    s.bilinear = false;
    s.depthTest = true;
    s.depthFunc = DepthFunc::LessEqual;
    s.depthWrite = true;
    s.alphaBlend = false;
    s.blendMode = BLEND_TRANSLUCENT;
    s.antialias = false;
    s.texture = -1;
}

}  // namespace raster

TESSALY_EXPORT int r_SetRenderState(int code, int value) {
    raster::RasterState& s = raster::GetDevice().state;
    if (code & RS_ANTIALIAS) s.antialias = value != 0;
    if (code & RS_FILLMODE) {
        if (value & FILL_WIREFRAME) s.fill = raster::FillMode::Wireframe;
        if (value & FILL_POINTS) s.fill = raster::FillMode::Points;
        if (value & FILL_SOLID) s.fill = raster::FillMode::Solid;
    }
    if (code & RS_DITHER) s.dither = value != 0;
    if (code & RS_BILINEAR) s.bilinear = value != 0;
    if (code & RS_ZWRITE) s.depthWrite = value != 0;
    if (code & RS_ZCHECK) s.depthTest = value != 0;
    if (code & RS_ZFUNC) {
        if (value & 1) s.depthFunc = raster::DepthFunc::Less;
        if (value & 2) s.depthFunc = raster::DepthFunc::LessEqual;
        if (value & 4) s.depthFunc = raster::DepthFunc::Greater;
        if (value & 8) s.depthFunc = raster::DepthFunc::GreaterEqual;
    }
    if (code & RS_ALPHABLEND) s.alphaBlend = value != 0;
    if (code & RS_BLENDMODE) {
        if (value & BLEND_TRANSLUCENT) s.blendMode = BLEND_TRANSLUCENT;
        if (value & BLEND_ADDITIVE) s.blendMode = BLEND_ADDITIVE;
        if (value & BLEND_SOURCE_COLOUR) s.blendMode = BLEND_SOURCE_COLOUR;
    }
    return 0;
}
